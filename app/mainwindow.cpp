#include "app/mainwindow.h"

#include "app/commandmap.h"
#include "app/mainwindowlayout.h"
#include "app/toolbaricons.h"
#include "editing/codefindbar.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/formattingcommands.h"
#include "publishing/pageserver.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>
#include <Qsci/qsciscintilla.h>

namespace inkwell {
namespace {

QRect toQRect(const LayoutRect& r)
{
    return QRect(r.left, r.top, r.width, r.height);
}

struct ImageButton
{
    const char* name;
    int left, top, width, height; // pixels in the strip; most buttons are 22 x 22
    const char* tooltip; // nullptr: no tooltip
};

// Strip 1: file commands.
constexpr ImageButton fileButtons[] = {
    { "超级按钮_新建", 2, 9, 32, 32, "新建" },
    { "超级按钮_打开", 39, 9, 32, 32, "打开" },
    { "超级按钮_保存", 78, 9, 32, 32, "保存" },
};

// Strip 2: formatting, insertion and view commands.
constexpr ImageButton formatButtons[] = {
    { "超级按钮_插入图片", 4, 6, 37, 44, nullptr },
    { "超级按钮_分割线", 237, 6, 22, 22, nullptr },
    { "超级按钮_表格", 260, 6, 22, 22, nullptr },
    { "超级按钮_有序排列", 284, 6, 22, 22, nullptr },
    { "超级按钮_无序排列", 308, 6, 22, 22, nullptr },
    { "超级按钮_设计", 330, 6, 47, 22, nullptr },
    { "超级按钮_加粗", 45, 28, 22, 22, nullptr },
    { "超级按钮_斜体", 69, 28, 22, 22, nullptr },
    { "超级按钮_删除线", 93, 28, 22, 22, "删除线" },
    { "超级按钮_下划线", 117, 28, 22, 22, nullptr },
    { "超级按钮_上标", 141, 28, 22, 22, nullptr },
    { "超级按钮_下标", 164, 28, 22, 22, nullptr },
    { "超级按钮_字体颜色", 189, 28, 22, 22, nullptr },
    { "超级按钮_背景颜色", 212, 28, 22, 22, nullptr },
    { "超级按钮_超级链接", 237, 28, 22, 22, nullptr },
    { "超级按钮_左对齐", 260, 28, 22, 22, nullptr },
    { "超级按钮_居中对齐", 284, 28, 22, 22, nullptr },
    { "超级按钮_右对齐", 308, 28, 22, 22, nullptr },
    { "超级按钮_代码", 331, 28, 45, 22, nullptr },
    { "超级按钮_另存为", 380, 5, 44, 49, "导出为mht格式文档" },
};

// Strip 3: form fields and screen capture.
constexpr ImageButton captureButtons[] = {
    { "超级按钮_分组框", 2, 4, 22, 22, "分组框" },
    { "超级按钮_按钮", 2, 28, 22, 22, nullptr },
    { "超级按钮_复选框", 27, 4, 22, 22, nullptr },
    { "超级按钮_单选框", 24, 27, 25, 25, nullptr },
    { "超级按钮_文本框", 52, 4, 22, 22, nullptr },
    { "超级按钮_多行文本框", 52, 28, 22, 22, nullptr },
    { "超级按钮_截图", 80, 2, 24, 24, "截图，软件最小化" },
    { "超级按钮_全截图", 80, 26, 24, 24, "截图，软件不最小化" },
};

template <std::size_t N> void addImageButtons(QWidget* strip, const ImageButton (&buttons)[N])
{
    for (const auto& entry : buttons) {
        auto* button = new QToolButton(strip);
        const QString name = QString::fromUtf8(entry.name);
        button->setObjectName(name);
        button->setGeometry(entry.left, entry.top, entry.width, entry.height);
        button->setAutoRaise(true); // flat until the pointer is over it
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIcon(ToolbarIcon(name));
        const int side = std::min(entry.width, entry.height) - 6;
        button->setIconSize(QSize(side, side));
        if (entry.tooltip)
            button->setToolTip(QString::fromUtf8(entry.tooltip));
        button->setFocusPolicy(Qt::NoFocus); // the selection in the page must stay where it is
    }
}

QWidget* addStrip(QWidget* parent, const char* name, QRect designed)
{
    auto* strip = new QWidget(parent);
    strip->setObjectName(QString::fromUtf8(name));
    strip->setGeometry(designed);
    return strip;
}

// Invisible components: dialogs live as named children and are shown only when a command asks.
QFileDialog* addFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromUtf8(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->hide();
    return dialog;
}

QColorDialog* addColourPicker(QWidget* parent, const char* name)
{
    auto* picker = new QColorDialog(parent);
    picker->setObjectName(QString::fromUtf8(name));
    picker->hide();
    return picker;
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

MainWindow::MainWindow(std::filesystem::path runFolder, QWidget* parent)
    : QWidget(parent)
    , m_runFolder(std::move(runFolder))
    , m_designView(std::make_unique<DesignView>())
    , m_codeView(std::make_unique<CodeView>())
    , m_pageServer(std::make_unique<PageServer>(m_runFolder.path()))
{
    m_recovery = std::make_unique<RecoveryCopy>(m_runFolder);
    m_recoveryWriter = std::make_unique<QThreadPool>();
    m_recoveryWriter->setMaxThreadCount(1);
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { writeRecoveryCopy(); });
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Pennant")); // the designed caption; start-up replaces it
    resize(824, 578);
    createControls();
    m_formatting = std::make_unique<FormattingCommands>(*m_designView, this);
    useNamedDialogs();
    BindCommands(*this);
    BindFileKeys(*this);
}

MainWindow::~MainWindow()
{
    stopWhatWasStarted();
    m_recoveryWriter->waitForDone();
}

void MainWindow::createControls()
{
    UseToolbarIconTheme();

    m_fileStrip = addStrip(this, "图片框2", QRect(1, 0, 110, 50));
    addImageButtons(m_fileStrip, fileButtons);
    addFileDialog(m_fileStrip, "通用对话框_打开", QFileDialog::AcceptOpen);

    m_formatStrip = addStrip(this, "图片框1", QRect(116, -1, 430, 50));
    addImageButtons(m_formatStrip, formatButtons);
    findChild<QToolButton*>(QStringLiteral("超级按钮_加粗"))->setCheckable(true);
    m_fontNames = new QComboBox(m_formatStrip);
    m_fontNames->setObjectName(QStringLiteral("组合框_系统字体"));
    m_fontNames->setGeometry(45, 6, 143, 20);
    m_fontNames->setFocusPolicy(Qt::NoFocus);
    m_fontSizes = new QComboBox(m_formatStrip);
    m_fontSizes->setObjectName(QStringLiteral("组合框_字体大小"));
    m_fontSizes->setGeometry(189, 6, 47, 20);
    m_fontSizes->setFocusPolicy(Qt::NoFocus);
    addColourPicker(m_formatStrip, "颜色选择器_字体颜色");
    addColourPicker(m_formatStrip, "颜色选择器_背景颜色");
    FormattingCommands::preparePictureDialog(
        *addFileDialog(m_formatStrip, "通用对话框_插入图片", QFileDialog::AcceptOpen));
    addFileDialog(m_formatStrip, "通用对话框_输出mht", QFileDialog::AcceptSave);

    m_captureStrip = addStrip(this, "图片框3", QRect(552, 0, 264, 50));
    addImageButtons(m_captureStrip, captureButtons);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("高级选择夹1"));
    m_tabs->setGeometry(0, 56, 818, 496);
    m_tabs->tabBar()->setFont(songStyleFontOfPixels(12));
    m_designPage = new QWidget;
    m_codePage = new QWidget;
    m_tabs->addTab(m_designPage, QStringLiteral("设计"));
    m_tabs->addTab(m_codePage, QStringLiteral("代码"));

    m_browser = new QWebEngineView(m_designPage);
    m_browser->setObjectName(QStringLiteral("互联网浏览器1"));
    m_browser->setGeometry(8, 32, 800, 456);
    m_designPage->installEventFilter(this);

    m_codeEditor = new QsciScintilla(m_codePage);
    m_codeEditor->setObjectName(QStringLiteral("代码编辑框1"));
    m_codeEditor->setGeometry(toQRect(CodeEditorRect));
    new CodeFindBar(*m_codeView, m_codeEditor);

    m_tabs->setCurrentIndex(0);
}

void MainWindow::applyLayout()
{
    const auto layout = LayoutMainWindow(width(), height());
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
        m_browser->setGeometry(toQRect(BrowserRectInPage(m_designPage->width(), m_designPage->height())));
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_stopped) {
        flushChanges();
        auto context = documentContext();
        if (confirmClose(context) == CloseDecision::StayOpen) {
            event->ignore();
            return;
        }
        // Saved, discarded or untouched: nothing is left to recover.
        m_recoveryTimer->stop();
        m_recoveryWriter->waitForDone();
        m_recovery->remove();
    }
    stopWhatWasStarted();
    event->accept();
}

void MainWindow::stopWhatWasStarted()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_pageServer->Stop();
}

} // namespace inkwell
