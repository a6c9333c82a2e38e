// Table edits on the real engine: Tab and Shift+Tab through the cells, rows and columns added and
// taken away (spanning cells included), the properties, the menu's entries, and each as one undo step.
#include "editing/designview.h"
#include "editing/fragments.h"
#include "editing/tablecommands.h"
#include "editing/tablepropertiesdialog.h"
#include "platform/browserengine.h"
#include "tests/support/designviewwindow.h"
#include "tests/support/eventually.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using testing::eventually;

class TableCommandsTest : public DesignViewWindowTest
{
protected:
    void load(const QString& body)
    {
        design.loadHtml(QStringLiteral("<html><head></head><body>%1</body></html>").arg(body));
        design.editModeOn();
    }
    QVariant eval(const QString& script) { return design.engine()->evaluate(script).value_or(QVariant()); }
    // The caret at the start of the cell whose text is `text` (of the first table's cells). The engine
    // may still put a caret of its own into a page just loaded: the caret is set again until it stays.
    void caretIn(const QString& text)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            placeCaretIn(text);
            QTest::qWait(100); // proves an absence: nothing moves the caret after it was set
            if (caretCellText() == QString(text).replace(QChar(0xA0), u'_').toStdString())
                return;
        }
        ADD_FAILURE() << "the caret does not stay in " << text.toStdString();
    }
    void placeCaretIn(const QString& text)
    {
        ASSERT_TRUE(
            eval(QStringLiteral("(function(w){var c=Array.prototype.find.call("
                                "document.querySelectorAll('td,th'),function(c){return c.textContent===w;});"
                                "if(!c)return false;var r=document.createRange();r.selectNodeContents(c);"
                                "r.collapse(true);var s=getSelection();s.removeAllRanges();s.addRange(r);"
                                "return true;})('%1')")
                     .arg(text))
                .toBool())
            << text.toStdString();
    }
    // The first table as its rows' cells, "|" between cells and "/" between rows; spans written as
    // "text^rows" and "text>columns"; "" without a table.
    std::string grid()
    {
        return eval(
            QStringLiteral(
                "(function(){var t=document.querySelector('table');if(!t)return '';"
                "return Array.prototype.map.call(t.rows,function(r){return Array.prototype.map.call("
                "r.cells,function(c){var s=c.textContent.replace(/\\u00a0/g,'_');"
                "if(c.rowSpan>1)s+='^'+c.rowSpan;if(c.colSpan>1)s+='>'+c.colSpan;return s;}).join('|');})"
                ".join('/');})()"))
            .toString()
            .toStdString();
    }
    // The body's elements by name, "," after each.
    QString blocks()
    {
        return eval(QStringLiteral("Array.prototype.map.call(document.body.children,function(e){"
                                   "return e.tagName+',';}).join('')"))
            .toString();
    }
    std::string caretCellText()
    {
        return eval(
            QStringLiteral("(function(){var s=getSelection();if(!s.rangeCount)return '-';"
                           "var n=s.getRangeAt(0).startContainer;while(n&&!/^(TD|TH)$/.test(n.nodeName))"
                           "n=n.parentNode;return n?n.textContent.replace(/\\u00a0/g,'_'):'-';})()"))
            .toString()
            .toStdString();
    }
    QWidget* keys() const { return view->focusProxy() ? view->focusProxy() : view; }
    void focusPage()
    {
        QTest::mouseClick(keys(), Qt::LeftButton, {}, QPoint(400, 500));
        ASSERT_TRUE(eventually([&] { return keys()->hasFocus(); }, 3000));
    }

    TableCommands tables { design, &window };
};

const QString kTwoByTwo
    = QStringLiteral("<p>before</p><table border=\"1\"><tbody><tr><td>a</td><td>b</td></tr>"
                     "<tr><td>c</td><td>d</td></tr></tbody></table><p>after</p>");

// The table the table button inserts, filled by typing and Tab alone: the last Tab makes a row.
// Shift+Tab goes back and selects the cell's text, so that typing replaces it.
TEST_F(TableCommandsTest, TabFillsTheTableAndAddsARowAfterTheLastCell)
{
    load(QStringLiteral("<p>x</p>"));
    focusPage();
    ASSERT_TRUE(eval(QStringLiteral("var s=getSelection();s.selectAllChildren(document.querySelector('p'));"
                                    "s.collapseToEnd();true"))
                    .toBool());
    (void)design.pasteHtml(QString::fromUtf8(fragments::kTable));
    ASSERT_EQ(grid(), "_|_|_/_|_|_/_|_|_");
    caretIn(QStringLiteral("\u00a0"));
    // The first cell's no-break space selected, as Tab selects a cell's content.
    ASSERT_TRUE(eval(QStringLiteral("var c=document.querySelector('td'),r=document.createRange();"
                                    "r.selectNodeContents(c);getSelection().removeAllRanges();"
                                    "getSelection().addRange(r);true"))
                    .toBool());
    for (const char* text : { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" }) {
        QTest::keyClicks(keys(), QString::fromUtf8(text));
        QTest::keyClick(keys(), Qt::Key_Tab);
    }
    ASSERT_TRUE(eventually([&] { return grid() == "1|2|3/4|5|6/7|8|9/10|_|_"; }, 3000)) << grid();
    EXPECT_EQ(caretCellText(), "_");
    QTest::keyClick(keys(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClicks(keys(), QStringLiteral("ten"));
    EXPECT_TRUE(eventually([&] { return grid() == "1|2|3/4|5|6/7|8|9/ten|_|_"; }, 3000)) << grid();
    // Tab outside a table is the engine's as before: nothing of the table changes.
    ASSERT_TRUE(eval(QStringLiteral("var s=getSelection();s.selectAllChildren(document.querySelector('p'));"
                                    "s.collapseToEnd();true"))
                    .toBool());
    QTest::keyClick(keys(), Qt::Key_Tab);
    QTest::qWait(200);
    EXPECT_EQ(grid(), "1|2|3/4|5|6/7|8|9/ten|_|_");
}

// Each edit on a plain table and on one with spanning cells; one undo gives the table back whole.
TEST_F(TableCommandsTest, EachEditChangesTheTableAndOneUndoTakesItBack)
{
    struct Case
    {
        const char* name;
        QString table;
        const char* caret;
        TableEdit edit;
        const char* after;
        const char* caretAfter;
    };
    const QString spans = QStringLiteral(
        "<table border=\"1\"><tbody><tr><td rowspan=\"2\">a</td><td>b</td><td>c</td></tr>"
        "<tr><td colspan=\"2\">d</td></tr><tr><td>e</td><td>f</td><td>g</td></tr></tbody></table>");
    const Case cases[] = {
        { "row above", kTwoByTwo, "c", TableEdit::RowAbove, "a|b/_|_/c|d", "_" },
        { "row below", kTwoByTwo, "b", TableEdit::RowBelow, "a|b/_|_/c|d", "_" },
        { "column left", kTwoByTwo, "b", TableEdit::ColumnLeft, "a|_|b/c|_|d", "_" },
        { "column right", kTwoByTwo, "b", TableEdit::ColumnRight, "a|b|_/c|d|_", "_" },
        { "delete row", kTwoByTwo, "a", TableEdit::DeleteRow, "c|d", "c" },
        { "delete column", kTwoByTwo, "d", TableEdit::DeleteColumn, "a/c", "c" },
        { "delete table", kTwoByTwo, "d", TableEdit::DeleteTable, "", "-" },
        // A row added inside a cell spanning two rows makes it span three.
        { "row below, spanned", spans, "b", TableEdit::RowBelow, "a^3|b|c/_|_/d>2/e|f|g", "_" },
        // A column added inside a cell spanning two columns makes it span three.
        { "column right, spanned", spans, "b", TableEdit::ColumnRight, "a^2|b|_|c/d>3/e|f|_|g", "_" },
        // The first row goes: the cell spanning down from it moves into the next row, one row shorter.
        { "delete row, spanned", spans, "b", TableEdit::DeleteRow, "a|d>2/e|f|g", "d" },
        { "delete column, spanned", spans, "c", TableEdit::DeleteColumn, "a^2|b/d/e|f", "b" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.table);
        const std::string before = grid();
        const QString blocksBefore = blocks();
        caretIn(QString::fromUtf8(c.caret));
        ASSERT_TRUE(tables.edit(c.edit));
        EXPECT_EQ(grid(), c.after);
        EXPECT_EQ(caretCellText(), c.caretAfter);
        // Nothing outside the table moved, and no stray block came in beside it.
        QString expectedBlocks = blocksBefore;
        if (c.edit == TableEdit::DeleteTable)
            expectedBlocks.replace(QStringLiteral("TABLE,"), QString());
        EXPECT_EQ(blocks(), expectedBlocks);
        EXPECT_EQ(design.undo(), DesignView::HistoryMove::WithinPage);
        EXPECT_EQ(grid(), before);
        EXPECT_EQ(blocks(), blocksBefore);
    }
    // Outside a table nothing happens.
    load(QStringLiteral("<p>plain</p>") + kTwoByTwo);
    ASSERT_TRUE(eval(QStringLiteral("getSelection().collapse(document.querySelector('p').firstChild,1);true"))
                    .toBool());
    EXPECT_FALSE(tables.edit(TableEdit::RowAbove));
    EXPECT_EQ(grid(), "a|b/c|d");
}

// The last row and column deleted leave no empty table behind; the paragraphs around stay.
TEST_F(TableCommandsTest, DeletingTheLastRowDeletesTheTable)
{
    load(QStringLiteral("<p>before</p><table><tbody><tr><td>only</td></tr></tbody></table><p>after</p>"));
    caretIn(QStringLiteral("only"));
    ASSERT_TRUE(tables.edit(TableEdit::DeleteRow));
    EXPECT_EQ(grid(), "");
    const std::string markup = design.getHtml().toStdString();
    EXPECT_NE(markup.find("before"), std::string::npos) << markup;
    EXPECT_NE(markup.find("after"), std::string::npos) << markup;
}

TEST_F(TableCommandsTest, PropertiesAreReadAndWrittenAsOneUndoStep)
{
    load(QStringLiteral("<p>x</p>") + QString::fromUtf8(fragments::kTable));
    caretIn(QStringLiteral("\u00a0"));
    ASSERT_EQ(tables.properties(), (TableProperties { QStringLiteral("200"), 1, 1, 1, false }));
    const TableProperties wanted { QStringLiteral("80%"), 2, 0, 4, true };
    ASSERT_TRUE(tables.setProperties(wanted));
    EXPECT_EQ(tables.properties(), wanted);
    const std::string markup = design.getHtml().toStdString();
    EXPECT_NE(markup.find("<table width=\"80%\" border=\"2\" cellspacing=\"0\" cellpadding=\"4\">"),
        std::string::npos)
        << markup;
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('tr:first-child > th').length")).toInt(), 3);
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('th').length")).toInt(), 3);
    // The same values again change nothing, and leave no step to undo.
    EXPECT_FALSE(tables.setProperties(wanted));
    EXPECT_EQ(design.undo(), DesignView::HistoryMove::WithinPage);
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('th').length")).toInt(), 0);
    caretIn(QStringLiteral("\u00a0"));
    EXPECT_EQ(tables.properties(), (TableProperties { QStringLiteral("200"), 1, 1, 1, false }));
    // No width at all: the attribute goes.
    ASSERT_TRUE(tables.setProperties({ QString(), 1, 1, 1, false }));
    EXPECT_EQ(eval(QStringLiteral("document.querySelector('table').hasAttribute('width')")).toBool(), false);
}

TEST(TableWidth, TakesPixelsAndPercentagesOnly)
{
    struct Case
    {
        const char* typed;
        std::optional<QString> value;
    };
    const Case cases[] = {
        { "400", QStringLiteral("400") },
        { " 400px ", QStringLiteral("400") },
        { "80%", QStringLiteral("80%") },
        { "", QString() },
        { "   ", QString() },
        { "80 %", std::nullopt },
        { "-5", std::nullopt },
        { "4e2", std::nullopt },
        { "100\" onclick=\"x", std::nullopt },
        { "1234567", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(tableWidthValue(QString::fromUtf8(c.typed)), c.value) << c.typed;
}

// The menu's table entries appear only in a table, in their order, and run on the caret's table; the
// properties entry opens its dialog with the table's values.
TEST_F(TableCommandsTest, MenuSectionListsTheEntriesInATableOnly)
{
    load(kTwoByTwo);
    caretIn(QStringLiteral("a"));
    const MenuSection section = tables.section();
    QMenu outside;
    section(outside, MenuTarget {});
    EXPECT_TRUE(outside.actions().isEmpty());

    QMenu menu;
    section(menu, MenuTarget { .inTable = true });
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << action->text();
    EXPECT_EQ(texts,
        QStringList({ QStringLiteral("插入行（上方）"), QStringLiteral("插入行（下方）"),
            QStringLiteral("插入列（左侧）"), QStringLiteral("插入列（右侧）"), QStringLiteral("删除行"),
            QStringLiteral("删除列"), QStringLiteral("删除表格"), QStringLiteral("表格属性…") }));
    int runs = 0;
    tables.setRunner([&](const std::function<void()>& command) {
        ++runs;
        command();
    });
    menu.actions().at(5)->trigger(); // 删除列
    EXPECT_EQ(grid(), "b/d");
    EXPECT_EQ(runs, 1);

    std::optional<TableProperties> shown;
    tables.setPropertiesChooser([&](QWidget*, const TableProperties& current) {
        shown = current;
        return TableProperties { QStringLiteral("300"), 0, 2, 3, false };
    });
    menu.actions().at(7)->trigger();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->border, 1);
    EXPECT_EQ(tables.properties(), (TableProperties { QStringLiteral("300"), 0, 2, 3, false }));
}

// The dialog: its fields show the values, Enter confirms what they hold, Escape cancels, and a width
// the table cannot take keeps it open.
TEST(TablePropertiesDialogTest, EnterConfirmsEscapeCancels)
{
    const TableProperties current { QStringLiteral("200"), 1, 1, 1, false };
    TablePropertiesDialog dialog(nullptr, current);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.properties(), current);
    auto* width = dialog.findChild<QLineEdit*>(QStringLiteral("宽度"));
    ASSERT_TRUE(width);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("wide"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "an unusable width was accepted";
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("50%"));
    dialog.findChild<QSpinBox*>(QStringLiteral("边框"))->setValue(3);
    dialog.findChild<QCheckBox*>(QStringLiteral("标题行"))->setChecked(true);
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.properties(), (TableProperties { QStringLiteral("50%"), 3, 1, 1, true }));

    TablePropertiesDialog cancelled(nullptr, current);
    cancelled.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cancelled));
    QTest::keyClick(&cancelled, Qt::Key_Escape);
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

} // namespace
} // namespace inkwell
