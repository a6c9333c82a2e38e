#include "codeedits/elementplace.h"

#include "core/ascii.h"
#include "formatter/htmlscanner.h"
#include "html/elements.h"

#include <map>
#include <vector>

namespace inkwell {
namespace {

// The end of a tag that starts at `at`: just after its ">" outside quotes, or the end of the text.
std::size_t tagEnd(std::string_view text, std::size_t at)
{
    char quote = 0;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return text.size();
}

struct OpenElement
{
    std::string name;
    std::size_t index;
};

// Reads the tags of the markup in order up to `offset`, keeping the elements open there, and returns the
// start of the first start tag of `wanted` when that is given and found first.
struct TagWalk
{
    std::vector<OpenElement> open;
    std::map<std::string, std::size_t, std::less<>> counts;

    std::optional<std::size_t> run(std::string_view text, std::size_t offset, const ElementPlace* wanted)
    {
        std::size_t at = 0;
        std::string name;
        while (true) {
            const std::size_t lt = text.find('<', at);
            if (lt == std::string_view::npos || lt > offset)
                return std::nullopt;
            if (text.substr(lt, 4) == "<!--") {
                const std::size_t close = text.find("-->", lt + 4);
                at = close == std::string_view::npos ? text.size() : close + 3;
                continue;
            }
            const bool isEnd = lt + 1 < text.size() && text[lt + 1] == '/';
            const std::size_t nameStart = lt + (isEnd ? 2 : 1);
            if (nameStart >= text.size() || !isAsciiAlpha(text[nameStart])) {
                // "<!DOCTYPE ...>", "<?xml ...?>", or a "<" that is text.
                const char next = lt + 1 < text.size() ? text[lt + 1] : '\0';
                at = (next == '!' || next == '?') ? tagEnd(text, lt) : lt + 1;
                continue;
            }
            std::size_t nameEnd = nameStart;
            name.clear();
            while (nameEnd < text.size() && !isHtmlSpace(text[nameEnd]) && text[nameEnd] != '/'
                && text[nameEnd] != '>') {
                name += asciiLower(text[nameEnd]);
                ++nameEnd;
            }
            const std::size_t end = tagEnd(text, lt);
            if (isEnd) {
                if (end > offset)
                    return std::nullopt; // inside the end tag: its element is still the one
                for (std::size_t k = open.size(); k > 0; --k) {
                    if (open[k - 1].name == name) {
                        open.resize(k - 1);
                        break;
                    }
                }
                at = end;
                continue;
            }
            auto count = counts.find(name);
            if (count == counts.end())
                count = counts.emplace(name, 0).first;
            const std::size_t index = count->second++;
            if (wanted && name == wanted->name && index == wanted->index)
                return lt;
            const bool selfClosing = end >= 2 && text[end - 1] == '>' && text[end - 2] == '/';
            open.push_back({ name, index });
            if (isVoidElement(name) || selfClosing) {
                if (end > offset)
                    return std::nullopt; // inside the tag itself
                open.pop_back();
            }
            at = end;
            if (holdsTextUpToEndTag(name)) {
                const std::string closing = "</" + name;
                std::size_t close = end;
                while (close < text.size()) {
                    close = text.find("</", close);
                    if (close == std::string_view::npos) {
                        close = text.size();
                        break;
                    }
                    if (isTagNamedAt(text, close, closing.substr(1)))
                        break;
                    close += 2;
                }
                if (close > offset)
                    return std::nullopt;
                at = close;
            }
        }
    }
};

} // namespace

std::optional<ElementPlace> elementAt(std::string_view markup, std::size_t offset)
{
    TagWalk walk;
    (void)walk.run(markup, offset, nullptr);
    if (walk.open.empty())
        return std::nullopt;
    return ElementPlace { walk.open.back().name, walk.open.back().index };
}

std::optional<std::size_t> startTagOf(std::string_view markup, const ElementPlace& place)
{
    TagWalk walk;
    return walk.run(markup, markup.size(), &place);
}

} // namespace inkwell
