// Splitting any history text and joining the entries again gives the text back, up to its first
// zero byte, less the one CR LF that may end it.
#include "projects/projecthistory.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    auto text = input.substr(0, input.find('\0'));
    const auto entries = inkwell::ProjectHistory::split(input);

    std::string joined;
    for (const auto& entry : entries) {
        if (entry.find("\r\n") != std::string::npos)
            std::abort();
        joined.append(entry).append("\r\n");
    }
    // The joined text always ends in CR LF; the input may not.
    if (!text.ends_with("\r\n") && !joined.empty())
        joined.resize(joined.size() - 2);
    if (joined != text)
        std::abort();
    return 0;
}
