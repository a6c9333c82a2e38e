#include "document/documentfile.h"

#include "core/atomicfile.h"
#include "core/filesignature.h"
#include "core/readfile.h"

#include <algorithm>

namespace inkwell {

DecodedText decodeDocumentBytes(std::string_view bytes)
{
    const auto bom = encodingFromByteOrderMark(bytes);
    const bool wide
        = bom ? bom->encoding != TextEncoding::Utf8 : utf16WithoutByteOrderMark(bytes).has_value();
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
    INKWELL_TRY(const std::string bytes, readFile(path));
    // The text before a zero byte of a picture or an archive is a few signs of nonsense, which would
    // replace the page as if it were one.
    if (binaryKind(bytes))
        return Error { kNotAWebPage,
            path.string() + " is not a web page but a picture, an archive, a PDF or a program" };
    DecodedText text = decodeDocumentBytes(bytes);
    return DocumentText { std::move(text.utf8), text.encoding, text.invalidSequences };
}

Result<void> writeDocumentFile(
    const std::filesystem::path& path, std::string_view html, TextEncoding openedIn)
{
    return writeFileAtomically(path, encodeDocument(html, openedIn).bytes);
}

} // namespace inkwell
