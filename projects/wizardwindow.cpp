#include "projects/wizardwindow.h"

#include "core/ensurefolder.h"
#include "core/ignoredoutcome.h"
#include "projects/projectcreation.h"
#include "projects/projectfoldersetting.h"
#include "projects/projecthistory.h"
#include "projects/projecttypeicon.h"
#include "projects/wizardatstart.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

namespace inkwell {
namespace {

const QString kFolderPrompt = QStringLiteral("请选择要设置的工程文件目录");

// A Song face at 12 pixels, the size the form's texts were measured in. Where no Song face is
// installed a CJK serif face stands in.
QFont formFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Noto Sans CJK SC") });
    font.setPixelSize(12);
    return font;
}

} // namespace

WizardWindow::WizardWindow(WizardContext context, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_context(std::move(context))
    , m_document(m_context.document)
{
    setObjectName(QStringLiteral("WizardWindow"));
    setWindowTitle(QStringLiteral("程序新建向导"));
    setFont(formFont());
    setFixedSize(kClientSize);
    setModal(true);
    createControls();
    fillForm();
}

WizardWindow::~WizardWindow() = default;

void WizardWindow::createControls()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("高级选择夹1"));
    m_tabs->setGeometry(-1, -1, 651, 417);
    m_tabs->tabBar()->setFont(formFont());

    m_newPage = new QWidget;
    m_tabs->addTab(m_newPage, QStringLiteral("新建"));
    m_tabs->addTab(new QWidget, QStringLiteral("模板"));
    m_newPage->installEventFilter(this);

    m_history = new QTreeWidget(m_newPage);
    m_history->setObjectName(QStringLiteral("超级列表框_历史记录"));
    m_history->setColumnCount(1);
    m_history->setHeaderLabels({ QStringLiteral("历史记录") });
    m_history->header()->setStretchLastSection(false);
    m_history->setColumnWidth(0, 200);
    m_history->setRootIsDecorated(false);
    m_history->setEditTriggers(QAbstractItemView::NoEditTriggers);
    placeOnPage(m_history, { 4, 33, 202, 344 });

    m_types = new QListWidget(m_newPage);
    m_types->setObjectName(QStringLiteral("超级列表框_工程类型"));
    m_types->setViewMode(QListView::IconMode);
    m_types->setIconSize(QSize(48, 48));
    m_types->setMovement(QListView::Static);
    m_types->setResizeMode(QListView::Adjust);
    m_types->setSelectionMode(QAbstractItemView::SingleSelection);
    m_types->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_types->setDragEnabled(false);
    // An item's row is the number of the document kind it gives.
    m_types->addItem(new QListWidgetItem(QIcon(projectTypeIcon(DocumentKind::Html)), QStringLiteral("HTML")));
    m_types->addItem(
        new QListWidgetItem(QIcon(projectTypeIcon(DocumentKind::StyleSheet)), QStringLiteral("CSS")));
    m_types->clearSelection();
    placeOnPage(m_types, { 216, 33, 426, 304 });

    auto* nameLabel = new QLabel(QStringLiteral("文件名"), m_newPage);
    nameLabel->setObjectName(QStringLiteral("透明标签1"));
    nameLabel->setAttribute(Qt::WA_TranslucentBackground);
    placeOnPage(nameLabel, { 217, 345, 40, 24 });

    m_name = new QLineEdit(m_newPage);
    m_name->setObjectName(QStringLiteral("编辑框_工程名称"));
    placeOnPage(m_name, { 265, 345, 304, 24 });

    auto* create = new QPushButton(QStringLiteral("新建"), m_newPage);
    create->setObjectName(QStringLiteral("按钮_新建"));
    create->setAutoDefault(false);
    placeOnPage(create, { 577, 345, 64, 24 });

    auto* folderLabel = new QLabel(QStringLiteral("路径"), m_newPage);
    folderLabel->setObjectName(QStringLiteral("透明标签2"));
    folderLabel->setAttribute(Qt::WA_TranslucentBackground);
    placeOnPage(folderLabel, { 220, 385, 29, 24 });

    m_folder = new QLineEdit(m_newPage);
    m_folder->setObjectName(QStringLiteral("编辑框_工程目录"));
    placeOnPage(m_folder, { 265, 385, 304, 25 });

    auto* choose = new QPushButton(QStringLiteral("设置"), m_newPage);
    choose->setObjectName(QStringLiteral("按钮_设置目录"));
    choose->setAutoDefault(false);
    placeOnPage(choose, { 577, 385, 64, 24 });

    // The caption reads as the form was designed, although the box is about showing the wizard.
    m_showAtStart = new QCheckBox(QStringLiteral("启动时显示此想到"), m_newPage);
    m_showAtStart->setObjectName(QStringLiteral("选择框_启动不显示"));
    m_showAtStart->setChecked(true);
    placeOnPage(m_showAtStart, { 9, 393, 192, 16 });

    connect(choose, &QPushButton::clicked, this, &WizardWindow::chooseProjectFolder);
    connect(create, &QPushButton::clicked, this, &WizardWindow::createProject);
    // Activation is a double-click or Enter (a single click where the desktop opens items so).
    connect(m_history, &QTreeWidget::itemActivated, this, &WizardWindow::reopenFromHistory);
    // clicked comes after the box has taken its new state, and only from the user.
    connect(m_showAtStart, &QCheckBox::clicked, this, &WizardWindow::toggleWizardAtStart);
}

void WizardWindow::placeOnPage(QWidget* control, const QRect& geometry)
{
    m_placements.emplace_back(control, geometry);
    control->resize(geometry.size());
}

// The form gives the page's controls in the tab control's coordinates, tab strip included; the
// page itself starts below the strip, wherever the style puts it.
void WizardWindow::applyPagePlacement()
{
    const QPoint pageOrigin = m_newPage->mapTo(m_tabs, QPoint(0, 0));
    for (const auto& [control, geometry] : m_placements)
        control->setGeometry(geometry.translated(-pageOrigin));
}

bool WizardWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_newPage && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        applyPagePlacement();
    return QDialog::eventFilter(watched, event);
}

void WizardWindow::fillForm()
{
    ignoreOutcome(ensureFolder(m_context.runFolder.projectsFolder()),
        "the folder is made for the folder field's default; creating a project reports a folder it cannot "
        "make");
    m_folder->setText(QString::fromStdString(projectFolderSetting(m_context.runFolder)));
    m_historyRows = historyRows(
        ProjectHistory(m_context.runFolder).entries(), m_context.runFolder.path(), projectFileExists);
    for (std::size_t at = 0; at < m_historyRows.size(); ++at) {
        auto* item = new QTreeWidgetItem(QStringList { QString::fromStdString(m_historyRows[at].name) });
        item->setData(0, Qt::UserRole, QVariant::fromValue(at));
        item->setToolTip(0, QString::fromStdString(m_historyRows[at].file.string()));
        if (m_historyRows[at].missing)
            showAsMissing(item);
        m_history->addTopLevelItem(item);
    }
}

void WizardWindow::showAsMissing(QTreeWidgetItem* item) const
{
    item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    const auto& row = m_historyRows[item->data(0, Qt::UserRole).value<std::size_t>()];
    item->setToolTip(0, QString::fromStdString(row.file.string()) + QStringLiteral("\n（文件已不存在）"));
}

void WizardWindow::reopenFromHistory(QTreeWidgetItem* item)
{
    if (!item)
        return;
    HistoryRow& row = m_historyRows[item->data(0, Qt::UserRole).value<std::size_t>()];
    // Asked again now: the file may have gone since the list was filled.
    if (!projectFileExists(row.file)) {
        row.missing = true;
        showAsMissing(item);
        tell(missingProjectText(row));
        return;
    }
    if (!m_context.reopen || !m_context.reopen(row.document))
        return;
    m_document = row.document;
    m_projectReopened = true;
    accept();
}

void WizardWindow::centreOnScreen()
{
    const QScreen* where = screen();
    if (!where)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(where->availableGeometry().center());
    move(frame.topLeft());
}

void WizardWindow::chooseProjectFolder()
{
    const QString chosen
        = m_context.chooseFolder ? m_context.chooseFolder(this, kFolderPrompt, m_folder->text()) : QString();
    if (chosen.isEmpty())
        m_folder->setText(QString::fromStdString(projectFolderSetting(m_context.runFolder)));
    else
        m_folder->setText(chosen);
    // Until "新建" is pressed, a Save writes the current page under its current name into this folder.
    m_document.folder = m_folder->text().toStdString();
}

void WizardWindow::createProject()
{
    ProjectRequest request;
    if (const auto selected = m_types->selectedItems(); !selected.isEmpty())
        request.kind = static_cast<DocumentKind>(m_types->row(selected.first()));
    request.name = m_name->text().toStdString();
    request.folder = m_folder->text().toStdString();

    const Result<ProjectPlan> plan = checkProject(m_context.runFolder, request);
    if (!plan) {
        tell(plan.error().message);
        return;
    }
    // Asked before anything is touched, so "否" leaves the files, the history and the form as they
    // were.
    if (plan->documentFileExists) {
        if (messages().ask(kHintTitle, std::string(kProjectExists), Answer::No) != Answer::Yes)
            return;
    }

    Result<DocumentLocation> created = createPlannedProject(m_context.runFolder, *plan);
    if (!created) {
        tell(created.error().message);
        return;
    }
    m_document = std::move(created).value();
    m_projectCreated = true;
    accept();
}

MessageService& WizardWindow::messages()
{
    return m_context.messages;
}

void WizardWindow::tell(const std::string& text)
{
    (void)messages().show({ kHintTitle, text, { MessageButton::Ok }, MessageIcon::None });
}

void WizardWindow::toggleWizardAtStart()
{
    ignoreOutcome(setShowWizardAtStart(m_context.runFolder, m_showAtStart->isChecked()),
        "without a writable settings folder the choice holds for this run: the box still shows it");
}

WizardOutcome openWizard(QWidget* parent, const WizardContext& context)
{
    WizardWindow wizard(context, parent);
    wizard.centreOnScreen();
    wizard.exec();
    return { wizard.document(), wizard.projectCreated(), wizard.projectReopened() };
}

} // namespace inkwell
