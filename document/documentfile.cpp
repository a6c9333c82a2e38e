#include "document/documentfile.h"

#include "core/atomicfile.h"
#include "core/readfile.h"

#include <algorithm>

namespace inkwell {

DecodedText decodeDocumentBytes(std::string_view bytes)
{
    const auto bom = encodingFromByteOrderMark(bytes);
    const bool wide = bom && bom->encoding != TextEncoding::Utf8;
    // In every other encoding a zero byte is the zero character, so the cut comes before sniffing: what
    // follows it must not sway the choice of encoding.
    if (!wide)
        bytes = bytes.substr(0, bytes.find('\0'));
    DecodedText text = decodeDocument(bytes);
    if (wide)
        text.utf8.resize(std::min(text.utf8.size(), text.utf8.find('\0')));
    return text;
}

Result<DocumentText> readDocumentFile(const std::filesystem::path& path)
{
    Result<std::string> bytes = readFile(path);
    if (!bytes)
        return bytes.error();
    DecodedText text = decodeDocumentBytes(*bytes);
    return DocumentText { std::move(text.utf8), text.encoding };
}

Result<void> writeDocumentFile(
    const std::filesystem::path& path, std::string_view html, TextEncoding openedIn)
{
    return writeFileAtomically(path, encodeDocument(html, openedIn).bytes);
}

} // namespace inkwell
