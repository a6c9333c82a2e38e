// A message service that hands every box to a function of the test instead of showing it.
#pragma once

#include "platform/messageservice.h"

#include <functional>
#include <utility>

namespace inkwell::testing {

class AnsweredMessages final : public MessageService
{
public:
    using Answer = std::function<MessageButton(const MessageRequest&)>;

    explicit AnsweredMessages(Answer answer)
        : m_answer(std::move(answer))
    {
    }

    MessageButton show(const MessageRequest& request) override { return m_answer(request); }

private:
    Answer m_answer;
};

} // namespace inkwell::testing
