// The design view's own menu, opened with the right button on the page in place of the engine's: the
// history and clipboard entries, the link and picture entries for what lies under the pointer, then the
// groups of entries registered with it. It also binds the link key and the double-click on a link.
#pragma once

#include "editing/menutarget.h"
#include "platform/browserengine.h"

#include <QPointF>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace inkwell {

class DesignView;
class InsertedObjects;

class DesignMenu
{
public:
    struct Hooks
    {
        // Undo or redo through the design view's history, as the keys do.
        std::function<void(HistoryDirection)> history;
        // Runs a change of the page as a command of the window, which counts it as an edit.
        std::function<void(const std::function<void()>&)> edit;
    };

    // Takes over the engine's menu, the double-clicks and the link key; `view` is the engine's view,
    // which holds the menu. The design view must have its engine attached.
    DesignMenu(DesignView& designView, InsertedObjects& objects, QWidget* view, Hooks hooks);
    ~DesignMenu();
    DesignMenu(const DesignMenu&) = delete;
    DesignMenu& operator=(const DesignMenu&) = delete;

    // Adds a group of entries after those already there.
    void addSection(MenuSection section);

    // What lies at the point of the page (CSS pixels of its viewport); a picture there is selected.
    [[nodiscard]] MenuTarget targetAt(QPointF point);
    // Fills the menu for the target: every group in order, with a separator between groups.
    void fill(QMenu& menu, const MenuTarget& target);
    // Opens the menu at the point, for what lies there, and runs the entry chosen.
    void open(const PagePoint& at);

private:
    void addOwnEntries(QMenu& menu, const MenuTarget& target);

    DesignView& m_designView;
    InsertedObjects& m_objects;
    QWidget* m_view;
    Hooks m_hooks;
    std::vector<MenuSection> m_sections;
    std::function<void()> m_chosen; // the entry of our own chosen in the menu now open
};

} // namespace inkwell
