// Drives the real main window in GUI tests as a user does: the started window, answers to the modal
// boxes and dialogs its commands open, clicks that give the page focus, picks in combo boxes.
#pragma once

#include "app/mainwindow.h"
#include "editing/designview.h"
#include "core/inifile.h"
#include "tests/support/eventually.h"
#include "tests/support/tempfolder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>

// Failures show texts as text, not as lists of UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace inkwell::testing {

inline const std::filesystem::path kBinaryDir = INKWELL_BINARY_DIR;

// The main window after its creation sequence, shown and active, in a fresh run folder; the wizard is
// switched off.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest()
        : m_run(kBinaryDir / "test-runs")
    {
        std::filesystem::create_directories(m_run.path() / "system");
        EXPECT_TRUE(IniFile(m_run.path() / "system" / "guid.ini").write("向导", "是否显示", "假"));
        m_window = std::make_unique<MainWindow>(m_run.path());
        EXPECT_TRUE(m_window->runCreationSequence());
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        // Keys and the engine's clipboard actions go to the focused page of the active window only.
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    template <typename T> T* control(const char* name) const
    {
        return m_window->findChild<T*>(QString::fromUtf8(name));
    }

    QRect geometryOf(const char* name) const { return control<QWidget>(name)->geometry(); }

    TempFolder m_run;
    std::unique_ptr<MainWindow> m_window;
};

// Answers every modal window that comes up while it lives: a message box with the button of the given
// caption (recording its title and text), a file dialog with the file to choose (or cancelled when
// there is none), a colour picker with the colour to confirm (or cancelled), and any other dialog (the
// wizard) by closing it. Each dialog's name or title is recorded.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(QString button = QStringLiteral("确定"))
        : m_button(std::move(button))
    {
        m_timer.setInterval(30);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

    void setButton(QString button) { m_button = std::move(button); }
    void setFile(QString file) { m_file = std::move(file); }
    void setColour(QColor colour) { m_colour = colour; }
    // Runs once with each file dialog before it is answered, for a test that looks at it or works it.
    void setFileDialogScript(std::function<void(QFileDialog*)> script) { m_fileScript = std::move(script); }
    // Runs once with each message box before it is answered, for a test that looks at the state the
    // program is in while it waits for the answer.
    void setBoxScript(std::function<void(QMessageBox*)> script) { m_boxScript = std::move(script); }

    QStringList boxes; // "title: text" of each message box
    int fileDialogs = 0;
    QStringList dialogNames; // object name of each file dialog and colour picker
    QStringList otherDialogs; // window title of each other dialog

private:
    void answer()
    {
        // A script run on a dialog may wait for events, which brings this timer back meanwhile.
        if (m_busy)
            return;
        m_busy = true;
        answerOne();
        m_busy = false;
    }

    void answerOne()
    {
        // Looked up among the windows rather than as the active modal widget: without a window
        // manager a dialog need not become active.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->isModal())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                if (m_boxScript)
                    m_boxScript(box);
                for (auto* button : box->buttons()) {
                    if (button->text() == m_button) {
                        button->click();
                        return;
                    }
                }
                box->reject();
                return;
            }
            if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
                ++fileDialogs;
                dialogNames << dialog->objectName();
                if (m_fileScript)
                    m_fileScript(dialog);
                if (m_file.isEmpty()) {
                    dialog->reject();
                    return;
                }
                // selectFile leaves a focused name field as it is, so the name is typed in. Files
                // selected in the dialog's views count before a typed name, and a name field without
                // focus leaves the file chosen the last time selected there: that selection goes first.
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    for (const char* viewName : { "listView", "treeView" }) {
                        auto* view = dialog->findChild<QAbstractItemView*>(QString::fromUtf8(viewName));
                        if (view && view->selectionModel())
                            view->selectionModel()->clear();
                    }
                    name->setText(m_file);
                } else
                    dialog->selectFile(m_file);
                QMetaObject::invokeMethod(dialog, "accept");
                return;
            }
            if (auto* picker = qobject_cast<QColorDialog*>(widget)) {
                dialogNames << picker->objectName();
                if (!m_colour.isValid()) {
                    picker->reject();
                    return;
                }
                picker->setCurrentColor(m_colour);
                QMetaObject::invokeMethod(picker, "accept");
                return;
            }
            if (auto* dialog = qobject_cast<QDialog*>(widget)) {
                otherDialogs << dialog->windowTitle();
                dialog->reject();
                return;
            }
        }
    }

    QTimer m_timer;
    QString m_button;
    QString m_file;
    QColor m_colour;
    std::function<void(QFileDialog*)> m_fileScript;
    std::function<void(QMessageBox*)> m_boxScript;
    bool m_busy = false;
};

// Paragraph text of the page as the user sees it, whatever markup the engine wrapped around it.
inline QString visibleText(MainWindow& window)
{
    const auto value = window.designView().engine()->evaluate(QStringLiteral("document.body.innerText"));
    return value ? value->toString() : QString();
}

// Runs a script beside the page and waits for its value (an invalid one after five seconds).
inline QVariant evaluateIn(QWebEngineView* browser, const QString& script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    browser->page()->runJavaScript(
        script, QWebEngineScript::ApplicationWorld, [result](const QVariant& value) { *result = value; });
    Eventually([&] { return result->has_value(); }, 5000);
    return result->value_or(QVariant());
}

// Gives the page the focus as a click does (the engine takes keys and clipboard actions only into a
// focused frame), then sets the selection with a script. The click places a caret of its own whenever
// the engine gets to it, which on a busy machine can be after the script: the script's selection is
// set again until it stays.
inline void select(QWebEngineView* browser, const char* script)
{
    QWidget* target = browser->focusProxy() ? browser->focusProxy() : browser;
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(30, 15));
    Eventually([&] { return target->hasFocus(); }, 2000);
    Eventually(
        [&] { return evaluateIn(browser, QStringLiteral("getSelection().rangeCount>0")).toBool(); }, 3000);
    const QString state = QStringLiteral("(function(){var s=getSelection();return s.rangeCount?"
                                         "s.anchorOffset+','+s.focusOffset+','+s.toString():'';})()");
    for (int attempt = 0; attempt < 10; ++attempt) {
        (void)evaluateIn(browser, QString::fromUtf8(script) + QStringLiteral(";true"));
        const QString set = evaluateIn(browser, state).toString();
        QTest::qWait(150); // proves an absence: nothing moves the selection after it was set
        if (evaluateIn(browser, state).toString() == set)
            break;
    }
}

// The word "two" of the page's first paragraph "one two".
inline constexpr const char* kSelectTwo
    = "var r=document.createRange();var t=document.querySelector('p').firstChild;"
      "r.setStart(t,4);r.setEnd(t,7);var s=getSelection();s.removeAllRanges();"
      "s.addRange(r);";
inline constexpr const char* kCaretAtEnd
    = "var r=document.createRange();r.selectNodeContents(document.querySelector('p'));"
      "r.collapse(false);var s=getSelection();s.removeAllRanges();s.addRange(r);";

// Chooses an item of a combo box with the mouse: opens its list and clicks the item, which is what
// makes the box report a choice of the user. False when the item is not in the list.
inline bool pickItem(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    if (index < 0)
        return false;
    QTest::mouseClick(box, Qt::LeftButton);
    QAbstractItemView* list = box->view();
    if (!Eventually([&] { return list->isVisible(); }, 2000))
        return false;
    // The list ignores a release that comes too soon after it opened (the press that opened it).
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QModelIndex item = list->model()->index(index, box->modelColumn(), list->rootIndex());
    list->scrollTo(item);
    // The list may be wider than the pop-up that shows it; the click goes where the item is seen.
    const QRect shown(list->viewport()->mapFrom(list->window(), QPoint(0, 0)), list->window()->size());
    const QRect target = list->visualRect(item) & shown;
    if (target.isEmpty())
        return false;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, target.center());
    return Eventually([&] { return !list->isVisible(); }, 2000) && box->currentIndex() == index;
}

} // namespace inkwell::testing
