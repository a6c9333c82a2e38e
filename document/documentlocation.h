// Where the current document's file lies and what kind of file it is.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

// The kinds of document a project holds, numbered as the wizard lists them and as the recovery record
// stores them. A number read from a record that names neither keeps its value and has no extension.
enum class DocumentKind : int
{
    Html = 0,
    StyleSheet = 1,
};

// ".html" for an HTML page, ".css" for a style sheet, "" for any other value.
[[nodiscard]] std::string_view extensionOfKind(DocumentKind kind);

struct DocumentLocation
{
    std::filesystem::path folder;
    std::string name; // the file name without its extension
    DocumentKind kind = DocumentKind::Html;

    // folder + "/" + name + the extension of the kind.
    [[nodiscard]] std::filesystem::path filePath() const;
};

} // namespace inkwell
