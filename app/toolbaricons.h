// The pictures of the toolbar buttons: icons of the installed theme where one fits, and the
// project's own drawings for the form fields the theme has no picture of.
#pragma once

#include <QIcon>
#include <QString>

namespace inkwell {

// Makes the installed icon theme the one QIcon::fromTheme looks in.
void useToolbarIconTheme();

// The picture named in the toolbar table (commandmap.h): a name of the icon theme, or a resource path of
// our own drawings starting with ":".
[[nodiscard]] QIcon toolbarIcon(const QString& icon);

} // namespace inkwell
