// Test helper: an AnswerSink that collects an answer's bytes in memory, for small files.
#pragma once

#include "publishing/answerwriter.h"
#include "publishing/requesthandler.h"

#include <optional>
#include <string>

namespace testing_support {

class StringSink final : public inkwell::AnswerSink
{
public:
    bool write(std::string_view bytes) override
    {
        m_bytes += bytes;
        return true;
    }
    [[nodiscard]] const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// The whole answer to `request`, as the server would send it; empty when the answer would be cut
// off and the connection dropped.
inline std::optional<std::string> answerBytes(const std::filesystem::path& root, std::string_view request)
{
    StringSink sink;
    if (inkwell::writeAnswer(inkwell::answerRequest(root, request), sink) != inkwell::Delivery::Complete)
        return std::nullopt;
    return sink.bytes();
}

} // namespace testing_support
