// The message boxes as QMessageBox dialogs, modal, over the window given.
#pragma once

#include "core/messageservice.h"

class QWidget;

namespace inkwell {

class QtMessageService final : public MessageService
{
public:
    // `window` is the parent of the boxes whose owner is the window; null puts every box on its own.
    explicit QtMessageService(QWidget* window = nullptr);

    MessageButton show(const MessageRequest& request) override;

private:
    QWidget* m_window = nullptr;
};

} // namespace inkwell
