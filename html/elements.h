// The elements whose markup reads differently from the rest: void elements, which have no content and
// no end tag, and those whose content is text up to their end tag instead of markup. One table, as a
// browser reads a page; a reader that follows a policy of its own (the formatter keeps the content of
// pre elements as written) names where it departs from it.
#pragma once

#include <string_view>

namespace inkwell {

enum class ElementContent
{
    Markup,
    Void, // no content and no end tag
    Script, // script data: text whose end tag can hide inside "<!-- <script> ... </script> -->"
    RawText, // style, xmp, iframe, noembed, noframes: text, no references
    EscapableRawText, // textarea, title: text with character references
    PlainText, // plaintext: everything to the end of the page
};

// What follows the start tag of the element (its name in lower case) for a browser without scripts:
// the content of noscript is markup then.
[[nodiscard]] ElementContent contentOf(std::string_view lowerName);

// Whether the element (its name in lower case) has no content and no end tag.
[[nodiscard]] inline bool isVoidElement(std::string_view lowerName)
{
    return contentOf(lowerName) == ElementContent::Void;
}

// Whether the element's content is text read up to its end tag: script, raw and escapable raw text.
[[nodiscard]] inline bool holdsTextUpToEndTag(std::string_view lowerName)
{
    const ElementContent content = contentOf(lowerName);
    return content == ElementContent::Script || content == ElementContent::RawText
        || content == ElementContent::EscapableRawText;
}

} // namespace inkwell
