#include "html/elements.h"

namespace inkwell {

// Sorted by length first, so that a tag name is compared with the few names of its own length only: the
// formatter asks this for every start tag of a page.
ElementContent contentOf(std::string_view lowerName)
{
    using enum ElementContent;
    switch (lowerName.size()) {
    case 2:
        if (lowerName == "br" || lowerName == "hr")
            return Void;
        break;
    case 3:
        if (lowerName == "wbr" || lowerName == "img" || lowerName == "col")
            return Void;
        if (lowerName == "xmp")
            return RawText;
        break;
    case 4:
        if (lowerName == "link" || lowerName == "meta" || lowerName == "base" || lowerName == "area")
            return Void;
        break;
    case 5:
        if (lowerName == "input" || lowerName == "param" || lowerName == "embed" || lowerName == "track"
            || lowerName == "frame")
            return Void;
        if (lowerName == "style")
            return RawText;
        if (lowerName == "title")
            return EscapableRawText;
        break;
    case 6:
        if (lowerName == "source" || lowerName == "keygen")
            return Void;
        if (lowerName == "script")
            return Script;
        if (lowerName == "iframe")
            return RawText;
        break;
    case 7:
        if (lowerName == "isindex")
            return Void;
        if (lowerName == "noembed")
            return RawText;
        break;
    case 8:
        if (lowerName == "basefont")
            return Void;
        if (lowerName == "noframes")
            return RawText;
        if (lowerName == "textarea")
            return EscapableRawText;
        break;
    case 9:
        if (lowerName == "plaintext")
            return PlainText;
        break;
    default:
        break;
    }
    return Markup;
}

} // namespace inkwell
