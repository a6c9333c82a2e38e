// A message service that hands every box to a function of the test instead of showing it, and holds
// every box's title and text to the rule of the program's texts on the way.
#pragma once

#include "core/messageservice.h"
#include "tests/support/messagerules.h"

#include <functional>
#include <gtest/gtest.h>
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

    MessageButton show(const MessageRequest& request) override
    {
        EXPECT_EQ(messageFault(request.title), "");
        EXPECT_EQ(messageFault(request.text), "");
        EXPECT_EQ(request.captions, ButtonCaptions::Chinese) << request.text;
        return m_answer(request);
    }

private:
    Answer m_answer;
};

} // namespace inkwell::testing
