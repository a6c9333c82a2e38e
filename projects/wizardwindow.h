// The new-project wizard "程序新建向导": a fixed-size modal window where the user picks a project
// type, names the project and chooses its parent folder. Its buttons run the project records'
// logic; the window itself only shows the records and passes the typed values on.
#pragma once

#include "projects/historyrows.h"
#include "projects/wizardcontext.h"

#include <QDialog>
#include <QRect>
#include <QSize>
#include <utility>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace inkwell {

class WizardWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WizardWindow)

public:
    // The window's outer size as designed, frame included.
    static constexpr QSize kOuterSize { 656, 441 };
    // The area the controls were laid out for: the outer size less a 3-pixel fixed border on every
    // side and a 19-pixel caption. The tab control overhangs it by one pixel on each side, which
    // hides the control's own border against the window edge.
    static constexpr QSize kClientSize { 650, 416 };

    // Builds the form and fills it as each opening does: the "project" folder is made, the folder
    // box gets the default project folder and the history list the recorded projects.
    explicit WizardWindow(WizardContext context, QWidget* parent = nullptr);
    ~WizardWindow() override;

    // "设置": asks for a folder; cancelling puts the default folder back. Either way the folder
    // box's text becomes the current document's folder.
    void chooseProjectFolder();
    // "新建": creates the project and closes the window, or says why not and stays open. Over an
    // existing document file it asks first; "否" stays open with nothing changed.
    void createProject();
    // The start-up check box was clicked: its new state is written to "system/guid.ini".
    void toggleWizardAtStart();
    // A history row was double-clicked or chosen with Enter: its project becomes the current document
    // and the window closes, unless its file is gone (said in a box) or the reopening stopped.
    void reopenFromHistory(QTreeWidgetItem* item);

    // True once "新建" has created a project.
    [[nodiscard]] bool projectCreated() const { return m_projectCreated; }
    // True once a project was taken up again from the history.
    [[nodiscard]] bool projectReopened() const { return m_projectReopened; }
    // The current document as the wizard leaves it: the one it opened with, moved to the folder "设置"
    // chose, the new project's document, or the reopened one.
    [[nodiscard]] const DocumentLocation& document() const { return m_document; }

    // Places the window in the middle of the available area of its screen.
    void centreOnScreen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void placeOnPage(QWidget* control, const QRect& geometry);
    void applyPagePlacement();
    void fillForm();
    // Greys a history row whose file is gone and says so in its tooltip.
    void showAsMissing(QTreeWidgetItem* item) const;

    // The context's boxes, or the wizard's own.
    MessageService& messages();
    // A refusal: no icon, the toolkit's OK.
    void tell(const std::string& text);

    WizardContext m_context;
    DocumentLocation m_document;
    bool m_projectCreated = false;
    bool m_projectReopened = false;
    std::vector<HistoryRow> m_historyRows; // in the list's order

    QTabWidget* m_tabs = nullptr; // 高级选择夹1
    QWidget* m_newPage = nullptr;
    QTreeWidget* m_history = nullptr; // 超级列表框_历史记录
    QListWidget* m_types = nullptr; // 超级列表框_工程类型
    QLineEdit* m_name = nullptr; // 编辑框_工程名称
    QLineEdit* m_folder = nullptr; // 编辑框_工程目录
    QCheckBox* m_showAtStart = nullptr; // 选择框_启动不显示

    // Controls of the "新建" page with their geometry in the tab control's own coordinates.
    std::vector<std::pair<QWidget*, QRect>> m_placements;
};

// What the wizard leaves behind when it closes.
struct [[nodiscard]] WizardOutcome
{
    DocumentLocation document; // the current document from now on; the caller stores it
    bool projectCreated = false; // the document is a new project's, and wants the blank page
    bool projectReopened = false; // the document was reopened from the history, its page loaded
};

// Opens the wizard modally over parent (which may be hidden or null) and returns when it closes.
WizardOutcome openWizard(QWidget* parent, const WizardContext& context);

} // namespace inkwell
