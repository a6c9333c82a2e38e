// The code-editor component's messages and values that this program uses, in one list. A message is
// sent by its name in this list only (the editor interface takes nothing else), and the adapter checks
// every entry against the component's own numbers, so no message goes out unchecked.
#pragma once

#include <cstdint>

// X(our name, the component's name, its number)
#define INKWELL_SCINTILLA_MESSAGES(X)                                                                         \
    X(GetLength, SCI_GETLENGTH, 2006)                                                                          \
    X(Redo, SCI_REDO, 2011)                                                                                    \
    X(SelectAll, SCI_SELECTALL, 2013)                                                                          \
    X(CanRedo, SCI_CANREDO, 2016)                                                                              \
    X(GetViewWs, SCI_GETVIEWWS, 2020)                                                                          \
    X(SetViewWs, SCI_SETVIEWWS, 2021)                                                                          \
    X(GetEolMode, SCI_GETEOLMODE, 2030)                                                                        \
    X(SetEolMode, SCI_SETEOLMODE, 2031)                                                                        \
    X(SetCodePage, SCI_SETCODEPAGE, 2037)                                                                      \
    X(SetSelFore, SCI_SETSELFORE, 2067)                                                                        \
    X(SetSelBack, SCI_SETSELBACK, 2068)                                                                        \
    X(SetCaretFore, SCI_SETCARETFORE, 2069)                                                                    \
    X(SetWhitespaceFore, SCI_SETWHITESPACEFORE, 2084)                                                          \
    X(SetWhitespaceBack, SCI_SETWHITESPACEBACK, 2085)                                                          \
    X(GetCaretLineVisible, SCI_GETCARETLINEVISIBLE, 2095)                                                      \
    X(SetCaretLineVisible, SCI_SETCARETLINEVISIBLE, 2096)                                                      \
    X(GetCaretLineBack, SCI_GETCARETLINEBACK, 2097)                                                            \
    X(SetCaretLineBack, SCI_SETCARETLINEBACK, 2098)                                                            \
    X(GetSelectionStart, SCI_GETSELECTIONSTART, 2143)                                                          \
    X(GetSelectionEnd, SCI_GETSELECTIONEND, 2145)                                                              \
    X(SetHScrollBar, SCI_SETHSCROLLBAR, 2130)                                                                  \
    X(GetHScrollBar, SCI_GETHSCROLLBAR, 2131)                                                                  \
    X(SetIndentationGuides, SCI_SETINDENTATIONGUIDES, 2132)                                                    \
    X(GetIndentationGuides, SCI_GETINDENTATIONGUIDES, 2133)                                                    \
    X(GetCodePage, SCI_GETCODEPAGE, 2137)                                                                      \
    X(GetCaretFore, SCI_GETCARETFORE, 2138)                                                                    \
    X(GetReadOnly, SCI_GETREADONLY, 2140)                                                                      \
    X(SetSel, SCI_SETSEL, 2160)                                                                                \
    X(LineFromPosition, SCI_LINEFROMPOSITION, 2166)                                                            \
    X(ScrollCaret, SCI_SCROLLCARET, 2169)                                                                      \
    X(SetReadOnly, SCI_SETREADONLY, 2171)                                                                      \
    X(CanPaste, SCI_CANPASTE, 2173)                                                                            \
    X(CanUndo, SCI_CANUNDO, 2174)                                                                              \
    X(EmptyUndoBuffer, SCI_EMPTYUNDOBUFFER, 2175)                                                              \
    X(Undo, SCI_UNDO, 2176)                                                                                    \
    X(Cut, SCI_CUT, 2177)                                                                                      \
    X(Copy, SCI_COPY, 2178)                                                                                    \
    X(Paste, SCI_PASTE, 2179)                                                                                  \
    X(Clear, SCI_CLEAR, 2180)                                                                                  \
    X(SetText, SCI_SETTEXT, 2181)                                                                              \
    X(GetText, SCI_GETTEXT, 2182)                                                                              \
    X(SetMarginWidthN, SCI_SETMARGINWIDTHN, 2242)                                                              \
    X(GetMarginWidthN, SCI_GETMARGINWIDTHN, 2243)                                                              \
    X(SetWrapMode, SCI_SETWRAPMODE, 2268)                                                                      \
    X(GetWrapMode, SCI_GETWRAPMODE, 2269)                                                                      \
    X(SetVScrollBar, SCI_SETVSCROLLBAR, 2280)                                                                  \
    X(GetVScrollBar, SCI_GETVSCROLLBAR, 2281)                                                                  \
    X(GetViewEol, SCI_GETVIEWEOL, 2355)                                                                        \
    X(SetViewEol, SCI_SETVIEWEOL, 2356)                                                                        \
    X(LinesOnScreen, SCI_LINESONSCREEN, 2370)                                                                  \
    X(SetCursor, SCI_SETCURSOR, 2386)                                                                          \
    X(GetCursor, SCI_GETCURSOR, 2387)                                                                          \
    X(SetFirstVisibleLine, SCI_SETFIRSTVISIBLELINE, 2613)                                                      \
    X(GetSelectionEmpty, SCI_GETSELECTIONEMPTY, 2650)

// X(our name, the component's name, its value): parameter values of the messages above.
#define INKWELL_SCINTILLA_VALUES(X)                                                                           \
    X(kWhitespaceInvisible, SCWS_INVISIBLE, 0)                                                                 \
    X(kEolCrLf, SC_EOL_CRLF, 0)                                                                                \
    X(kCursorNormal, SC_CURSORNORMAL, -1)                                                                      \
    X(kIndentGuidesNone, SC_IV_NONE, 0)                                                                        \
    X(kWrapNone, SC_WRAP_NONE, 0)                                                                              \
    X(kCodePageUtf8, SC_CP_UTF8, 65001)

namespace inkwell {

enum class ScintillaMessage : unsigned
{
#define INKWELL_SCINTILLA_ENUMERATOR(name, component, number) name = number,
    INKWELL_SCINTILLA_MESSAGES(INKWELL_SCINTILLA_ENUMERATOR)
#undef INKWELL_SCINTILLA_ENUMERATOR
};

namespace scintilla {
#define INKWELL_SCINTILLA_CONSTANT(name, component, number) inline constexpr std::intptr_t name = number;
INKWELL_SCINTILLA_VALUES(INKWELL_SCINTILLA_CONSTANT)
#undef INKWELL_SCINTILLA_CONSTANT
} // namespace scintilla

} // namespace inkwell
