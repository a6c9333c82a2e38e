// PageUrl: the loopback URL under which the page server delivers the current document file.
#pragma once

#include <filesystem>
#include <string>

// The URL is built from the document's name, not from its folder: it names the saved file when
// the document lies in the run folder's "tmp" folder, or in a folder of its own name directly in
// the run folder's "project" folder. `documentKind` 0 is an HTML page (".html"), 1 a style sheet
// (".css"), anything else has no extension. The name is percent-encoded as UTF-8 bytes in both of
// its segments, so the URL is valid for every client.
[[nodiscard]] std::string PageUrl(const std::filesystem::path& documentFolder,
    const std::string& documentName, int documentKind, const std::filesystem::path& runFolder, int port);

// Whether PageUrl names the document's own file: the document lies in the run folder's "tmp" folder or
// in its "project/<name>" folder (links resolved). Elsewhere the server has no way to reach the file.
[[nodiscard]] bool PageUrlReachesDocument(const std::filesystem::path& documentFolder,
    const std::string& documentName, const std::filesystem::path& runFolder);
