#include "archive/htmlresourcescanner.h"

#include "core/ascii.h"
#include "document/textencoding.h"
#include "html/elements.h"
#include "html/entities.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_set>

namespace inkwell {
namespace {

using Kind = ResourceRef::Kind;

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

// One attribute of a tag: its name in lower case and where its value lies in the page.
struct Attribute
{
    std::string name;
    std::size_t valueStart = 0; // bytes into the page, quotes excluded
    std::size_t valueEnd = 0;
};

struct Tag
{
    std::string name; // lower case
    bool endTag = false;
    bool selfClosing = false;
    std::vector<Attribute> attributes; // the first of each name only, as a browser keeps them
    std::size_t end = 0; // just after the closing ">"

    void clear()
    {
        name.clear();
        endTag = false;
        selfClosing = false;
        attributes.clear();
    }

    [[nodiscard]] const Attribute* attribute(std::string_view wanted) const
    {
        for (const Attribute& attr : attributes) {
            if (attr.name == wanted)
                return &attr;
        }
        return nullptr;
    }
};

// Where foreign content (SVG, MathML) is open, and the places inside it where HTML holds again.
// Only these elements are followed, not every element of the page, so that depth costs nothing.
enum class Frame : std::uint8_t
{
    Svg,
    Math,
    ForeignObject,
    Desc,
    Title,
    Mi,
    Mo,
    Mn,
    Ms,
    Mtext,
    AnnotationXml,
    Count,
};

std::optional<Frame> frameOfName(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, Frame>, 11> kNames { {
        { "svg", Frame::Svg },
        { "math", Frame::Math },
        { "foreignobject", Frame::ForeignObject },
        { "desc", Frame::Desc },
        { "title", Frame::Title },
        { "mi", Frame::Mi },
        { "mo", Frame::Mo },
        { "mn", Frame::Mn },
        { "ms", Frame::Ms },
        { "mtext", Frame::Mtext },
        { "annotation-xml", Frame::AnnotationXml },
    } };
    for (const auto& [text, frame] : kNames) {
        if (text == name)
            return frame;
    }
    return std::nullopt;
}

// HTML start tags that end foreign content wherever they appear in it.
bool breaksOutOfForeignContent(const Tag& tag)
{
    static constexpr std::array<std::string_view, 44> kNames { "b", "big", "blockquote", "body", "br",
        "center", "code", "dd", "div", "dl", "dt", "em", "embed", "h1", "h2", "h3", "h4", "h5", "h6", "head",
        "hr", "i", "img", "li", "listing", "menu", "meta", "nobr", "ol", "p", "pre", "ruby", "s", "small",
        "span", "strong", "strike", "sub", "sup", "table", "tt", "u", "ul", "var" };
    if (std::find(kNames.begin(), kNames.end(), tag.name) != kNames.end())
        return true;
    return tag.name == "font"
        && (tag.attribute("color") != nullptr || tag.attribute("face") != nullptr
            || tag.attribute("size") != nullptr);
}

// Reads the page once from start to end as a browser's tokenizer does, with no tree: the time taken
// grows with the page's size only, however deep its elements nest.
class HtmlReferenceReader
{
public:
    explicit HtmlReferenceReader(std::string_view html)
        : m_html(html)
    {
    }

    HtmlScan run()
    {
        std::size_t at = 0;
        while (at < m_html.size()) {
            const std::size_t open = m_html.find('<', at);
            if (open == std::string_view::npos)
                break;
            foreignStyleText(at, open);
            at = markupAt(open);
        }
        return std::move(m_scan);
    }

private:
    [[nodiscard]] bool inForeignContent() const
    {
        return !m_frames.empty() && (m_frames.back() == Frame::Svg || m_frames.back() == Frame::Math);
    }

    // Reads what begins with the "<" at `open`; gives where reading goes on.
    std::size_t markupAt(std::size_t open)
    {
        const std::size_t next = open + 1;
        if (next >= m_html.size())
            return m_html.size();
        const char c = m_html[next];
        if (c == '!')
            return declarationAt(open + 2);
        if (c == '?')
            return pastGreaterThan(next); // a processing instruction is a comment to a browser
        if (c == '/') {
            if (next + 1 >= m_html.size())
                return m_html.size();
            if (m_html[next + 1] == '>')
                return next + 2;
            if (!isAsciiAlpha(m_html[next + 1]))
                return pastGreaterThan(next + 1);
            if (!readTag(next + 1, true))
                return m_html.size();
            endTag();
            return m_tag.end;
        }
        if (!isAsciiAlpha(c))
            return next; // a "<" that begins no tag is text
        if (!readTag(next, false))
            return m_html.size(); // a tag cut off by the end of the page is no tag
        return startTag();
    }

    std::size_t pastGreaterThan(std::size_t from) const
    {
        const std::size_t close = m_html.find('>', from);
        return close == std::string_view::npos ? m_html.size() : close + 1;
    }

    // After "<!": a comment, a CDATA section (in foreign content), or a declaration read as a comment.
    std::size_t declarationAt(std::size_t at)
    {
        if (m_html.substr(at, 2) == "--")
            return pastComment(at + 2);
        if (inForeignContent() && m_html.substr(at, 7) == "[CDATA[") {
            const std::size_t start = at + 7;
            const std::size_t close = m_html.find("]]>", start);
            const std::size_t end = close == std::string_view::npos ? m_html.size() : close;
            foreignStyleText(start, end);
            return close == std::string_view::npos ? m_html.size() : close + 3;
        }
        return pastGreaterThan(at);
    }

    // A comment's text begins at `at`; it ends at "-->" or "--!>", or at once with ">" or "->".
    std::size_t pastComment(std::size_t at) const
    {
        if (m_html.substr(at, 1) == ">")
            return at + 1;
        if (m_html.substr(at, 2) == "->")
            return at + 2;
        for (std::size_t dashes = m_html.find("--", at); dashes != std::string_view::npos;
             dashes = m_html.find("--", dashes + 1)) {
            if (m_html.substr(dashes + 2, 1) == ">")
                return dashes + 3;
            if (m_html.substr(dashes + 2, 2) == "!>")
                return dashes + 4;
        }
        return m_html.size();
    }

    // Reads a tag whose name begins at `at` into m_tag. False when the page ends inside it.
    bool readTag(std::size_t at, bool endTag)
    {
        m_tag.clear();
        m_manyNames.clear();
        m_tag.endTag = endTag;
        const std::size_t size = m_html.size();
        while (at < size && !isAsciiBlank(m_html[at]) && m_html[at] != '/' && m_html[at] != '>')
            m_tag.name += asciiLower(m_html[at++]);
        for (;;) {
            while (at < size && isAsciiBlank(m_html[at]))
                ++at;
            if (at >= size)
                return false;
            if (m_html[at] == '>') {
                m_tag.end = at + 1;
                return true;
            }
            if (m_html[at] == '/') {
                ++at;
                if (at < size && m_html[at] == '>') {
                    m_tag.selfClosing = true;
                    m_tag.end = at + 1;
                    return true;
                }
                continue;
            }
            // An attribute name: a "=" may begin one, and runs to a blank, "/", ">" or "=".
            Attribute attr;
            attr.name += asciiLower(m_html[at++]);
            while (at < size && !isAsciiBlank(m_html[at]) && m_html[at] != '/' && m_html[at] != '>'
                && m_html[at] != '=')
                attr.name += asciiLower(m_html[at++]);
            std::size_t after = at;
            while (after < size && isAsciiBlank(m_html[after]))
                ++after;
            if (after < size && m_html[after] == '=') {
                at = after + 1;
                while (at < size && isAsciiBlank(m_html[at]))
                    ++at;
                if (at >= size)
                    return false;
                const char quote = m_html[at];
                if (quote == '"' || quote == '\'') {
                    const std::size_t close = m_html.find(quote, at + 1);
                    if (close == std::string_view::npos)
                        return false;
                    attr.valueStart = at + 1;
                    attr.valueEnd = close;
                    at = close + 1;
                } else if (quote != '>') {
                    attr.valueStart = at;
                    while (at < size && !isAsciiBlank(m_html[at]) && m_html[at] != '>')
                        ++at;
                    attr.valueEnd = at;
                } else {
                    attr.valueStart = attr.valueEnd = at;
                }
            } else {
                attr.valueStart = attr.valueEnd = at;
            }
            if (!isKnownAttribute(attr.name))
                m_tag.attributes.push_back(std::move(attr));
        }
    }

    // Whether the tag being read has an attribute of this name already. A tag with many attributes
    // has its names kept in a set, so that no tag's attributes take time with the square of their count.
    bool isKnownAttribute(const std::string& name)
    {
        constexpr std::size_t kFewAttributes = 16;
        if (m_tag.attributes.size() < kFewAttributes)
            return m_tag.attribute(name) != nullptr;
        if (m_manyNames.empty()) {
            for (const Attribute& attr : m_tag.attributes)
                m_manyNames.insert(attr.name);
        }
        return !m_manyNames.insert(name).second;
    }

    [[nodiscard]] std::string_view rawValue(const Attribute& attr) const
    {
        return m_html.substr(attr.valueStart, attr.valueEnd - attr.valueStart);
    }

    // The value as a browser reads it, character references replaced.
    [[nodiscard]] std::string value(const Attribute& attr) const
    {
        const std::string_view raw = rawValue(attr);
        if (raw.find_first_of("&\r") == std::string_view::npos && raw.find('\0') == std::string_view::npos)
            return std::string(raw);
        return decodeAttributeValue(raw);
    }

    [[nodiscard]] std::optional<std::string> value(std::string_view name) const
    {
        const Attribute* attr = m_tag.attribute(name);
        if (attr == nullptr)
            return std::nullopt;
        return value(*attr);
    }

    std::size_t startTag()
    {
        m_foreignStyle = false;
        const bool foreignBefore = inForeignContent();
        if (foreignBefore && breaksOutOfForeignContent(m_tag)) {
            while (inForeignContent())
                popFrame();
        }
        const bool foreign = inForeignContent();
        // A browser reads the HTML start tag "image" as "img".
        if (!foreign && m_tag.name == "image")
            m_tag.name = "img";
        // A template inside a select list holds markup of its own.
        if (!foreign && m_inSelect && (endsSelect(m_tag.name) || m_tag.name == "template"))
            m_inSelect = false;
        element();
        // Inside a select list a browser makes no element of most tags: their references are still
        // archived, which costs nothing, but no base or charset is taken from them, and no text
        // after them is raw.
        if (!foreign && m_inSelect && m_tag.name != "script")
            return m_tag.end;
        if (!foreign && m_tag.name == "table")
            ++m_openTables;
        if (!foreign && m_tag.name == "select") {
            m_inSelect = true;
            return m_tag.end;
        }
        if (foreign) {
            if (!m_tag.selfClosing) {
                const std::optional<Frame> frame = frameOfName(m_tag.name);
                const bool svg = m_frames.back() == Frame::Svg;
                if (frame == Frame::Svg || frame == Frame::Math) {
                    pushFrame(*frame);
                } else if (svg
                    && (frame == Frame::ForeignObject || frame == Frame::Desc || frame == Frame::Title)) {
                    pushFrame(*frame);
                } else if (!svg && frame && *frame >= Frame::Mi && *frame <= Frame::Mtext) {
                    pushFrame(*frame);
                } else if (!svg && frame == Frame::AnnotationXml) {
                    const std::string encoding = asciiLower(value("encoding").value_or(std::string()));
                    if (encoding == "text/html" || encoding == "application/xhtml+xml")
                        pushFrame(*frame);
                } else if (m_tag.name == "style") {
                    m_foreignStyle = true;
                }
            }
            return m_tag.end;
        }
        if (m_tag.name == "svg" || m_tag.name == "math") {
            if (!m_tag.selfClosing)
                pushFrame(m_tag.name == "svg" ? Frame::Svg : Frame::Math);
            return m_tag.end;
        }
        // The archive is read as by a browser without scripts, which shows the markup inside noscript.
        const ElementContent content = contentOf(m_tag.name);
        if (content == ElementContent::Markup || content == ElementContent::Void)
            return m_tag.end;
        if (content == ElementContent::PlainText)
            return m_html.size();
        const std::string name = m_tag.name;
        const std::size_t start = m_tag.end;
        const std::size_t end
            = content == ElementContent::Script ? scriptEnd(start) : rawTextEnd(start, name);
        if (name == "style")
            addCss(m_html.substr(start, end - start), start);
        if (end >= m_html.size())
            return m_html.size();
        // The end tag is read as a tag, with whatever attributes it carries.
        if (!readTag(end + 2, true))
            return m_html.size();
        return m_tag.end;
    }

    // Tags that close an open select list, as start or end tags; those of tables only when the list
    // stands in a table.
    bool endsSelect(std::string_view name) const
    {
        static constexpr std::array<std::string_view, 8> kTableNames { "caption", "table", "tbody", "tfoot",
            "thead", "tr", "td", "th" };
        if (name == "select" || name == "input" || name == "keygen" || name == "textarea")
            return true;
        return m_openTables > 0
            && std::find(kTableNames.begin(), kTableNames.end(), name) != kTableNames.end();
    }

    void endTag()
    {
        if (m_tag.name == "style")
            m_foreignStyle = false;
        if (m_tag.name == "table" && m_openTables > 0 && !inForeignContent())
            --m_openTables;
        if (m_inSelect && endsSelect(m_tag.name) && m_tag.name != "input" && m_tag.name != "keygen"
            && m_tag.name != "textarea")
            m_inSelect = false;
        const std::optional<Frame> frame = frameOfName(m_tag.name);
        if (!frame || m_frameCounts[static_cast<std::size_t>(*frame)] == 0)
            return;
        while (!m_frames.empty()) {
            const Frame top = m_frames.back();
            popFrame();
            if (top == *frame)
                break;
        }
    }

    void pushFrame(Frame frame)
    {
        m_frames.push_back(frame);
        ++m_frameCounts[static_cast<std::size_t>(frame)];
    }

    void popFrame()
    {
        m_foreignStyle = false;
        --m_frameCounts[static_cast<std::size_t>(m_frames.back())];
        m_frames.pop_back();
    }

    // Whether `</name` followed by a blank, "/" or ">" stands at `at` (name in lower case).
    [[nodiscard]] bool isEndTagOf(std::size_t at, std::string_view name) const
    {
        if (m_html.substr(at, 2) != "</" || !startsWithNoCase(m_html, at + 2, name))
            return false;
        const std::size_t after = at + 2 + name.size();
        return after < m_html.size()
            && (isAsciiBlank(m_html[after]) || m_html[after] == '/' || m_html[after] == '>');
    }

    // Where the end tag of a raw text element begins, or the end of the page.
    [[nodiscard]] std::size_t rawTextEnd(std::size_t at, std::string_view name) const
    {
        for (std::size_t open = m_html.find("</", at); open != std::string_view::npos;
             open = m_html.find("</", open + 2)) {
            if (isEndTagOf(open, name))
                return open;
        }
        return m_html.size();
    }

    // Where the end tag of a script begins: inside "<!--" a "<script" hides the next "</script>" up
    // to its "-->", as browsers read old pages that wrote scripts with document.write.
    [[nodiscard]] std::size_t scriptEnd(std::size_t at) const
    {
        enum class State
        {
            Data,
            Escaped,
            DoubleEscaped,
        };
        State state = State::Data;
        const std::size_t size = m_html.size();
        std::size_t i = at;
        while (i < size) {
            const char c = m_html[i];
            if (state == State::Data) {
                if (c == '<' && m_html.substr(i, 4) == "<!--") {
                    state = State::Escaped;
                    i += 4;
                    // "<!-->" and "<!--->" leave the escape at once.
                    if (m_html.substr(i, 1) == ">") {
                        state = State::Data;
                        ++i;
                    } else if (m_html.substr(i, 2) == "->") {
                        state = State::Data;
                        i += 2;
                    }
                    continue;
                }
                if (isEndTagOf(i, "script"))
                    return i;
                ++i;
                continue;
            }
            if (c == '-') {
                // Two dashes or more and then ">" end the escape.
                std::size_t dashes = i;
                while (dashes < size && m_html[dashes] == '-')
                    ++dashes;
                if (dashes - i >= 2 && dashes < size && m_html[dashes] == '>') {
                    state = State::Data;
                    i = dashes + 1;
                } else {
                    i = dashes;
                }
                continue;
            }
            if (c == '<') {
                if (state == State::Escaped) {
                    if (isEndTagOf(i, "script"))
                        return i;
                    if (startsWithNoCase(m_html, i + 1, "script") && endsScriptName(i + 7)) {
                        state = State::DoubleEscaped;
                        i += 7;
                        continue;
                    }
                } else if (m_html.substr(i, 2) == "</" && startsWithNoCase(m_html, i + 2, "script")
                    && endsScriptName(i + 8)) {
                    state = State::Escaped;
                    i += 8;
                    continue;
                }
            }
            ++i;
        }
        return size;
    }

    // Whether the character at `at` ends the name "script" inside an escaped script.
    [[nodiscard]] bool endsScriptName(std::size_t at) const
    {
        return at < m_html.size() && (isAsciiBlank(m_html[at]) || m_html[at] == '/' || m_html[at] == '>');
    }

    // Text inside an SVG style element is style sheet text as well.
    void foreignStyleText(std::size_t start, std::size_t end)
    {
        if (m_foreignStyle && end > start)
            addCss(m_html.substr(start, end - start), start);
    }

    void urlAttribute(const char* name, Kind kind)
    {
        const Attribute* attr = m_tag.attribute(name);
        if (attr == nullptr)
            return;
        const std::string decoded = value(*attr);
        const std::string_view url = trimBlanks(decoded);
        if (url.empty())
            return;
        // The span is the raw value without blanks around it. Where the value has no character
        // references its raw bytes are the URL, which keeps a name written in the page's own
        // encoding as it is; otherwise the span holds exactly this one URL, written differently.
        const std::string_view raw = rawValue(*attr);
        const std::string_view trimmed = trimBlanks(raw);
        ResourceRef ref { attr->valueStart + static_cast<std::size_t>(trimmed.data() - raw.data()),
            trimmed.size(), std::string(trimmed.find('&') == std::string_view::npos ? trimmed : url), kind };
        m_scan.refs.push_back(std::move(ref));
    }

    // A srcset list: URLs each followed by an optional descriptor, separated by commas.
    void srcsetAttribute(Kind kind)
    {
        const Attribute* attr = m_tag.attribute("srcset");
        if (attr == nullptr)
            return;
        const std::string_view raw = rawValue(*attr);
        const bool inPlace = raw.find('&') == std::string_view::npos;
        const std::string decoded = inPlace ? std::string() : value(*attr);
        const std::string_view text = inPlace ? raw : std::string_view(decoded);
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
                ResourceRef ref { inPlace ? attr->valueStart + start : 0, inPlace ? end - start : 0,
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

    void styleAttribute()
    {
        const Attribute* attr = m_tag.attribute("style");
        if (attr == nullptr)
            return;
        const std::string_view raw = rawValue(*attr);
        if (raw.find('&') == std::string_view::npos) {
            addCss(raw, attr->valueStart);
            return;
        }
        for (ResourceRef ref : scanCssResources(value(*attr))) {
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

    void meta()
    {
        if (!m_scan.charset.empty())
            return;
        if (const std::optional<std::string> charset = value("charset")) {
            m_scan.charset = std::string(trimBlanks(*charset));
            return;
        }
        const std::optional<std::string> equiv = value("http-equiv");
        const std::optional<std::string> content = value("content");
        if (equiv && content && asciiLower(trimBlanks(*equiv)) == "content-type")
            m_scan.charset = std::string(charsetParameter(*content).value_or(std::string_view()));
    }

    void element()
    {
        // Tables, cells and the body may carry an old-style background picture; any element may
        // carry a style attribute.
        urlAttribute("background", Kind::Picture);
        styleAttribute();
        const std::string& name = m_tag.name;
        if (name == "img") {
            urlAttribute("src", Kind::Picture);
            srcsetAttribute(Kind::Picture);
        } else if (name == "input") {
            if (const std::optional<std::string> type = value("type");
                type && asciiLower(trimBlanks(*type)) == "image")
                urlAttribute("src", Kind::Picture);
        } else if (name == "link") {
            if (const std::optional<std::string> rel = value("rel")) {
                if (hasToken(*rel, "stylesheet"))
                    urlAttribute("href", Kind::StyleSheet);
                else if (hasToken(*rel, "icon") || hasToken(*rel, "apple-touch-icon"))
                    urlAttribute("href", Kind::Resource);
            }
        } else if (name == "script" || name == "embed" || name == "bgsound" || name == "audio"
            || name == "track") {
            urlAttribute("src", Kind::Resource);
        } else if (name == "video") {
            urlAttribute("src", Kind::Resource);
            urlAttribute("poster", Kind::Resource);
        } else if (name == "source") {
            urlAttribute("src", Kind::Resource);
            srcsetAttribute(Kind::Resource);
        } else if (name == "object") {
            urlAttribute("data", Kind::Resource);
        } else if (name == "frame" || name == "iframe") {
            urlAttribute("src", Kind::Frame);
        } else if (name == "base" && !m_inSelect) {
            if (const std::optional<std::string> href = value("href"); href && m_scan.baseHref.empty())
                m_scan.baseHref = std::string(trimBlanks(*href));
        } else if (name == "meta" && !m_inSelect) {
            meta();
        }
    }

    std::string_view m_html;
    HtmlScan m_scan;
    Tag m_tag; // the tag being read; kept to reuse its memory
    std::unordered_set<std::string> m_manyNames; // the attribute names of a tag with many
    std::vector<Frame> m_frames; // open foreign content and HTML places inside it, innermost last
    std::array<std::size_t, static_cast<std::size_t>(Frame::Count)> m_frameCounts {};
    bool m_foreignStyle = false; // reading the text of a style element inside foreign content
    bool m_inSelect = false; // inside an HTML select list
    std::size_t m_openTables = 0; // table start tags not yet ended
};

} // namespace

HtmlScan scanHtmlResources(std::string_view html)
{
    return HtmlReferenceReader(html).run();
}

} // namespace inkwell
