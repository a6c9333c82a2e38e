// A generator of messy markup for property tests: every construct the formatter treats specially.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace inkwell {

// Messy markup: every construct the formatter treats specially, in random order and nesting, with
// random white space, unclosed and stray tags, and sometimes cut off at a random point.
class MessyMarkup
{
public:
    explicit MessyMarkup(unsigned seed)
        : m_random(seed)
    {
    }

    // A page, and the content of every pre and textarea element in it that the cut left whole.
    std::string page(std::vector<std::string>& verbatim)
    {
        std::string html;
        std::vector<std::pair<std::size_t, std::string>> contents;
        const int pieces = pick(1, 60);
        for (int i = 0; i < pieces; ++i) {
            m_verbatim.clear();
            const std::string next = piece();
            if (!m_verbatim.empty())
                contents.emplace_back(html.size() + next.size(), m_verbatim);
            html += next;
        }
        if (pick(0, 4) == 0)
            html.resize(static_cast<std::size_t>(pick(0, static_cast<int>(html.size()))));
        for (const auto& [end, content] : contents) {
            if (end <= html.size())
                verbatim.push_back(content);
        }
        return html;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    template <typename T> const T& oneOf(const std::vector<T>& list)
    {
        return list[static_cast<std::size_t>(pick(0, static_cast<int>(list.size()) - 1))];
    }

    std::string space()
    {
        static const std::vector<std::string> spaces { "", " ", "  ", "\n", "\r\n", "\t", "\n\t\t  ",
            " \n " };
        return oneOf(spaces);
    }

    std::string words(int most)
    {
        static const std::vector<std::string> list { "a", "word", "longerwordthanusual", "日本語", "é", "x=y",
            "&amp;", "'quoted'", "\"dq\"", "-->", "]]>",
            "supercalifragilisticexpialidocious-and-then-some-more-text" };
        std::string text;
        const int count = pick(0, most);
        for (int i = 0; i < count; ++i)
            text += space() + oneOf(list);
        return text + space();
    }

    std::string name()
    {
        static const std::vector<std::string> names { "div", "p", "span", "a", "b", "li", "ul", "td", "tr",
            "DIV", "Span", "html", "head", "body", "title", "x-y", "style" };
        return oneOf(names);
    }

    std::string attributes()
    {
        std::string text;
        const int count = pick(0, 4);
        for (int i = 0; i < count; ++i) {
            text += (i > 0 && pick(0, 3) == 0) ? "" : " ";
            text += oneOf(std::vector<std::string> { "href", "class", "id", "title", "data-x" });
            switch (pick(0, 5)) {
            case 0:
                break;
            case 1:
                text += "=\"" + words(3) + "\"";
                break;
            case 2:
                text += space() + "=" + space() + "'" + words(2) + ">'";
                break;
            case 3:
                // Appended piece by piece: GCC 12 warns falsely about "=" + std::string here.
                text += '=';
                text += space();
                text += "unquoted";
                text += space();
                break;
            case 4:
                text += "=\"line one\n      line two\"";
                break;
            default:
                text += "=\"" + words(20) + "\"";
                break;
            }
        }
        return text;
    }

    std::string piece()
    {
        switch (pick(0, 17)) {
        case 0:
        case 1:
        case 2:
            return "<" + name() + attributes() + space() + ">";
        case 3:
        case 4:
            return "</" + name() + space() + ">";
        case 5:
        case 6:
            return words(12);
        case 7:
            return oneOf(std::vector<std::string> { "<br>", "<img src=x>", "<hr/>", "<x-y />",
                "<meta charset=utf-8>", "<!DOCTYPE html>", "<?xml version=\"1.0\"?>" });
        case 8:
            return "<!--" + words(6) + "-->";
        case 9:
            return "<!-- a > b" + words(3) + "\n   c -->";
        case 10:
            return oneOf(std::vector<std::string> { "<!--[if IE]>", "<![endif]-->", "<!--[if !IE]><!-->",
                "<!--<![endif]-->", "<!--[if lt IE 9]>" });
        case 11:
            return "<![CDATA[" + words(4) + "]]>";
        case 12:
            m_verbatim = words(5) + "<b>" + words(3) + "</b>\n   end";
            return "<pre" + attributes() + ">" + m_verbatim + "</pre>";
        case 13:
            m_verbatim = words(5) + "<p>\n\t  raw";
            return "<textarea>" + m_verbatim + "</textarea>";
        case 14:
            return "<script>"
                + oneOf(
                    std::vector<std::string> { "", "\n  var a = 1;\n", "\n if (x) {\n   y(`a\n   b`);\n }\n",
                        "a = /'/.test(b) // '\n  c = \"d\"", "\n/* keep\n     this */\n    f();\n" })
                + "</script>";
        case 15:
            return "<style>" + words(6) + "</style>";
        case 16:
            return "<script type=\"text/template\">\n   <p>" + words(3) + "</p>\n</script>";
        default:
            return "<" + name() + " title=\"" + words(30) + "\" class=x>";
        }
    }

    std::mt19937 m_random;
    std::string m_verbatim;
};

} // namespace inkwell
