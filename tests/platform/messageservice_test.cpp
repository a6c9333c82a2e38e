// The QMessageBox form of the message service: the boxes the program's notes and questions come up as,
// answered by keys and clicks.
#include "platform/qtmessageservice.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

// What a box showed while it was up.
struct Seen
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList captions; // in the box's order
    QString defaultCaption; // empty: no default button set
    QString escapeCaption; // empty: none set
    QWidget* parent = nullptr;
};

class QtMessageBoxes : public ::testing::Test
{
protected:
    // Runs `show` and, once its box is up, records it and runs `answer` on it.
    static Seen whileShown(const std::function<void()>& show, const std::function<void(QMessageBox*)>& answer)
    {
        Seen seen;
        bool answered = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (answered || !box || !box->isVisible())
                return;
            answered = true;
            seen = { box->windowTitle(), box->text(), box->icon(), {}, {}, {}, box->parentWidget() };
            for (auto* button : box->buttons())
                seen.captions << button->text();
            if (box->defaultButton())
                seen.defaultCaption = box->defaultButton()->text();
            if (box->escapeButton())
                seen.escapeCaption = box->escapeButton()->text();
            answer(box);
        });
        poll.start();
        show();
        EXPECT_TRUE(answered) << "no box came up";
        return seen;
    }

    static void press(QMessageBox* box, Qt::Key key) { QTest::keyClick(box, key); }

    QWidget m_window;
    QtMessageService m_messages { &m_window };
};

TEST_F(QtMessageBoxes, InformIsAnInformationBoxWithOneDefaultOkOverItsOwner)
{
    const QString okCaption = QStringLiteral("确定");
    for (const auto owner : { MessageOwner::Window, MessageOwner::Screen }) {
        SCOPED_TRACE(owner == MessageOwner::Window ? "window" : "screen");
        const Seen seen = whileShown([&] { m_messages.inform(kHintTitle, "页面\n第二行", owner); },
            [](QMessageBox* box) { press(box, Qt::Key_Return); });
        EXPECT_EQ(seen.title, QStringLiteral("提示"));
        EXPECT_EQ(seen.text, QStringLiteral("页面\n第二行"));
        EXPECT_EQ(seen.icon, QMessageBox::Information);
        EXPECT_EQ(seen.captions, QStringList { okCaption }) << "whatever translations the toolkit has";
        EXPECT_EQ(seen.defaultCaption, okCaption);
        EXPECT_EQ(seen.parent, owner == MessageOwner::Window ? &m_window : nullptr);
    }
}

struct AskCase
{
    const char* label;
    Answer preselected;
    Qt::Key key;
    Answer expected;
};

class QtQuestions : public QtMessageBoxes, public ::testing::WithParamInterface<AskCase>
{
};

// "是" and "否" whatever translations are loaded; Return takes the preselected answer, Escape is always "否".
TEST_P(QtQuestions, AskAnswersYesOrNo)
{
    const auto& c = GetParam();
    Answer answer = c.expected == Answer::Yes ? Answer::No : Answer::Yes;
    const Seen seen = whileShown([&] { answer = m_messages.ask(kHintTitle, "是否继续？", c.preselected); },
        [&](QMessageBox* box) { press(box, c.key); });
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(seen.title, QStringLiteral("提示"));
    EXPECT_EQ(seen.text, QStringLiteral("是否继续？"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.captions.size(), 2);
    EXPECT_TRUE(seen.captions.contains(QStringLiteral("是")) && seen.captions.contains(QStringLiteral("否")))
        << seen.captions.join('|').toStdString();
    EXPECT_EQ(
        seen.defaultCaption, c.preselected == Answer::Yes ? QStringLiteral("是") : QStringLiteral("否"));
    EXPECT_EQ(seen.escapeCaption, QStringLiteral("否"));
    EXPECT_EQ(seen.parent, &m_window);
}

INSTANTIATE_TEST_SUITE_P(Table, QtQuestions,
    ::testing::Values(AskCase { "return_takes_yes", Answer::Yes, Qt::Key_Return, Answer::Yes },
        AskCase { "return_takes_no", Answer::No, Qt::Key_Return, Answer::No },
        AskCase { "escape_over_yes", Answer::Yes, Qt::Key_Escape, Answer::No },
        AskCase { "escape_over_no", Answer::No, Qt::Key_Escape, Answer::No }),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// A box asked for without icon and without a default keeps both unset, and the button clicked comes back.
TEST_F(QtMessageBoxes, ShowKeepsWhatTheRequestLeavesToTheToolkit)
{
    MessageButton clicked = MessageButton::Cancel;
    const Seen seen = whileShown(
        [&] {
            clicked = m_messages.show({ kInfoTitle, "完成", { MessageButton::Ok }, MessageIcon::None });
        },
        [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton); });
    EXPECT_EQ(clicked, MessageButton::Ok);
    EXPECT_EQ(seen.title, QStringLiteral("信息："));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(seen.defaultCaption.isEmpty());
}

// Every box reads Chinese unless its request asks for the toolkit's captions: the test program loads
// no Qt translations, as an install without them does.
TEST_F(QtMessageBoxes, ButtonsReadChineseWithoutTheToolkitsTranslations)
{
    const QStringList expected { QStringLiteral("确定"), QStringLiteral("取消"), QStringLiteral("保存"),
        QStringLiteral("不保存"), QStringLiteral("是"), QStringLiteral("否") };
    MessageRequest request { kHintTitle, "页面",
        { MessageButton::Ok, MessageButton::Cancel, MessageButton::Save, MessageButton::Discard,
            MessageButton::Yes, MessageButton::No } };
    Seen seen = whileShown(
        [&] { (void)m_messages.show(request); }, [](QMessageBox* box) { press(box, Qt::Key_Escape); });
    for (const QString& caption : expected)
        EXPECT_TRUE(seen.captions.contains(caption))
            << caption.toStdString() << " in " << seen.captions.join('|').toStdString();
    EXPECT_EQ(seen.captions.size(), expected.size());

    request.buttons = { MessageButton::Ok };
    request.captions = ButtonCaptions::Toolkit;
    const QString toolkitOk
        = QMessageBox(QMessageBox::NoIcon, {}, {}, QMessageBox::Ok).button(QMessageBox::Ok)->text();
    seen = whileShown(
        [&] { (void)m_messages.show(request); }, [](QMessageBox* box) { press(box, Qt::Key_Return); });
    EXPECT_EQ(seen.captions, QStringList { toolkitOk }) << "asked for on purpose";
}

} // namespace
} // namespace inkwell
