// The rule every text the program shows keeps: outside file names, URLs and numbers it holds no
// ASCII letters, its punctuation is full-width, and it names nothing of the program's insides.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace inkwell::testing {

namespace messagerules_detail {

inline bool isAsciiGraphic(char c)
{
    return c > ' ' && c < 0x7F;
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A run of ASCII that a user wrote or a system named: a path, a URL or a file name with its
// extension ("a.png"). A word with a full stop at its end is no name.
inline bool isName(std::string_view token)
{
    if (token.find("://") != std::string_view::npos || token.starts_with('/')
        || token.find('/') != std::string_view::npos)
        return true;
    const auto dot = token.rfind('.');
    return dot != std::string_view::npos && dot > 0 && dot + 1 < token.size();
}

inline bool isNumber(std::string_view token)
{
    if (token.empty() || !isDigit(token.front()) || !isDigit(token.back()))
        return false;
    for (const char c : token) {
        if (!isDigit(c) && c != '.')
            return false;
    }
    return true;
}

} // namespace messagerules_detail

// Empty when text keeps the rule; otherwise what breaks it. `verbatim` are parts that may be
// anything (file names with blanks). Words in full-width brackets are a system's own and may be
// anything too.
inline std::string messageFault(std::string_view shown, const std::vector<std::string>& verbatim = {})
{
    using namespace messagerules_detail;
    // Each verbatim part becomes a blank, which the scan below passes over.
    std::string text(shown);
    for (const std::string& part : verbatim) {
        if (part.empty())
            continue;
        std::string rest;
        std::size_t from = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, from)) {
            rest.append(text, from, at - from).push_back(' ');
            from = at + part.size();
        }
        rest.append(text, from, std::string::npos);
        text = std::move(rest);
    }
    for (const std::string_view word :
        { "页面服务", "进程", "运行目录", "编辑器", "锁文件", "页面显示部分", "空字符" }) {
        if (text.find(word) != std::string::npos)
            return "an inner word \"" + std::string(word) + "\" in: " + std::string(shown);
    }
    if (text.find("稍候") != std::string::npos)
        return "\"稍候\" where \"稍后\" is meant in: " + std::string(shown);
    // "文档" is the page's file alone ("文档文件", "文档文件夹"); the archive is the "MHT 文件".
    for (auto at = text.find("文档"); at != std::string::npos; at = text.find("文档", at + 1)) {
        if (std::string_view(text).substr(at + std::string_view("文档").size()).substr(0, 6) != "文件")
            return "\"文档\" without \"文件\" (the page's file, or the MHT 文件?) in: " + std::string(shown);
    }
    for (std::size_t i = 0; i < text.size();) {
        if (!isAsciiGraphic(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isAsciiGraphic(text[end]))
            ++end;
        const std::string_view token(text.data() + i, end - i);
        const std::string_view before = std::string_view(text).substr(0, i);
        const std::string_view after = std::string_view(text).substr(end);
        // "猫.png": the extension of a name whose other characters are not ASCII. "“..”": a name the
        // text quotes.
        const bool extension = token.size() > 1 && token.front() == '.' && i > 0
            && static_cast<unsigned char>(text[i - 1]) >= 0x80;
        const bool quoted = before.ends_with("“") && after.starts_with("”");
        // A system's own words, which have no sentence of ours, in brackets after a Chinese one.
        const auto open = before.rfind("（");
        const bool systemWords = open != std::string_view::npos && open > 0
            && before.substr(open).find("）") == std::string_view::npos
            && after.find("）") != std::string_view::npos;
        // The archive's kind, as its files are named and the export command says it.
        const bool archiveKind = token == "MHT";
        if (!extension && !quoted && !systemWords && !archiveKind && !isName(token) && !isNumber(token))
            return "\"" + std::string(token) + "\" is neither a name nor a number in: " + std::string(shown);
        i = end;
    }
    return {};
}

} // namespace inkwell::testing
