// libFuzzer target for the formatter: any bytes, three styles. Beyond the sanitizers it checks the
// promises callers rely on: only white space changes, non-empty markup never comes back empty,
// formatting the output again changes nothing, and the text handed on in pieces is the same.
#include "formatter/htmlformatter.h"
#include "formatter/scriptreindent.h"
#include "tests/support/textforms.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace inkwell {
namespace {

using testing::withoutWhiteSpace;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace
} // namespace inkwell

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace inkwell;
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const std::string bare = withoutWhiteSpace(html);
    for (const HtmlStyle& style : { styleForIndentKind(IndentKind::Tab),
             styleForIndentKind(IndentKind::TwoSpaces), HtmlStyle { 3, " ", 7 } }) {
        const std::string out = formatHtmlWithStyle(html, style);
        check(html.empty() || !out.empty());
        check(withoutWhiteSpace(out) == bare);
        check(formatHtmlWithStyle(out, style) == out);
        std::string pieces;
        formatHtmlInto(
            html, style, [&](std::string_view piece) { pieces += piece; }, 1 + size % 7);
        check(pieces == out);
    }
    const std::string script = reindentScript(html, "\t", 2, kMaxIndentLevels).text;
    check(withoutWhiteSpace(script) == bare);
    return 0;
}
