#include "app/commandmap.h"

#include "app/mainwindow.h"
#include "editing/formattingcommands.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QShortcut>

namespace inkwell {
namespace {

// A formatting or insertion command of the design view; the page changes.
template <void (FormattingCommands::*command)()> void edit(MainWindow& w)
{
    (w.formatting().*command)();
    w.noteEdited();
}

// The colour pickers are not bound to events of their own: the colour buttons pop up their palettes
// and apply the confirmed colour (see MainWindow::chooseTextColour).
const CommandBinding commandTable[] = {
    { "超级按钮_新建", ControlEvent::Click, [](MainWindow& w) { w.newDocument(); } },
    { "超级按钮_打开", ControlEvent::Click, [](MainWindow& w) { w.openDocument(); } },
    { "超级按钮_保存", ControlEvent::Click, [](MainWindow& w) { w.saveDocument(); } },
    { "超级按钮_另存为", ControlEvent::Click, [](MainWindow& w) { w.exportArchive(); } },
    { "超级按钮_设计", ControlEvent::Click, [](MainWindow& w) { w.showDesignPage(); } },
    { "超级按钮_代码", ControlEvent::Click, [](MainWindow& w) { w.showCodePage(); } },
    { "超级按钮_插入图片", ControlEvent::Click, edit<&FormattingCommands::insertPicture> },
    { "组合框_系统字体", ControlEvent::ItemChosen, [](MainWindow& w) { w.applyChosenFontName(); } },
    { "组合框_字体大小", ControlEvent::ItemChosen, [](MainWindow& w) { w.applyChosenFontSize(); } },
    { "超级按钮_加粗", ControlEvent::Click, edit<&FormattingCommands::bold> },
    { "超级按钮_斜体", ControlEvent::Click, edit<&FormattingCommands::italic> },
    { "超级按钮_下划线", ControlEvent::Click, edit<&FormattingCommands::underline> },
    { "超级按钮_删除线", ControlEvent::Click, edit<&FormattingCommands::strikeThrough> },
    { "超级按钮_上标", ControlEvent::Click, edit<&FormattingCommands::superscript> },
    { "超级按钮_下标", ControlEvent::Click, edit<&FormattingCommands::subscript> },
    { "超级按钮_字体颜色", ControlEvent::Click, [](MainWindow& w) { w.chooseTextColour(); } },
    { "超级按钮_背景颜色", ControlEvent::Click, [](MainWindow& w) { w.chooseBackgroundColour(); } },
    { "超级按钮_左对齐", ControlEvent::Click, edit<&FormattingCommands::alignLeft> },
    { "超级按钮_居中对齐", ControlEvent::Click, edit<&FormattingCommands::alignCenter> },
    { "超级按钮_右对齐", ControlEvent::Click, edit<&FormattingCommands::alignRight> },
    { "超级按钮_有序排列", ControlEvent::Click, edit<&FormattingCommands::orderedList> },
    { "超级按钮_无序排列", ControlEvent::Click, edit<&FormattingCommands::unorderedList> },
    { "超级按钮_分割线", ControlEvent::Click, edit<&FormattingCommands::insertRule> },
    { "超级按钮_表格", ControlEvent::Click, edit<&FormattingCommands::insertTable> },
    { "超级按钮_超级链接", ControlEvent::Click, edit<&FormattingCommands::insertLink> },
    { "超级按钮_分组框", ControlEvent::Click, edit<&FormattingCommands::insertFieldSet> },
    { "超级按钮_按钮", ControlEvent::Click, edit<&FormattingCommands::insertButton> },
    { "超级按钮_复选框", ControlEvent::Click, edit<&FormattingCommands::insertCheckBox> },
    { "超级按钮_单选框", ControlEvent::Click, edit<&FormattingCommands::insertRadioButton> },
    { "超级按钮_文本框", ControlEvent::Click, edit<&FormattingCommands::insertTextField> },
    { "超级按钮_多行文本框", ControlEvent::Click, edit<&FormattingCommands::insertTextArea> },
    { "超级按钮_截图", ControlEvent::Click, [](MainWindow& w) { w.captureWithWindowMinimised(); } },
    { "超级按钮_全截图", ControlEvent::Click, [](MainWindow& w) { w.captureWithWindowShown(); } },
};

} // namespace

std::span<const CommandBinding> CommandMap()
{
    return commandTable;
}

void BindCommands(MainWindow& window)
{
    for (const auto& row : CommandMap()) {
        const QString name = QString::fromUtf8(row.control);
        auto run = [&window, command = row.command] { command(window); };
        switch (row.event) {
        case ControlEvent::Click:
            if (auto* button = window.findChild<QAbstractButton*>(name))
                QObject::connect(button, &QAbstractButton::clicked, &window, run);
            break;
        case ControlEvent::ItemChosen:
            if (auto* box = window.findChild<QComboBox*>(name))
                QObject::connect(box, &QComboBox::activated, &window, run);
            break;
        }
    }
}

void BindFileKeys(MainWindow& window)
{
    struct Key
    {
        QKeySequence key;
        void (MainWindow::*command)();
    };
    const Key keys[] = {
        { QKeySequence::Save, &MainWindow::saveDocument },
        { QKeySequence::Open, &MainWindow::openDocument },
        { QKeySequence::New, &MainWindow::newDocument },
        { QKeySequence(Qt::Key_F12), &MainWindow::previewInBrowser },
    };
    for (const auto& [key, command] : keys) {
        auto* shortcut = new QShortcut(key, &window);
        // The window's own shortcut: the engine and the code editor see their editing keys first, and
        // a dialog or the capture window, being active instead, keeps these from firing.
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &window, command);
    }
}

} // namespace inkwell
