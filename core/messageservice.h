// The program's message boxes as the commands see them: a request with title, text and buttons, and
// the button the user chose. The boxes themselves are drawn by QtMessageService.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace inkwell {

// The titles the program's boxes carry.
inline constexpr const char* kHintTitle = "提示";
inline constexpr const char* kInfoTitle = "信息：";

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Question,
};

enum class MessageButton
{
    Ok,
    Cancel,
    Save,
    Discard,
    Yes,
    No,
};

enum class ButtonCaptions
{
    Toolkit, // the toolkit's own captions, in whatever language it has loaded
    Chinese, // 确定, 取消, 保存, 不保存, 是, 否
};

// Where a box goes: over the window the service belongs to, or on its own (before the window is shown,
// or while the window is out of the way).
enum class MessageOwner
{
    Window,
    Screen,
};

enum class Answer
{
    Yes,
    No,
};

// One modal box: its title, text (UTF-8), buttons in this order and icon.
struct MessageRequest
{
    std::string title;
    std::string text;
    std::vector<MessageButton> buttons { MessageButton::Ok };
    MessageIcon icon = MessageIcon::Information;
    // Chinese unless asked otherwise: the toolkit's captions are English wherever its translations are
    // not installed, and "OK" under a Chinese text is a box only half in the user's language.
    ButtonCaptions captions = ButtonCaptions::Chinese;
    std::optional<MessageButton> defaultButton = std::nullopt; // none: the toolkit picks
    std::optional<MessageButton> escapeButton = std::nullopt; // none: the toolkit picks
    MessageOwner owner = MessageOwner::Window;
};

class MessageService
{
public:
    virtual ~MessageService() = default;

    // Shows the box and returns when it is closed: the button chosen. A box closed without a button
    // counts as its escape button, else as Cancel when it has one, else as its only button.
    virtual MessageButton show(const MessageRequest& request) = 0;

    // A note with an information icon and one "确定" button, which is the default.
    void inform(std::string title, std::string text, MessageOwner owner = MessageOwner::Window)
    {
        (void)show({ std::move(title), std::move(text), { MessageButton::Ok }, MessageIcon::Information,
            ButtonCaptions::Chinese, MessageButton::Ok, std::nullopt, owner });
    }

    // A question answered by "是" or "否"; Escape and closing the box answer "否". `preselected` is what
    // Return answers.
    [[nodiscard]] Answer ask(
        std::string title, std::string text, Answer preselected, MessageOwner owner = MessageOwner::Window)
    {
        const auto answer = show({ std::move(title), std::move(text),
            { MessageButton::Yes, MessageButton::No }, MessageIcon::Question, ButtonCaptions::Chinese,
            preselected == Answer::Yes ? MessageButton::Yes : MessageButton::No, MessageButton::No, owner });
        return answer == MessageButton::Yes ? Answer::Yes : Answer::No;
    }
};

} // namespace inkwell
