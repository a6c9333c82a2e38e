#include "platform/iconvconverter.h"

#include <array>
#include <cerrno>
#include <iconv.h>

namespace inkwell {

namespace {

iconv_t descriptor(void* cd)
{
    return static_cast<iconv_t>(cd);
}

const auto kNotOpen = reinterpret_cast<iconv_t>(-1);

} // namespace

IconvConverter::IconvConverter(const char* to, const char* from)
    : m_cd(::iconv_open(to, from))
{
}

IconvConverter::~IconvConverter()
{
    if (isOpen())
        ::iconv_close(descriptor(m_cd));
}

bool IconvConverter::isOpen() const
{
    return descriptor(m_cd) != kNotOpen;
}

IconvConverter::Stop IconvConverter::convert(std::string_view& input, std::string& out)
{
    std::array<char, 4096> buffer {};
    while (true) {
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result
            = ::iconv(descriptor(m_cd), input.empty() ? nullptr : &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        input.remove_prefix(input.size() - inLeft);
        if (result != static_cast<std::size_t>(-1))
            return Stop::Done;
        if (error == E2BIG)
            continue;
        return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
    }
}

} // namespace inkwell
