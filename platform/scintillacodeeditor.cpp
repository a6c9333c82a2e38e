#include "platform/scintillacodeeditor.h"

#include <Qsci/qsciscintilla.h>

namespace inkwell {

// Our copies of the numbers must be the component's own: every entry of the two lists is checked.
#define INKWELL_CHECK_MESSAGE(name, component, number)                                                       \
    static_assert(unsigned(ScintillaMessage::name) == unsigned(QsciScintillaBase::component));
INKWELL_SCINTILLA_MESSAGES(INKWELL_CHECK_MESSAGE)
#undef INKWELL_CHECK_MESSAGE
#define INKWELL_CHECK_VALUE(name, component, number)                                                         \
    static_assert(scintilla::name == std::intptr_t(QsciScintillaBase::component));
INKWELL_SCINTILLA_VALUES(INKWELL_CHECK_VALUE)
#undef INKWELL_CHECK_VALUE

ScintillaCodeEditor::ScintillaCodeEditor(QsciScintilla* editor)
    : m_editor(editor)
{
}

std::intptr_t ScintillaCodeEditor::send(ScintillaMessage message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_editor ? m_editor->SendScintilla(unsigned(message), static_cast<unsigned long>(wParam),
                          static_cast<long>(lParam))
                    : 0;
}

std::intptr_t ScintillaCodeEditor::sendText(ScintillaMessage message, std::uintptr_t wParam, const char* text)
{
    return m_editor ? m_editor->SendScintilla(unsigned(message), static_cast<uintptr_t>(wParam), text) : 0;
}

std::intptr_t ScintillaCodeEditor::receiveText(ScintillaMessage message, std::uintptr_t wParam, char* buffer)
{
    return m_editor ? m_editor->SendScintilla(
                          unsigned(message), static_cast<unsigned long>(wParam), static_cast<void*>(buffer))
                    : 0;
}

QWidget* ScintillaCodeEditor::widget() const
{
    return m_editor;
}

CodeEditorParts createCodeEditor(QWidget* parent)
{
    auto* widget = new QsciScintilla(parent);
    return { widget, std::make_unique<ScintillaCodeEditor>(widget) };
}

} // namespace inkwell
