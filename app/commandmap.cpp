#include "app/commandmap.h"

#include "app/mainwindow.h"
#include "editing/formattingcommands.h"

#include <QShortcut>

namespace inkwell {
namespace {

// A formatting or insertion command of the design view; the page changes.
template <void (FormattingCommands::*command)()> void edit(MainWindow& w)
{
    (w.formatting().*command)();
    w.noteEdited();
}

template <void (MainWindow::*command)()> void run(MainWindow& w)
{
    (w.*command)();
}

constexpr ToolbarButton kButtons[] = {
    // Strip 1: file commands.
    { "超级按钮_新建", Strip::File, { 2, 9, 32, 32 }, "新建（Ctrl+N）", "document-new",
        run<&MainWindow::newDocument> },
    { "超级按钮_打开", Strip::File, { 39, 9, 32, 32 }, "打开（Ctrl+O）", "document-open",
        run<&MainWindow::openDocument> },
    { "超级按钮_保存", Strip::File, { 78, 9, 32, 32 }, "保存（Ctrl+S）", "document-save",
        run<&MainWindow::saveDocument> },

    // Strip 2: formatting, insertion and view commands.
    { "超级按钮_插入图片", Strip::Format, { 4, 6, 37, 44 }, "插入图片", "insert-image",
        edit<&FormattingCommands::insertPicture> },
    { "超级按钮_分割线", Strip::Format, { 237, 6, 22, 22 }, "插入水平线", "insert-horizontal-rule",
        edit<&FormattingCommands::insertRule> },
    { "超级按钮_表格", Strip::Format, { 260, 6, 22, 22 }, "插入表格", "insert-table",
        edit<&FormattingCommands::insertTable> },
    { "超级按钮_有序排列", Strip::Format, { 284, 6, 22, 22 }, "编号列表", "format-list-ordered",
        edit<&FormattingCommands::orderedList>, ButtonKind::Toggle },
    { "超级按钮_无序排列", Strip::Format, { 308, 6, 22, 22 }, "项目符号列表", "format-list-unordered",
        edit<&FormattingCommands::unorderedList>, ButtonKind::Toggle },
    { "超级按钮_设计", Strip::Format, { 330, 6, 47, 22 }, "设计视图（带回代码视图的改动）", "view-preview",
        run<&MainWindow::showDesignPage> },
    { "超级按钮_加粗", Strip::Format, { 45, 28, 22, 22 }, "加粗（Ctrl+B）", "format-text-bold",
        edit<&FormattingCommands::bold>, ButtonKind::Toggle },
    { "超级按钮_斜体", Strip::Format, { 69, 28, 22, 22 }, "斜体（Ctrl+I）", "format-text-italic",
        edit<&FormattingCommands::italic>, ButtonKind::Toggle },
    { "超级按钮_删除线", Strip::Format, { 93, 28, 22, 22 }, "删除线", "format-text-strikethrough",
        edit<&FormattingCommands::strikeThrough>, ButtonKind::Toggle },
    { "超级按钮_下划线", Strip::Format, { 117, 28, 22, 22 }, "下划线（Ctrl+U）", "format-text-underline",
        edit<&FormattingCommands::underline>, ButtonKind::Toggle },
    { "超级按钮_上标", Strip::Format, { 141, 28, 22, 22 }, "上标", "format-text-superscript",
        edit<&FormattingCommands::superscript>, ButtonKind::Toggle },
    { "超级按钮_下标", Strip::Format, { 164, 28, 22, 22 }, "下标", "format-text-subscript",
        edit<&FormattingCommands::subscript>, ButtonKind::Toggle },
    // The colour buttons pop up their palettes and apply the confirmed colour.
    { "超级按钮_字体颜色", Strip::Format, { 189, 28, 22, 22 }, "字体颜色", "format-text-color",
        run<&MainWindow::chooseTextColour> },
    { "超级按钮_背景颜色", Strip::Format, { 212, 28, 22, 22 }, "背景颜色", "format-fill-color",
        run<&MainWindow::chooseBackgroundColour> },
    { "超级按钮_超级链接", Strip::Format, { 237, 28, 22, 22 }, "超级链接（Ctrl+K）", "insert-link",
        edit<&FormattingCommands::insertLink> },
    { "超级按钮_左对齐", Strip::Format, { 260, 28, 22, 22 }, "左对齐", "format-justify-left",
        edit<&FormattingCommands::alignLeft>, ButtonKind::Toggle },
    { "超级按钮_居中对齐", Strip::Format, { 284, 28, 22, 22 }, "居中对齐", "format-justify-center",
        edit<&FormattingCommands::alignCenter>, ButtonKind::Toggle },
    { "超级按钮_右对齐", Strip::Format, { 308, 28, 22, 22 }, "右对齐", "format-justify-right",
        edit<&FormattingCommands::alignRight>, ButtonKind::Toggle },
    { "超级按钮_代码", Strip::Format, { 331, 28, 45, 22 }, "代码视图（重新排版的页面代码）",
        "format-text-code", run<&MainWindow::showCodePage> },
    { "超级按钮_另存为", Strip::Format, { 380, 5, 44, 49 }, "导出为mht格式文档", "document-export",
        run<&MainWindow::exportArchive> },

    // Strip 3: form fields and screen capture.
    { "超级按钮_分组框", Strip::Capture, { 2, 4, 22, 22 }, "分组框", ":/icons/field-set.svg",
        edit<&FormattingCommands::insertFieldSet> },
    { "超级按钮_按钮", Strip::Capture, { 2, 28, 22, 22 }, "插入按钮", "insert-button",
        edit<&FormattingCommands::insertButton> },
    { "超级按钮_复选框", Strip::Capture, { 27, 4, 22, 22 }, "插入复选框", "checkbox",
        edit<&FormattingCommands::insertCheckBox> },
    { "超级按钮_单选框", Strip::Capture, { 24, 27, 25, 25 }, "插入单选框", ":/icons/radio-button.svg",
        edit<&FormattingCommands::insertRadioButton> },
    { "超级按钮_文本框", Strip::Capture, { 52, 4, 22, 22 }, "插入文本框", "text-field",
        edit<&FormattingCommands::insertTextField> },
    { "超级按钮_多行文本框", Strip::Capture, { 52, 28, 22, 22 }, "插入多行文本框", ":/icons/text-area.svg",
        edit<&FormattingCommands::insertTextArea> },
    { "超级按钮_截图", Strip::Capture, { 80, 2, 24, 24 }, "截图，软件最小化", "transform-crop",
        run<&MainWindow::captureWithWindowMinimised> },
    { "超级按钮_全截图", Strip::Capture, { 80, 26, 24, 24 }, "截图，软件不最小化", "view-fullscreen",
        run<&MainWindow::captureWithWindowShown> },
};

} // namespace

std::span<const ToolbarButton> toolbarButtons()
{
    return kButtons;
}

void bindFileKeys(MainWindow& window)
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
        QObject::connect(shortcut, &QShortcut::activated, &window,
            [&window, command] { window.runCommand([&window, command] { (window.*command)(); }); });
    }
}

} // namespace inkwell
