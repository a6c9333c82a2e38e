// The code-editor component as the code view sees it: a widget that takes the messages of
// platform/scintillamessages.h with two parameters. createCodeEditor makes one.
#pragma once

#include "platform/scintillamessages.h"

#include <cstdint>
#include <memory>

class QWidget;

namespace inkwell {

class CodeEditor
{
public:
    virtual ~CodeEditor() = default;

    virtual std::intptr_t send(ScintillaMessage message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;
    // Messages whose second parameter is a zero-terminated text, or a buffer the component fills.
    virtual std::intptr_t sendText(ScintillaMessage message, std::uintptr_t wParam, const char* text) = 0;
    virtual std::intptr_t receiveText(ScintillaMessage message, std::uintptr_t wParam, char* buffer) = 0;
    // The component's widget, null once it is gone.
    [[nodiscard]] virtual QWidget* widget() const = 0;
};

// The component's widget, a child of parent owned by it, and the editor interface over that widget.
struct CodeEditorParts
{
    QWidget* widget = nullptr;
    std::unique_ptr<CodeEditor> editor;
};
[[nodiscard]] CodeEditorParts createCodeEditor(QWidget* parent);

} // namespace inkwell
