// What the design view's own menu is opened on, and the groups of entries that fill it: each group
// looks at what lies under the pointer and adds the entries that fit.
#pragma once

#include <functional>

class QMenu;

namespace inkwell {

struct MenuTarget
{
    bool hasSelection = false;
    bool onLink = false; // the pointer is on a link, or inside one
    bool onPicture = false;
    bool inTable = false; // the pointer is in a table cell
};

// Adds one group of entries (a separator before it is the menu's business) for `target`.
using MenuSection = std::function<void(QMenu& menu, const MenuTarget& target)>;

} // namespace inkwell
