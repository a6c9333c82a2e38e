#include "platform/archive/htmlresourcescanner.h"

#include "platform/ascii.h"
#include "platform/textencoding.h"

#include <gumbo.h>
#include <memory>
#include <optional>

namespace inkwell {
namespace {

using Kind = ResourceRef::Kind;

struct GumboOutputDeleter
{
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};
using GumboOutputPtr = std::unique_ptr<GumboOutput, GumboOutputDeleter>;

bool hasToken(std::string_view list, std::string_view token)
{
    const std::string lower = asciiLower(list);
    std::string_view rest = lower;
    while (!rest.empty()) {
        while (!rest.empty() && isAsciiBlank(rest.front()))
            rest.remove_prefix(1);
        std::size_t end = 0;
        while (end < rest.size() && !isAsciiBlank(rest[end]))
            ++end;
        if (rest.substr(0, end) == token)
            return true;
        rest.remove_prefix(end);
    }
    return false;
}

class Scanner
{
public:
    explicit Scanner(std::string_view html)
        : m_html(html)
    {
    }

    HtmlScan run()
    {
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = 0; // the error list is not used; recording it only costs memory
        GumboOutputPtr output(gumbo_parse_with_options(&options, m_html.data(), m_html.size()));
        if (!output)
            return {};
        // An explicit stack: pages nest deeply enough to exhaust the call stack of a recursion.
        std::vector<const GumboNode*> stack { output->document };
        while (!stack.empty()) {
            const GumboNode* node = stack.back();
            stack.pop_back();
            const GumboVector* children = nullptr;
            if (node->type == GUMBO_NODE_DOCUMENT) {
                children = &node->v.document.children;
            } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
                element(node->v.element);
                children = &node->v.element.children;
            }
            if (children == nullptr)
                continue;
            for (unsigned int i = children->length; i > 0; --i)
                stack.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
        }
        return std::move(m_scan);
    }

private:
    // The span of text inside the page's bytes, or nothing when gumbo made it up (parser fix-ups).
    std::optional<std::size_t> offsetOf(const char* data, std::size_t length) const
    {
        if (data == nullptr || data < m_html.data() || data > m_html.data() + m_html.size())
            return std::nullopt;
        const auto offset = static_cast<std::size_t>(data - m_html.data());
        if (length > m_html.size() - offset)
            return std::nullopt;
        return offset;
    }

    static const GumboAttribute* attribute(const GumboElement& element, const char* name)
    {
        return gumbo_get_attribute(&element.attributes, name);
    }

    // The raw bytes of an attribute value inside the page, quotes removed.
    std::optional<std::pair<std::size_t, std::string_view>> rawValue(const GumboAttribute& attr) const
    {
        std::string_view raw(attr.original_value.data, attr.original_value.length);
        const auto offset = offsetOf(raw.data(), raw.size());
        if (!offset)
            return std::nullopt;
        std::size_t start = *offset;
        if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
            raw = raw.substr(1, raw.size() - 2);
            ++start;
        }
        return std::make_pair(start, raw);
    }

    void urlAttribute(const GumboElement& element, const char* name, Kind kind)
    {
        const GumboAttribute* attr = attribute(element, name);
        if (attr == nullptr)
            return;
        const std::string_view value = trimBlanks(attr->value);
        if (value.empty())
            return;
        ResourceRef ref { 0, 0, std::string(value), kind };
        const auto raw = rawValue(*attr);
        if (!raw) {
            ref.rewritable = false;
        } else {
            // A value without character references is its raw bytes; otherwise the whole raw value
            // is the span, which holds exactly this one URL.
            const std::string_view trimmed = trimBlanks(raw->second);
            ref.offset = raw->first + static_cast<std::size_t>(trimmed.data() - raw->second.data());
            ref.length = trimmed.size();
            // Raw bytes keep a URL written in the page's own encoding as it is; gumbo's decoded
            // value would have replaced bytes that are not UTF-8.
            if (trimmed.find('&') == std::string_view::npos)
                ref.url = std::string(trimmed);
        }
        m_scan.refs.push_back(std::move(ref));
    }

    // A srcset list: URLs each followed by an optional descriptor, separated by commas.
    void srcsetAttribute(const GumboElement& element, Kind kind)
    {
        const GumboAttribute* attr = attribute(element, "srcset");
        if (attr == nullptr)
            return;
        const auto raw = rawValue(*attr);
        const bool inPlace = raw && raw->second.find('&') == std::string_view::npos;
        const std::string_view text = inPlace ? raw->second : std::string_view(attr->value);
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && (isAsciiBlank(text[i]) || text[i] == ','))
                ++i;
            const std::size_t start = i;
            while (i < text.size() && !isAsciiBlank(text[i]))
                ++i;
            std::size_t end = i;
            while (end > start && text[end - 1] == ',')
                --end;
            if (end > start) {
                ResourceRef ref { inPlace ? raw->first + start : 0, inPlace ? end - start : 0,
                    std::string(text.substr(start, end - start)), kind };
                ref.rewritable = inPlace;
                m_scan.refs.push_back(std::move(ref));
            }
            if (end < i)
                continue; // the URL ended in a comma: no descriptor follows
            int depth = 0;
            while (i < text.size() && (depth > 0 || text[i] != ',')) {
                depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
                ++i;
            }
        }
    }

    void styleAttribute(const GumboElement& element)
    {
        const GumboAttribute* attr = attribute(element, "style");
        if (attr == nullptr)
            return;
        const auto raw = rawValue(*attr);
        if (raw && raw->second.find('&') == std::string_view::npos) {
            addCss(raw->second, raw->first);
            return;
        }
        for (ResourceRef ref : scanCssResources(attr->value)) {
            ref.offset = 0;
            ref.length = 0;
            ref.rewritable = false;
            m_scan.refs.push_back(std::move(ref));
        }
    }

    void addCss(std::string_view css, std::size_t offset)
    {
        for (ResourceRef ref : scanCssResources(css)) {
            ref.offset += offset;
            m_scan.refs.push_back(std::move(ref));
        }
    }

    void styleElement(const GumboElement& element)
    {
        for (unsigned int i = 0; i < element.children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
            if (child->type != GUMBO_NODE_TEXT && child->type != GUMBO_NODE_WHITESPACE
                && child->type != GUMBO_NODE_CDATA)
                continue;
            const GumboStringPiece& text = child->v.text.original_text;
            if (const auto offset = offsetOf(text.data, text.length))
                addCss(std::string_view(text.data, text.length), *offset);
        }
    }

    void meta(const GumboElement& element)
    {
        if (!m_scan.charset.empty())
            return;
        if (const GumboAttribute* charset = attribute(element, "charset")) {
            m_scan.charset = std::string(trimBlanks(charset->value));
            return;
        }
        const GumboAttribute* equiv = attribute(element, "http-equiv");
        const GumboAttribute* content = attribute(element, "content");
        if (equiv != nullptr && content != nullptr && asciiLower(trimBlanks(equiv->value)) == "content-type")
            m_scan.charset = std::string(charsetParameter(content->value).value_or(std::string_view()));
    }

    void element(const GumboElement& element)
    {
        // Tables, cells and the body may carry an old-style background picture; any element may
        // carry a style attribute.
        urlAttribute(element, "background", Kind::Picture);
        styleAttribute(element);
        switch (element.tag) {
        case GUMBO_TAG_IMG:
            urlAttribute(element, "src", Kind::Picture);
            srcsetAttribute(element, Kind::Picture);
            break;
        case GUMBO_TAG_INPUT:
            if (const GumboAttribute* type = attribute(element, "type");
                type && asciiLower(trimBlanks(type->value)) == "image")
                urlAttribute(element, "src", Kind::Picture);
            break;
        case GUMBO_TAG_LINK:
            if (const GumboAttribute* rel = attribute(element, "rel")) {
                if (hasToken(rel->value, "stylesheet"))
                    urlAttribute(element, "href", Kind::StyleSheet);
                else if (hasToken(rel->value, "icon") || hasToken(rel->value, "apple-touch-icon"))
                    urlAttribute(element, "href", Kind::Resource);
            }
            break;
        case GUMBO_TAG_STYLE:
            styleElement(element);
            break;
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_AUDIO:
        case GUMBO_TAG_TRACK:
            urlAttribute(element, "src", Kind::Resource);
            break;
        case GUMBO_TAG_VIDEO:
            urlAttribute(element, "src", Kind::Resource);
            urlAttribute(element, "poster", Kind::Resource);
            break;
        case GUMBO_TAG_SOURCE:
            urlAttribute(element, "src", Kind::Resource);
            srcsetAttribute(element, Kind::Resource);
            break;
        case GUMBO_TAG_OBJECT:
            urlAttribute(element, "data", Kind::Resource);
            break;
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_IFRAME:
            urlAttribute(element, "src", Kind::Frame);
            break;
        case GUMBO_TAG_BASE:
            if (const GumboAttribute* href = attribute(element, "href"); href && m_scan.baseHref.empty())
                m_scan.baseHref = std::string(trimBlanks(href->value));
            break;
        case GUMBO_TAG_META:
            meta(element);
            break;
        default:
            break;
        }
    }

    std::string_view m_html;
    HtmlScan m_scan;
};

} // namespace

HtmlScan scanHtmlResources(std::string_view html)
{
    return Scanner(html).run();
}

} // namespace inkwell
