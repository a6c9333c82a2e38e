#include "app/mainwindow.h"

#include "app/commandmap.h"
#include "app/mainwindowlayout.h"
#include "app/timestampname.h"
#include "app/toolbaricons.h"
#include "editing/codefindbar.h"
#include "editing/codeview.h"
#include "editing/designmenu.h"
#include "editing/designview.h"
#include "editing/formattingcommands.h"
#include "editing/pageproperties.h"
#include "editing/tablecommands.h"
#include "incoming/incomingpictures.h"
#include "platform/browserengine.h"
#include "platform/codeeditor.h"
#include "publishing/pageserver.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace inkwell {
namespace {

QRect toQRect(const LayoutRect& r)
{
    return QRect(r.left, r.top, r.width, r.height);
}

QToolButton* addToolbarButton(QWidget* strip, const ToolbarButton& entry)
{
    auto* button = new QToolButton(strip);
    button->setObjectName(QString::fromUtf8(entry.name));
    button->setGeometry(toQRect(entry.geometry));
    button->setAutoRaise(true); // flat until the pointer is over it
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(toolbarIcon(QString::fromUtf8(entry.icon)));
    const int side = std::min(entry.geometry.width, entry.geometry.height) - 6;
    button->setIconSize(QSize(side, side));
    if (entry.tooltip)
        button->setToolTip(QString::fromUtf8(entry.tooltip));
    button->setCheckable(entry.kind == ButtonKind::Toggle);
    button->setFocusPolicy(Qt::NoFocus); // the selection in the page must stay where it is
    return button;
}

QWidget* addStrip(QWidget* parent, const char* name, QRect designed)
{
    auto* strip = new QWidget(parent);
    strip->setObjectName(QString::fromUtf8(name));
    strip->setGeometry(designed);
    return strip;
}

// Invisible components: dialogs live as hidden named children and are shown only when a command asks.
QFileDialog* addFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromUtf8(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->hide();
    return dialog;
}

// The tab captions are set in 宋体, a Song-style serif face; this system's counterpart is the serif
// CJK face of the fonts it installs.
QFont songStyleFontOfPixels(int pixels)
{
    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixels);
    return font;
}

} // namespace

MainWindow::MainWindow(std::filesystem::path runFolder, std::filesystem::path programFolder, QWidget* parent)
    : QWidget(parent)
    , m_runFolder(std::move(runFolder))
    , m_programFolder(programFolder.empty() ? m_runFolder.path() : std::move(programFolder))
    , m_designView(std::make_unique<DesignView>())
    , m_codeView(std::make_unique<CodeView>())
    , m_pageServer(std::make_unique<PageServer>(m_runFolder.path()))
{
    m_recovery = std::make_unique<RecoveryScheduler>(
        m_runFolder, m_documentStatus, [this] { return m_document; },
        [this](std::function<void(std::optional<PageText>)> done) {
            m_designView->readPageTextLater(std::move(done));
        },
        [this](std::function<void()> work) { m_commands.runOrDefer(std::move(work)); });
    m_recovery->onWriteFailed([this](const Error& error) { reportRecoveryCopyFailed(error); });
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Pennant")); // the designed caption; start-up replaces it
    resize(824, 578);
    createControls();
    m_formatting = std::make_unique<FormattingCommands>(
        *m_designView, this, m_messages, [this] { return m_document.folder; });
    m_incomingPictures
        = std::make_unique<IncomingPictures>(*m_designView, &m_messages, [] { return timeStampName(); });
    m_tables = std::make_unique<TableCommands>(*m_designView, this);
    m_tables->setRunner([this](const std::function<void()>& command) { runEdit(command); });
    m_pageProperties = std::make_unique<PageProperties>(*m_designView, this);
    bindFileKeys(*this);
}

MainWindow::~MainWindow()
{
    stopWhatWasStarted();
}

void MainWindow::createControls()
{
    useToolbarIconTheme();
    const auto addButtons = [this](QWidget* strip, Strip which) {
        for (const ToolbarButton& entry : toolbarButtons()) {
            if (entry.strip != which)
                continue;
            auto* button = addToolbarButton(strip, entry);
            connect(button, &QAbstractButton::clicked, this, [this, command = entry.command] {
                runCommand([this, command] { command(*this); });
                refreshCaretFormat();
            });
        }
    };

    m_fileStrip = addStrip(this, "图片框2", QRect(1, 0, 110, 50));
    addButtons(m_fileStrip, Strip::File);
    m_openDialog = addFileDialog(m_fileStrip, "通用对话框_打开", QFileDialog::AcceptOpen);

    m_formatStrip = addStrip(this, "图片框1", QRect(116, -1, 430, 50));
    addButtons(m_formatStrip, Strip::Format);
    m_fontNames = new QComboBox(m_formatStrip);
    m_fontNames->setObjectName(QStringLiteral("组合框_系统字体"));
    m_fontNames->setGeometry(45, 6, 143, 20);
    m_fontNames->setFocusPolicy(Qt::NoFocus);
    m_fontSizes = new QComboBox(m_formatStrip);
    m_fontSizes->setObjectName(QStringLiteral("组合框_字体大小"));
    m_fontSizes->setGeometry(189, 6, 47, 20);
    m_fontSizes->setFocusPolicy(Qt::NoFocus);
    // A choice the user made, not a change the program makes (the selection at start-up).
    connect(
        m_fontNames, &QComboBox::activated, this, [this] { runCommand([this] { applyChosenFontName(); }); });
    connect(
        m_fontSizes, &QComboBox::activated, this, [this] { runCommand([this] { applyChosenFontSize(); }); });
    m_exportDialog = addFileDialog(m_formatStrip, "通用对话框_输出mht", QFileDialog::AcceptSave);

    m_captureStrip = addStrip(this, "图片框3", QRect(552, 0, 264, 50));
    addButtons(m_captureStrip, Strip::Capture);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("高级选择夹1"));
    m_tabs->setGeometry(0, 56, 818, 496);
    m_tabs->tabBar()->setFont(songStyleFontOfPixels(12));
    m_designPage = new QWidget;
    m_codePage = new QWidget;
    m_tabs->addTab(m_designPage, QStringLiteral("设计"));
    m_tabs->addTab(m_codePage, QStringLiteral("代码"));

    auto browser = createBrowser(m_designPage);
    m_browser = browser.view;
    m_browserEngine = std::move(browser.engine);
    m_browser->setObjectName(QStringLiteral("互联网浏览器1"));
    m_browser->setGeometry(8, 32, 800, 456);
    m_designPage->installEventFilter(this);

    auto editor = createCodeEditor(m_codePage);
    m_codeEditor = editor.widget;
    m_codeEditor->setObjectName(QStringLiteral("代码编辑框1"));
    m_codeEditor->setGeometry(toQRect(kCodeEditorRect));
    m_codeView->attach(std::move(editor.editor));
    new CodeFindBar(*m_codeView, m_codeEditor);

    m_tabs->setCurrentIndex(0);
}

void MainWindow::runCommand(const std::function<void()>& command)
{
    (void)m_commands.run(command);
}

void MainWindow::runEdit(const std::function<void()>& command)
{
    runCommand([this, &command] {
        command();
        noteEdited();
    });
    refreshCaretFormat();
}

void MainWindow::refreshCaretFormat()
{
    if (m_stopped || m_commands.busy())
        return;
    if (const auto format = m_designView->caretFormat())
        showCaretFormat(*format);
}

void MainWindow::showCaretFormat(const CaretFormat& format)
{
    const std::pair<const char*, bool> pressed[] = {
        { "超级按钮_加粗", format.bold },
        { "超级按钮_斜体", format.italic },
        { "超级按钮_下划线", format.underline },
        { "超级按钮_删除线", format.strikeThrough },
        { "超级按钮_上标", format.superscript },
        { "超级按钮_下标", format.subscript },
        { "超级按钮_左对齐", format.alignLeft },
        { "超级按钮_居中对齐", format.alignCenter },
        { "超级按钮_右对齐", format.alignRight },
        { "超级按钮_有序排列", format.orderedList },
        { "超级按钮_无序排列", format.unorderedList },
    };
    for (const auto& [name, on] : pressed) {
        if (auto* button = findChild<QToolButton*>(QString::fromUtf8(name)))
            button->setChecked(on);
    }
    // Set by index, which the boxes do not report as the user's choice (that is `activated`): showing a
    // value never applies it.
    m_fontNames->setCurrentIndex(
        format.fontName.isEmpty() ? -1 : m_fontNames->findText(format.fontName, Qt::MatchFixedString));
    m_fontSizes->setCurrentIndex(
        format.fontSize ? m_fontSizes->findText(QString::number(*format.fontSize)) : -1);
}

void MainWindow::applyLayout()
{
    const auto layout = layoutMainWindow(width(), height());
    m_fileStrip->setGeometry(toQRect(layout.fileStrip));
    m_formatStrip->setGeometry(toQRect(layout.formatStrip));
    m_captureStrip->setGeometry(toQRect(layout.captureStrip));
    m_tabs->setGeometry(toQRect(layout.tabControl));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void MainWindow::installEditWatch()
{
    m_browser->installEventFilter(this);
    for (auto* child : m_browser->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Typing into the page changes it. The engine hands keys to a child widget it creates with the
    // first page, so every child of the browser is watched as it appears.
    if (watched == m_browser && event->type() == QEvent::ChildAdded) {
        if (auto* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
            child->installEventFilter(this);
    }
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
        && (watched == m_browser || watched->parent() == m_browser))
        noteEdited();
    // The design page is the tab control's area below its captions; the browser fills it.
    if (watched == m_designPage && event->type() == QEvent::Resize)
        m_browser->setGeometry(toQRect(browserRectInPage(m_designPage->width(), m_designPage->height())));
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Asked while a command waits for the engine, the question and its save would run inside it.
    if (!m_stopped && m_commands.busy()) {
        event->ignore();
        return;
    }
    if (!m_stopped) {
        flushChanges();
        auto context = documentContext();
        if (confirmClose(context) == CloseDecision::StayOpen) {
            event->ignore();
            return;
        }
        // Saved, discarded or untouched: nothing is left to recover.
        m_recovery->discard();
    }
    stopWhatWasStarted();
    event->accept();
}

void MainWindow::stopWhatWasStarted()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_recovery->stop();
    m_pageServer->stop();
}

} // namespace inkwell
