// A conversion between two character encodings named as the C library's iconv knows them, for the
// document's text encodings.
#pragma once

#include <string>
#include <string_view>

namespace inkwell {

// Owns one iconv conversion descriptor.
class IconvConverter
{
public:
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when the C library has no converter between the two encodings.
    [[nodiscard]] bool isOpen() const;

    enum class Stop
    {
        Done,
        Invalid, // the input at the returned position cannot be converted
        Incomplete, // the input ends inside a sequence
    };

    // Converts as much of input as it can, appending to out; input is advanced past what was used.
    // An empty input returns a stateful encoding to its initial state.
    Stop convert(std::string_view& input, std::string& out);

private:
    void* m_cd; // an iconv_t, kept opaque so that users need not see <iconv.h>
};

} // namespace inkwell
