// The current document: where its file lies and what kind of file it is.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

enum class DocumentKind : int
{
    HtmlPage = 0,
    StyleSheet = 1
};

struct DocumentState
{
    std::filesystem::path folder;
    std::string name; // file name without extension
    int kind = 0; // 0 ".html", 1 ".css", any other value no extension

    // folder / name + the extension of the kind.
    [[nodiscard]] std::filesystem::path filePath() const;
};

// ".html" for 0, ".css" for 1, "" otherwise.
[[nodiscard]] std::string_view ExtensionOfKind(int kind);

} // namespace inkwell
