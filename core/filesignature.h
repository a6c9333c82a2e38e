// What a file's first bytes say it is: the signatures of pictures, archives, PDF documents and
// programs, told apart from text without looking at the file's name.
#pragma once

#include <optional>
#include <string_view>

namespace inkwell {

// The Error::code of a file refused as a page for its signature; it follows the program's own codes
// in result.h.
inline constexpr int kNotAWebPage = -5;

// Kinds of file that are never text, known by a signature at their start.
enum class BinaryKind
{
    Picture,
    Archive, // compressed files and containers: zip (and the office files built on it), gzip, 7z, tar ...
    Pdf,
    Program, // executables and compiled code
};

// The kind the bytes' signature names; nothing for text and for bytes no signature here names. A
// signature short enough to begin a text (a tar header, "BZh", "MZ") must be followed by what its
// format puts after it.
[[nodiscard]] std::optional<BinaryKind> binaryKind(std::string_view bytes);

// True when the bytes begin like a PNG, JPEG, GIF, BMP, WebP or ICO file, or are an SVG document:
// the pictures a browser shows.
[[nodiscard]] bool isPictureBytes(std::string_view bytes);

} // namespace inkwell
