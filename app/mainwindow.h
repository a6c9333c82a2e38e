// The program's one long-lived window: three toolbar strips above a tab control holding the
// design view's browser and the code view's editor. Every user command enters through one of its
// controls (see commandmap.h); the window runs the start-up creation sequence before it is shown.
#pragma once

#include "app/commandguard.h"
#include "app/documentcommands.h"
#include "app/recoveryscheduler.h"
#include "app/startupoutcome.h"
#include "core/runfolder.h"
#include "document/documentfilestatus.h"
#include "document/documentlocation.h"
#include "platform/browserengine.h"
#include "platform/instancelock.h"
#include "platform/qtmessageservice.h"

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QFileDialog;
class QTabWidget;

namespace inkwell {

class BrowserEngine;
class CodeView;
class DesignMenu;
class DesignView;
class FormattingCommands;
class IncomingPictures;
class PageProperties;
class TableCommands;
struct CaretFormat;
struct CaptureOutputContext;
class PageServer;

class MainWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // Creates every control; nothing is read or written on disk yet. programFolder is the folder that
    // holds the program, when the run folder is elsewhere (an installed program); empty: the run folder.
    explicit MainWindow(
        std::filesystem::path runFolder, std::filesystem::path programFolder = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up steps, in their fixed order. Ends the program at once when the program's folder lies
    // below the temporary folder or another copy is running (exit code 0), or when the single-copy lock
    // cannot be taken at all (non-zero, after saying why).
    [[nodiscard]] StartUpOutcome runCreationSequence();

    [[nodiscard]] const RunFolder& runFolder() const { return m_runFolder; }
    // The current document's location; the window is its one owner.
    [[nodiscard]] const DocumentLocation& document() const { return m_document; }

    [[nodiscard]] DesignView& designView() const { return *m_designView; }
    [[nodiscard]] CodeView& codeView() const { return *m_codeView; }
    [[nodiscard]] PageServer& pageServer() const { return *m_pageServer; }
    [[nodiscard]] FormattingCommands& formatting() const { return *m_formatting; }
    // The design view's menu, made in the creation sequence (groups of entries are added to it there).
    [[nodiscard]] DesignMenu& designMenu() const { return *m_designMenu; }
    [[nodiscard]] DocumentFileStatus& documentStatus() { return m_documentStatus; }
    // The table entries and "页面属性…" of the design view's menu; their commands run as the window's
    // commands do (see runEdit).
    [[nodiscard]] TableCommands& tables() const { return *m_tables; }
    [[nodiscard]] PageProperties& pageProperties() const { return *m_pageProperties; }

    // Runs a command of a control or key, unless one is running already: a command that waits for the
    // engine lets timers and signals run, and what they start must not run inside it (see CommandGuard).
    void runCommand(const std::function<void()>& command);
    // runCommand for a command that may change the page: the page counts as edited, and the toolbar
    // shows the formats at the caret afterwards.
    void runEdit(const std::function<void()>& command);

    // Commands bound in the command map.
    void newDocument();
    void openDocument();
    void saveDocument();
    void exportArchive();
    // Saves the document and shows its page, as the page server delivers it, in the user's browser.
    void previewInBrowser();
    void showDesignPage();
    void showCodePage();
    void applyChosenFontName();
    void applyChosenFontSize();
    void chooseTextColour();
    void chooseBackgroundColour();
    void captureWithWindowMinimised();
    void captureWithWindowShown();
    // Undo or redo in the design view: the engine's own steps, and each "设计" as one step.
    void moveThroughHistory(HistoryDirection direction);
    // Every command that may change the page says so, for the question asked before closing and for
    // the recovery copy.
    void noteEdited();
    // The format buttons pressed as the caret's text has them, the font boxes showing its font and size
    // (blank when the selection mixes them); nothing is applied.
    void showCaretFormat(const CaretFormat& format);
    void refreshCaretFormat();

    // Ends the program without a question, as a logout or a kill asks: unsaved changes go into the
    // recovery copy first.
    void endWithoutQuestion();
    [[nodiscard]] bool hasEnded() const { return m_stopped; }

    [[nodiscard]] RecoveryCopy& recoveryCopy() { return m_recovery->copy(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void applyLayout();
    void fillFontLists();
    void applyTitleFromSettings();
    void openWizardAtStartIfAsked();
    void stopWhatWasStarted();
    void loadBlankPage();
    void installEditWatch();
    void flushChanges();
    void clearCodeView();
    void reportRecoveryCopyFailed(const Error& error);
    [[nodiscard]] bool offerRecoveredPage();
    void reloadAfterRendererEnded();
    bool openWizard();
    // The wizard's history takes up a project: see reopenDocument in documentcommands.h.
    bool reopenDocument(const DocumentLocation& document);
    // After a command that may have saved, loaded or replaced the page: the recovery copy and the caption
    // follow.
    void noteSettled();
    // The caption shows the configured title and the file Save writes (see windowCaption).
    void refreshCaption();
    [[nodiscard]] DocumentContext documentContext();
    [[nodiscard]] CaptureOutputContext captureContext();

    RunFolder m_runFolder;
    std::filesystem::path m_programFolder;
    DocumentLocation m_document;
    std::optional<InstanceLock> m_instanceLock;
    DocumentFileStatus m_documentStatus;
    QtMessageService m_messages { this }; // every box of the window and of the commands it runs
    bool m_stopped = false;
    bool m_recoveryFailureShown = false; // a recovery copy that cannot be written is said once per run
    // title.ini's value, read once at start-up; until then the window keeps its designed caption.
    std::optional<std::string> m_configuredTitle;
    // The design view's change count when the code view's formatted page was the page: a "设计" that
    // finds it unchanged need not read the page again.
    std::uint64_t m_codePageAt = 0;
    CommandGuard m_commands;
    std::unique_ptr<RecoveryScheduler> m_recovery;

    // The process-wide objects, created empty with the window and set up by the creation sequence.
    std::unique_ptr<DesignView> m_designView;
    std::unique_ptr<CodeView> m_codeView;
    std::unique_ptr<PageServer> m_pageServer;
    std::unique_ptr<FormattingCommands> m_formatting;
    std::unique_ptr<IncomingPictures> m_incomingPictures;
    std::unique_ptr<TableCommands> m_tables;
    std::unique_ptr<PageProperties> m_pageProperties;
    std::unique_ptr<DesignMenu> m_designMenu;
    // The engine's processes start with its first page, so the design view takes it over only in the
    // creation sequence: a run that ends at the start-up checks never starts them.
    std::unique_ptr<BrowserEngine> m_browserEngine;

    QWidget* m_fileStrip = nullptr; // 图片框2
    QWidget* m_formatStrip = nullptr; // 图片框1
    QWidget* m_captureStrip = nullptr; // 图片框3
    QTabWidget* m_tabs = nullptr; // 高级选择夹1
    QWidget* m_designPage = nullptr;
    QWidget* m_codePage = nullptr;
    QWidget* m_browser = nullptr; // 互联网浏览器1
    QWidget* m_codeEditor = nullptr; // 代码编辑框1
    QComboBox* m_fontNames = nullptr; // 组合框_系统字体
    QComboBox* m_fontSizes = nullptr; // 组合框_字体大小
    QFileDialog* m_openDialog = nullptr; // 通用对话框_打开
    QFileDialog* m_exportDialog = nullptr; // 通用对话框_输出mht
};

} // namespace inkwell
