// The bytes of a document file: what Open reads from one (text up to the first zero, in the encoding
// found by sniffing) and what Save writes (the page in the encoding it declares, replaced atomically).
#pragma once

#include "core/filesignature.h" // kNotAWebPage
#include "core/result.h"
#include "document/textencoding.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

struct DocumentText
{
    std::string html; // UTF-8
    TextEncoding encoding = TextEncoding::Gb18030; // the encoding the bytes were read in
    std::size_t keptBytes = 0; // bytes that are no text in that encoding, kept to be written back
};

// The text of a document file's bytes: it ends at the first zero byte (the first zero character of a
// UTF-16 file, whose text is full of zero bytes), and is decoded as sniffing finds.
[[nodiscard]] DecodedText decodeDocumentBytes(std::string_view bytes);

// Reads and decodes a whole document file. A file whose signature says it is a picture, an archive, a
// PDF document or a program is refused (kNotAWebPage).
[[nodiscard]] Result<DocumentText> readDocumentFile(const std::filesystem::path& path);

// Writes the page to path in the encoding it declares, else in openedIn, replacing any old file
// atomically; on failure the old file is left as it was.
[[nodiscard]] Result<void> writeDocumentFile(
    const std::filesystem::path& path, std::string_view html, TextEncoding openedIn);

} // namespace inkwell
