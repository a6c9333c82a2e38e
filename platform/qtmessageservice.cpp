#include "platform/qtmessageservice.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace inkwell {
namespace {

QMessageBox::StandardButton standardButton(MessageButton button)
{
    switch (button) {
    case MessageButton::Ok:
        return QMessageBox::Ok;
    case MessageButton::Cancel:
        return QMessageBox::Cancel;
    case MessageButton::Save:
        return QMessageBox::Save;
    case MessageButton::Discard:
        return QMessageBox::Discard;
    case MessageButton::Yes:
        return QMessageBox::Yes;
    case MessageButton::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// The captions the rest of the program's Chinese texts call for, whatever translations Qt has loaded.
QString chineseCaption(MessageButton button)
{
    switch (button) {
    case MessageButton::Ok:
        return QStringLiteral("确定");
    case MessageButton::Cancel:
        return QStringLiteral("取消");
    case MessageButton::Save:
        return QStringLiteral("保存");
    case MessageButton::Discard:
        return QStringLiteral("不保存");
    case MessageButton::Yes:
        return QStringLiteral("是");
    case MessageButton::No:
        return QStringLiteral("否");
    }
    return {};
}

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtMessageService::QtMessageService(QWidget* window)
    : m_window(window)
{
}

MessageButton QtMessageService::show(const MessageRequest& request)
{
    QWidget* parent = request.owner == MessageOwner::Window ? m_window : nullptr;
    QMessageBox::StandardButtons buttons;
    for (const auto button : request.buttons)
        buttons |= standardButton(button);
    QMessageBox box(qtIcon(request.icon), QString::fromStdString(request.title),
        QString::fromStdString(request.text), buttons, parent);
    if (request.captions == ButtonCaptions::Chinese) {
        for (const auto button : request.buttons)
            box.button(standardButton(button))->setText(chineseCaption(button));
    }
    if (request.defaultButton)
        box.setDefaultButton(standardButton(*request.defaultButton));
    if (request.escapeButton)
        box.setEscapeButton(standardButton(*request.escapeButton));
    box.exec();

    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto button : request.buttons) {
        if (standardButton(button) == clicked)
            return button;
    }
    // Closed without a button (Escape where the toolkit found no escape button, the title bar's close).
    if (request.escapeButton)
        return *request.escapeButton;
    const auto& all = request.buttons;
    if (std::find(all.begin(), all.end(), MessageButton::Cancel) != all.end())
        return MessageButton::Cancel;
    return all.size() == 1 ? all.front() : MessageButton::Cancel;
}

} // namespace inkwell
