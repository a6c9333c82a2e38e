#include "platform/scintillacodeeditor.h"

#include "platform/scintillamessages.h"

#include <Qsci/qsciscintilla.h>

// Our copies of the message numbers must be the component's own.
static_assert(sci::SCI_SETTEXT == QsciScintillaBase::SCI_SETTEXT);
static_assert(sci::SCI_GETTEXT == QsciScintillaBase::SCI_GETTEXT);
static_assert(sci::SCI_GETLENGTH == QsciScintillaBase::SCI_GETLENGTH);
static_assert(sci::SCI_GETSELECTIONSTART == QsciScintillaBase::SCI_GETSELECTIONSTART);
static_assert(sci::SCI_GETSELECTIONEND == QsciScintillaBase::SCI_GETSELECTIONEND);
static_assert(sci::SCI_SETSEL == QsciScintillaBase::SCI_SETSEL);
static_assert(sci::SCI_SCROLLCARET == QsciScintillaBase::SCI_SCROLLCARET);
static_assert(sci::SCI_SETMARGINWIDTHN == QsciScintillaBase::SCI_SETMARGINWIDTHN);
static_assert(sci::SCI_SETREADONLY == QsciScintillaBase::SCI_SETREADONLY);
static_assert(sci::SCI_SETHSCROLLBAR == QsciScintillaBase::SCI_SETHSCROLLBAR);
static_assert(sci::SCI_SETVSCROLLBAR == QsciScintillaBase::SCI_SETVSCROLLBAR);
static_assert(sci::SCI_SETVIEWWS == QsciScintillaBase::SCI_SETVIEWWS);
static_assert(sci::SCI_SETWHITESPACEFORE == QsciScintillaBase::SCI_SETWHITESPACEFORE);
static_assert(sci::SCI_SETWHITESPACEBACK == QsciScintillaBase::SCI_SETWHITESPACEBACK);
static_assert(sci::SCI_SETCURSOR == QsciScintillaBase::SCI_SETCURSOR);
static_assert(sci::SCI_SETEOLMODE == QsciScintillaBase::SCI_SETEOLMODE);
static_assert(sci::SCI_SETVIEWEOL == QsciScintillaBase::SCI_SETVIEWEOL);
static_assert(sci::SCI_SETSELFORE == QsciScintillaBase::SCI_SETSELFORE);
static_assert(sci::SCI_SETSELBACK == QsciScintillaBase::SCI_SETSELBACK);
static_assert(sci::SCI_SETCARETFORE == QsciScintillaBase::SCI_SETCARETFORE);
static_assert(sci::SCI_SETCARETLINEVISIBLE == QsciScintillaBase::SCI_SETCARETLINEVISIBLE);
static_assert(sci::SCI_SETCARETLINEBACK == QsciScintillaBase::SCI_SETCARETLINEBACK);
static_assert(sci::SCI_SETINDENTATIONGUIDES == QsciScintillaBase::SCI_SETINDENTATIONGUIDES);
static_assert(sci::SCI_SETWRAPMODE == QsciScintillaBase::SCI_SETWRAPMODE);
static_assert(sci::SCI_SETCODEPAGE == QsciScintillaBase::SCI_SETCODEPAGE);
static_assert(sci::SCI_CANUNDO == QsciScintillaBase::SCI_CANUNDO);
static_assert(sci::SCI_CANREDO == QsciScintillaBase::SCI_CANREDO);
static_assert(sci::SCI_CANPASTE == QsciScintillaBase::SCI_CANPASTE);
static_assert(sci::SCI_GETSELECTIONEMPTY == QsciScintillaBase::SCI_GETSELECTIONEMPTY);
static_assert(sci::SCI_CLEAR == QsciScintillaBase::SCI_CLEAR);
static_assert(sci::SCI_SELECTALL == QsciScintillaBase::SCI_SELECTALL);
static_assert(sci::SC_CP_UTF8 == QsciScintillaBase::SC_CP_UTF8);
static_assert(sci::SC_CURSORNORMAL == QsciScintillaBase::SC_CURSORNORMAL);

ScintillaCodeEditor::ScintillaCodeEditor(QsciScintilla* editor)
    : m_editor(editor)
{
}

std::intptr_t ScintillaCodeEditor::send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_editor
        ? m_editor->SendScintilla(message, static_cast<unsigned long>(wParam), static_cast<long>(lParam))
        : 0;
}

std::intptr_t ScintillaCodeEditor::sendText(unsigned message, std::uintptr_t wParam, const char* text)
{
    return m_editor ? m_editor->SendScintilla(message, static_cast<uintptr_t>(wParam), text) : 0;
}

std::intptr_t ScintillaCodeEditor::receiveText(unsigned message, std::uintptr_t wParam, char* buffer)
{
    return m_editor
        ? m_editor->SendScintilla(message, static_cast<unsigned long>(wParam), static_cast<void*>(buffer))
        : 0;
}

QWidget* ScintillaCodeEditor::widget() const
{
    return m_editor;
}
