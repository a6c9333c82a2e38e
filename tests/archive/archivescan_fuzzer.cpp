// Feeds arbitrary bytes to the HTML and CSS scanners, the picture sniffer, the file URL decoder
// and the MIME encoders. The scanners must not crash and must report spans inside the input; a
// decoded local path never holds a zero byte; the encoders must keep their line limit and decode
// back to the input.
#include "archive/cssresourcescanner.h"
#include "archive/htmlresourcescanner.h"
#include "archive/localfilepolicy.h"
#include "archive/mimewriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckSpans(const std::vector<inkwell::ResourceRef>& refs, std::size_t size)
{
    for (const auto& ref : refs) {
        if (ref.rewritable)
            Check(ref.offset <= size && ref.length <= size - ref.offset);
    }
}

void CheckLines(std::string_view text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        Check(end - start <= 76);
        Check(text.substr(start, end - start).find_first_of("\r\n") == std::string_view::npos);
        start = end + 2;
    }
}

std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.substr(i + 1, 2) == "\r\n") {
            i += 2;
        } else {
            Check(i + 2 < text.size());
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

std::string CrLf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckSpans(inkwell::scanHtmlResources(input).refs, size);
    CheckSpans(inkwell::scanCssResources(input), size);
    (void)inkwell::cssCharset(input);
    (void)inkwell::isPictureBytes(input);
    if (const auto path = inkwell::localPathOfFileUrl("file:///" + std::string(input)))
        Check(path->find('\0') == std::string::npos && path->size() <= size + 1);

    const std::string qp = inkwell::encodeQuotedPrintable(input);
    CheckLines(qp);
    Check(DecodeQuotedPrintable(qp) == CrLf(input));
    CheckLines(inkwell::encodeBase64(input));
    const std::string header = inkwell::headerSafe(input);
    Check(header.find_first_of("\r\n") == std::string::npos);
    return 0;
}
