// Sniffing and decoding any bytes must give well-formed UTF-8, and saving that text must read back as
// the same text in the encoding it was written in, bytes that were no text included: nothing a page
// holds may be lost on the way.
#include "document/textencoding.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace inkwell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedText text = decodeDocument(bytes);
    if (!isValidUtf8(text.utf8))
        std::abort();

    const EncodedText saved = encodeDocument(text.utf8, text.encoding);
    std::string_view body = saved.bytes;
    if (auto bom = encodingFromByteOrderMark(body); bom && saved.encoding != TextEncoding::Utf8)
        body.remove_prefix(bom->bomLength);
    // Bytes that were no text in the page's encoding are written back as they were, so they are read
    // back as kept bytes again, and the text is the same.
    DecodedText back = decodeText(body, saved.encoding, UndecodableBytes::Keep);
    // Characters the target cannot hold come back as references, so only then may the texts differ;
    // and an undeclared page gains a declaration of its encoding (the same words may stand earlier in
    // the text too, so each place they stand is tried).
    // A page saved in another encoding than it was read in (its declaration names another) carries its
    // kept bytes over as they were, and they read differently there; such a page is only read back.
    const bool keptBytesReadAnew = saved.encoding != text.encoding && text.invalidSequences != 0;
    if (saved.characterReferences == 0 && !keptBytesReadAnew) {
        bool same = back.utf8 == text.utf8 && saved.declarationAdded.empty();
        const std::string& added = saved.declarationAdded;
        for (std::size_t at = added.empty() ? std::string::npos : back.utf8.find(added);
             !same && at != std::string::npos; at = back.utf8.find(added, at + 1)) {
            std::string without = back.utf8;
            without.erase(at, added.size());
            same = without == text.utf8;
        }
        if (!same)
            std::abort();
    }

    // The bytes taken for UTF-8 text (as the design view gives it) are encoded without a crash too.
    const EncodedText raw = encodeDocument(bytes, TextEncoding::Gb18030);
    (void)raw;
    return 0;
}
