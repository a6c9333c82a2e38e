// platform/codeeditor.h: the code-editor component as the code view sees it: a widget that takes
// messages (numbers in platform/scintillamessages.h) with two parameters.
#pragma once

#include <cstdint>

class QWidget;

class CodeEditor
{
public:
    virtual ~CodeEditor() = default;

    virtual std::intptr_t send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;
    // Messages whose second parameter is a zero-terminated text, or a buffer the component fills.
    virtual std::intptr_t sendText(unsigned message, std::uintptr_t wParam, const char* text) = 0;
    virtual std::intptr_t receiveText(unsigned message, std::uintptr_t wParam, char* buffer) = 0;
    // The component's widget, null once it is gone.
    [[nodiscard]] virtual QWidget* widget() const = 0;
};
