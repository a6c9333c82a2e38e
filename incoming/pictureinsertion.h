// How an inserted picture comes to lie beside the document and how the page
// refers to it, so that it shows in the editor, from disk, through the page server and in archives.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// The path as a URL reference names it: the file's own name (西湖风景.png stays so), with only what a
// reference cannot hold percent-encoded (blanks and control characters, "#", "?", "%", a quote, "&",
// "<", ">" and "\").
[[nodiscard]] std::string percentEncodePath(std::string_view path);

// "file://" followed by the percent-encoded absolute path.
[[nodiscard]] std::string fileUrl(const std::filesystem::path& absolute);

// The src value for a picture: its percent-encoded path relative to the document folder when it lies in
// that folder or below it, its file:// URL otherwise, and empty for an empty path.
[[nodiscard]] std::string pictureSource(
    const std::filesystem::path& picture, const std::filesystem::path& documentFolder);

// Copies the picture into the folder under its own name and returns the copy's path. A file of that
// name is replaced, but only by a complete copy; a picture that already is that file is left untouched
// (a copy onto itself would truncate the file being read). An error when the picture cannot be read
// (a named pipe, a device or a folder is refused at once, without waiting on it: kNotARegularFile,
// EISDIR) or the copy cannot be written.
[[nodiscard]] Result<std::filesystem::path> copyPictureIntoFolder(
    const std::filesystem::path& picture, const std::filesystem::path& folder);

// Told after each piece of a copy with the bytes copied so far; false stops the copy, which is then
// taken away again (ECANCELED).
using CopyProgress = std::function<bool(std::uint64_t copied)>;

// Copies a dropped picture into the folder without ever writing over a different file: under its own
// name when that is free, else under the next free one ("logo-2.png"). A file of that name with the
// same bytes, or the picture itself when it lies there, is used as it is. The copy goes piece by piece,
// in memory of its own size whatever the picture's.
[[nodiscard]] Result<std::filesystem::path> copyPictureUnderFreeName(const std::filesystem::path& picture,
    const std::filesystem::path& folder, const CopyProgress& progress = {});

} // namespace inkwell
