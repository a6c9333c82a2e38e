// Changes to the table around the caret: rows and columns added and taken away, the whole table
// deleted, its properties; and Tab and Shift+Tab moving from cell to cell while the user types.
#pragma once

#include "editing/menutarget.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class QWidget;

namespace inkwell {

class DesignView;

enum class TableEdit
{
    RowAbove,
    RowBelow,
    ColumnLeft,
    ColumnRight,
    DeleteRow,
    DeleteColumn,
    DeleteTable,
};

// The table element's own attributes, as the table fragment writes them; the first row holds header
// cells (`th`) when headerRow is set.
struct TableProperties
{
    QString width; // "200", "80%" or empty (no width)
    int border = 0; // pixels
    int cellSpacing = 0; // pixels
    int cellPadding = 0; // pixels
    bool headerRow = false;

    friend bool operator==(const TableProperties&, const TableProperties&) = default;
};

// The width as the table's attribute takes it: whole pixels ("200", "200px" gives "200") or a
// percentage ("80%"), blanks around it ignored; empty for no width; nothing for anything else.
[[nodiscard]] std::optional<QString> tableWidthValue(const QString& typed);

namespace tablescript {

// Run after every load beside the page: Tab in a table cell selects the next cell's content (a new
// row after the last cell), Shift+Tab the previous one's; and window.__inkwellTables holds the edits
// the scripts below call. Each edit rebuilds the table and puts it in place of the old one through the
// engine's own insertion, so that one undo takes it back whole.
[[nodiscard]] QString afterLoad();

// True when the script changed the table at the caret; false without one.
[[nodiscard]] QString edit(TableEdit edit);
// The caret's table as {width, border, spacing, padding, header}, or null outside a table.
[[nodiscard]] QString readProperties();
[[nodiscard]] QString applyProperties(const TableProperties& properties);

} // namespace tablescript

[[nodiscard]] std::optional<TableProperties> tablePropertiesFrom(const QVariant& value);

class TableCommands
{
public:
    // The properties the user confirmed, or nothing when the dialog was cancelled.
    using PropertiesChooser
        = std::function<std::optional<TableProperties>(QWidget* parent, const TableProperties& current)>;
    // Runs a command of the menu: the window wraps it with its own bookkeeping (a command at a time,
    // the page marked edited).
    using Runner = std::function<void(const std::function<void()>& command)>;

    TableCommands(DesignView& view, QWidget* parent);
    TableCommands(const TableCommands&) = delete;
    TableCommands& operator=(const TableCommands&) = delete;

    void setPropertiesChooser(PropertiesChooser chooser) { m_choose = std::move(chooser); }
    void setRunner(Runner runner) { m_run = std::move(runner); }

    // False when the caret is in no table (nothing changes then).
    bool edit(TableEdit edit);
    [[nodiscard]] std::optional<TableProperties> properties();
    bool setProperties(const TableProperties& properties);
    // Opens "表格属性" for the caret's table and applies what the user confirms.
    void editProperties();

    // The table entries, for a pointer in a table cell only.
    [[nodiscard]] MenuSection section();

private:
    DesignView& m_view;
    QWidget* m_parent;
    PropertiesChooser m_choose;
    Runner m_run;
};

} // namespace inkwell
