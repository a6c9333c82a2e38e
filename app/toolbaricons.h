// The pictures of the toolbar buttons: icons of the installed theme where one fits, and the
// project's own drawings for the form fields the theme has no picture of.
#pragma once

#include <QIcon>
#include <QString>

namespace inkwell {

// Makes the installed icon theme the one QIcon::fromTheme looks in.
void UseToolbarIconTheme();

// The picture for a toolbar button, by the button's object name; a null icon when none is known.
[[nodiscard]] QIcon ToolbarIcon(const QString& controlName);

} // namespace inkwell
