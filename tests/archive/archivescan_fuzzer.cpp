// Feeds arbitrary bytes to the HTML and CSS scanners, the picture sniffer, the file URL decoder
// and the MIME encoders. The scanners must not crash and must report spans inside the input; a
// decoded local path never holds a zero byte; the encoders must keep their line limit and decode
// back to the input.
#include "archive/cssresourcescanner.h"
#include "archive/htmlresourcescanner.h"
#include "archive/localfilepolicy.h"
#include "archive/mimewriter.h"
#include "tests/support/textforms.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkSpans(const std::vector<inkwell::ResourceRef>& refs, std::size_t size)
{
    for (const auto& ref : refs) {
        if (ref.rewritable)
            check(ref.offset <= size && ref.length <= size - ref.offset);
    }
}

void checkLines(std::string_view text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        check(end - start <= 76);
        check(text.substr(start, end - start).find_first_of("\r\n") == std::string_view::npos);
        start = end + 2;
    }
}

using inkwell::testing::crLf;
using inkwell::testing::decodeQuotedPrintable;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkSpans(inkwell::scanHtmlResources(input).refs, size);
    checkSpans(inkwell::scanCssResources(input), size);
    (void)inkwell::cssCharset(input);
    (void)inkwell::isPictureBytes(input);
    if (const auto path = inkwell::localPathOfFileUrl("file:///" + std::string(input)))
        check(path->find('\0') == std::string::npos && path->size() <= size + 1);

    const std::string qp = inkwell::encodeQuotedPrintable(input);
    checkLines(qp);
    check(decodeQuotedPrintable(qp) == crLf(input));
    checkLines(inkwell::encodeBase64(input));
    const std::string header = inkwell::headerSafe(input);
    check(header.find_first_of("\r\n") == std::string::npos);
    return 0;
}
