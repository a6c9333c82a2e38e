// libFuzzer target for carrying code-view edits back: any markup, any edit of its formatted text. The
// input is four bytes that place the edit (where it starts, how many bytes it removes), then the markup,
// then a zero byte and the text the edit writes. Beyond the sanitizers it checks the promises the design
// view relies on: a formatted text always matches its markup, the markup carried back has every byte of
// the edited text that is not white space, and outside the stretch it reports the markup is the original's.
#include "codeedits/editcarrier.h"
#include "codeedits/sourcemap.h"
#include "formatter/htmlformatter.h"

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

std::string withoutSpace(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace inkwell;
    if (size < 4)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 4, size - 4);
    const std::size_t zero = input.find('\0');
    const std::string_view markup = input.substr(0, zero);
    const std::string_view written
        = zero == std::string_view::npos ? std::string_view {} : input.substr(zero + 1);

    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    const std::size_t at
        = formatted.empty() ? 0 : (std::size_t { data[0] } << 8 | data[1]) % (formatted.size() + 1);
    const std::size_t removed
        = std::min<std::size_t>(std::size_t { data[2] } << 8 | data[3], formatted.size() - at);
    std::string edited = formatted;
    edited.replace(at, removed, written);

    const auto carried = carryEdits(markup, formatted, edited);
    check(carried.has_value());
    // Every byte that is not white space is the edited text's.
    check(withoutSpace(carried->markup) == withoutSpace(edited));
    check(carried->begin <= carried->end && carried->end <= markup.size());
    check(carried->markup.size() == markup.size() - (carried->end - carried->begin) + carried->inserted);
    check(std::string_view(carried->markup).substr(0, carried->begin) == markup.substr(0, carried->begin));
    check(std::string_view(carried->markup).substr(carried->begin + carried->inserted)
        == markup.substr(carried->end));

    // Every offset of the formatted text maps into the markup, onto the same byte unless white space.
    const std::size_t probe = at < formatted.size() ? at : 0;
    const auto inMarkup = markupOffsetOf(markup, formatted, probe);
    check(inMarkup.has_value());
    if (probe < formatted.size() && *inMarkup < markup.size() && formatted[probe] != ' '
        && formatted[probe] != '\t' && formatted[probe] != '\n' && formatted[probe] != '\r')
        check(markup[*inMarkup] == formatted[probe]);
    return 0;
}
