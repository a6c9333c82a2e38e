// Helpers for the web archive tests: a throw-away folder tree, files, external commands, and the
// archive split into its parts by an independent reader (Python's email package).
#pragma once

#include "archive/archivebuilder.h"
#include "tests/support/tempfolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace inkwell {

inline void PrintTo(const MissingResource& missing, std::ostream* out)
{
    *out << "{ " << missing.url << ": " << missing.reason << " }";
}

} // namespace inkwell

namespace archive_test {

using inkwell::testing::TempFolder;

inline void WriteFile(const std::filesystem::path& path, std::string_view content)
{
    inkwell::testing::WriteFile(path, content);
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    inkwell::Result<std::string> bytes = inkwell::readFile(path);
    if (!bytes)
        throw std::runtime_error(bytes.error().message);
    return std::move(*bytes);
}

inline std::string Replace(std::string text, std::string_view from, std::string_view to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// LF line breaks as CR LF: the form in which a text part comes back out of an archive.
inline std::string CrLf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// A shell word that stands for text exactly.
inline std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

// Runs a shell command; its exit status (-1 when it did not exit normally).
inline int RunShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Part
{
    std::string type; // without parameters
    std::string charset;
    std::string encoding;
    std::string location;
    std::string contentId; // with its angle brackets, as written
    std::string bytes; // decoded
};

// The archive's parts in order as Python's email package reads them; throws when it cannot.
inline std::vector<Part> SplitArchive(const std::filesystem::path& archive, const std::filesystem::path& work)
{
    const std::filesystem::path out = work / "split";
    std::filesystem::remove_all(out);
    const std::string script = std::string(INKWELL_SOURCE_DIR) + "/tests/archive/mht_split.py";
    if (RunShell("python3 " + Quote(script) + " " + Quote(archive.string()) + " " + Quote(out.string())) != 0)
        throw std::runtime_error("python's email package could not split " + archive.string());
    std::vector<Part> parts;
    std::istringstream manifest(ReadFile(out / "manifest.tsv"));
    for (std::string line; std::getline(manifest, line);) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        if (fields.size() != 6)
            throw std::runtime_error("bad manifest line: " + line);
        parts.push_back(Part {
            fields[1], fields[2], fields[3], fields[4], fields[5], ReadFile(out / (fields[0] + ".bin")) });
    }
    return parts;
}

using inkwell::testing::namesIn;

} // namespace archive_test
