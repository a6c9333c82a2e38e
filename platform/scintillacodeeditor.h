// The code-editor component over a QsciScintilla widget, driven through its message interface only.
#pragma once

#include "platform/codeeditor.h"

#include <QPointer>

class QsciScintilla;

namespace inkwell {

class ScintillaCodeEditor final : public CodeEditor
{
public:
    explicit ScintillaCodeEditor(QsciScintilla* editor);
    ScintillaCodeEditor(const ScintillaCodeEditor&) = delete;
    ScintillaCodeEditor& operator=(const ScintillaCodeEditor&) = delete;

    std::intptr_t send(ScintillaMessage message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) override;
    std::intptr_t sendText(ScintillaMessage message, std::uintptr_t wParam, const char* text) override;
    std::intptr_t receiveText(ScintillaMessage message, std::uintptr_t wParam, char* buffer) override;
    [[nodiscard]] QWidget* widget() const override;

private:
    QPointer<QsciScintilla> m_editor;
};

} // namespace inkwell
