// Re-indents the content of a script element line by line, changing nothing that a script engine
// would read differently: only the leading white space of lines that start in plain code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

// One line of a script as the re-indenter sees it. Offsets are bytes into the script text.
struct ScriptLine
{
    std::size_t begin = 0; // first byte of the line
    std::size_t end = 0; // first byte of its line terminator, or the end of the text
    std::size_t next = 0; // first byte of the following line (end plus the terminator's length)
    bool insideLiteral = false; // starts inside a string, template, regular expression or comment
    int depth = 0; // indentation depth relative to the script's first line
};

// The lines of a script, and whether its text stops inside a literal or a comment.
struct ScriptScan
{
    std::vector<ScriptLine> lines;
    bool endsInsideLiteral = false;
};

// Splits a script into lines (LF, CR or CR LF) and tells for each whether it starts inside a
// literal or a comment, and at which bracket depth its code stands. Linear in the text's size.
[[nodiscard]] ScriptScan scanScript(std::string_view script);

// A re-indented script, and whether it stops inside a literal or a comment: whatever follows it then
// belongs to that literal, so the caller must not put a line break of its own there.
struct ReindentedScript
{
    std::string text;
    bool endsInsideLiteral = false;
};

// The script with every line that starts in plain code re-indented: its leading spaces and tabs
// are replaced by indentUnit repeated (baseLevel + depth) times, capped at maxLevel. Lines that start
// inside a literal or a comment are copied byte for byte, and so are the line terminators and the
// rest of every line. Blank lines at both ends are dropped and the first line gets no indentation
// of its own, because the caller prints it after a line break and indentation of its own.
[[nodiscard]] ReindentedScript reindentScript(
    std::string_view script, std::string_view indentUnit, int baseLevel, int maxLevel);

} // namespace inkwell
