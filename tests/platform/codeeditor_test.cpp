// The code-editor adapter: messages reach the component, texts pass byte for byte, and a component
// that is gone makes every message a no-op instead of a crash.
#include "platform/scintillacodeeditor.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>
#include <string>

namespace inkwell {
namespace {

using Message = ScintillaMessage;

TEST(ScintillaCodeEditor, PassesTextsByteForByte)
{
    QsciScintilla widget;
    ScintillaCodeEditor editor(&widget);
    EXPECT_EQ(editor.widget(), &widget);
    // Bytes that are not UTF-8 on purpose: the adapter must not convert anything.
    const std::string bytes = "a\xB0\xA1\r\nb\n\xFF";
    editor.sendText(Message::SetText, 0, bytes.c_str());
    const auto length = editor.send(Message::GetLength);
    ASSERT_EQ(length, std::intptr_t(bytes.size()));
    std::string back(std::size_t(length) + 1, '\x7F');
    editor.receiveText(Message::GetText, std::uintptr_t(length + 1), back.data());
    EXPECT_EQ(back.back(), '\0');
    back.pop_back();
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(editor.send(Message::SetMarginWidthN, 1, 7), 0);
    EXPECT_EQ(editor.send(Message::GetMarginWidthN, 1), 7);
}

TEST(ScintillaCodeEditor, MessagesToAComponentThatIsGoneDoNothing)
{
    auto* widget = new QsciScintilla;
    ScintillaCodeEditor editor(widget);
    delete widget;
    EXPECT_EQ(editor.widget(), nullptr);
    EXPECT_EQ(editor.sendText(Message::SetText, 0, "x"), 0);
    EXPECT_EQ(editor.send(Message::GetLength), 0);
    char buffer[4] = {};
    EXPECT_EQ(editor.receiveText(Message::GetText, sizeof buffer, buffer), 0);
}

} // namespace
} // namespace inkwell
