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
    std::filesystem::path folder; // DocumentFolder
    std::string name; // DocumentName: file name without extension
    int kind = 0; // DocumentKind: 0 ".html", 1 ".css", any other value no extension

    // DocumentFolder + "/" + DocumentName + the extension of the kind.
    [[nodiscard]] std::filesystem::path filePath() const;
};

// ".html" for 0, ".css" for 1, "" otherwise.
[[nodiscard]] std::string_view ExtensionOfKind(int kind);

} // namespace inkwell
