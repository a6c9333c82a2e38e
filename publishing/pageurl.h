// The loopback URL under which the page server delivers the current document file.
#pragma once

#include "core/runfolder.h"
#include "document/documentlocation.h"

#include <optional>
#include <string>

namespace inkwell {

// The URL is built from the document's name, not from its folder: it names the saved file when
// the document lies in the run folder's "tmp" folder, or in a folder of its own name directly in
// the run folder's "project" folder. The name is percent-encoded as UTF-8 bytes in both of its
// segments, so the URL is valid for every client.
[[nodiscard]] std::string pageUrl(const DocumentLocation& document, const RunFolder& runFolder, int port);

// Whether pageUrl names the document's own file: the document lies in the run folder's "tmp" folder or
// in its "project/<name>" folder (links resolved). Elsewhere the server has no way to reach the file.
[[nodiscard]] bool pageUrlReachesDocument(const DocumentLocation& document, const RunFolder& runFolder);

// The URL under which the page server delivers the document file wherever it lies in the run folder
// (links resolved), each segment percent-encoded; empty when the file lies outside it, where the
// server reaches nothing. For showing the page in a browser, which needs no fixed form of URL.
[[nodiscard]] std::optional<std::string> previewUrl(
    const DocumentLocation& document, const RunFolder& runFolder, int port);

// The URL the MHT export fetches the document from: pageUrl where it names the document's own file,
// else the server's URL of the file anywhere in the run folder, else (a project elsewhere, which the
// server cannot reach) the file's own file:// URL, each segment percent-encoded.
[[nodiscard]] std::string exportPageUrl(
    const DocumentLocation& document, const RunFolder& runFolder, int port);

} // namespace inkwell
