// Text encodings of document files: finding the encoding of a page's bytes the way a browser does, turning
// them into UTF-8, and turning UTF-8 markup back into the bytes of the encoding the page declares.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// The encodings a document file can be read or written in. Labels of other encodings count as no
// declaration at all.
enum class TextEncoding
{
    Utf8,
    Utf16Le,
    Utf16Be,
    Gb18030, // also every gb2312 and gbk page: GB18030 holds all of GBK and the rest of Unicode
    Big5,
    ShiftJis,
    EucJp,
    EucKr,
    Windows1252, // also the iso-8859-1 and us-ascii labels, as browsers read them
    Windows1250,
    Windows1251,
    Iso8859_2,
    Iso8859_15,
    Koi8R,
};

// How the encoding of a page's bytes was found, in the order they are tried.
enum class EncodingSource
{
    ByteOrderMark,
    Transport, // the charset of the Content-Type the text came with
    Declaration, // a meta charset or http-equiv Content-Type inside the page
    ValidUtf8,
    Fallback, // none of the above: UTF-16 told by its zero bytes, an East Asian encoding the text plainly is
              // in, UTF-8 with a few stray bytes, else windows-1252
};

struct EncodingGuess
{
    TextEncoding encoding = TextEncoding::Gb18030;
    EncodingSource source = EncodingSource::Fallback;
    std::size_t bomLength = 0; // bytes of byte-order mark that open the text
};

struct DecodedText
{
    std::string utf8; // always valid UTF-8; undecodable bytes became U+FFFD or were kept
    TextEncoding encoding = TextEncoding::Gb18030;
    EncodingSource source = EncodingSource::Fallback;
    std::size_t invalidSequences = 0; // how many U+FFFD (or kept bytes) stand for bytes that were not text
};

struct EncodedText
{
    std::string bytes;
    TextEncoding encoding = TextEncoding::Gb18030;
    std::size_t characterReferences = 0; // characters written as "&#N;" (the encoding cannot hold them)
    std::string declarationAdded; // the meta element put into an undeclared page, if one was
};

// The encoding an encoding label names ("gb2312", " UTF-8 ", "latin1"), case and surrounding blanks ignored.
[[nodiscard]] std::optional<TextEncoding> encodingFromLabel(std::string_view label);

// A name for the encoding, as a page would declare it ("utf-8", "gb18030").
[[nodiscard]] std::string_view encodingName(TextEncoding encoding);

// The encoding named by a byte-order mark at the start of bytes, with the mark's length.
[[nodiscard]] std::optional<EncodingGuess> encodingFromByteOrderMark(std::string_view bytes);

// The encoding the page declares in its first meta element that names a known one (charset attribute, or
// http-equiv Content-Type with a charset in its content), else in an XML declaration that opens it.
// Comments are skipped. A page that declares UTF-16 is read as UTF-8, as browsers do for an
// ASCII-compatible byte stream.
[[nodiscard]] std::optional<TextEncoding> declaredEncoding(std::string_view markup);

// The label of the charset parameter in a Content-Type value such as `text/html; charset="gb2312"`, as
// written: the name is matched without regard to case, blanks may stand around "=", a quoted label ends
// at its closing quote (a quote left open gives nothing), an unquoted one at a blank or ";".
[[nodiscard]] std::optional<std::string_view> charsetParameter(std::string_view contentType);

// True when bytes are well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
[[nodiscard]] bool isValidUtf8(std::string_view bytes);

// Byte-order mark, then UTF-16 by its zero bytes, then declaration, then valid UTF-8, then an East Asian
// encoding the text plainly is in or UTF-8 with a few stray bytes, else windows-1252.
[[nodiscard]] EncodingGuess sniffEncoding(std::string_view bytes);

// The same for a text that came with a Content-Type and whose declaration is read by its own rules (a
// style sheet's @charset): byte-order mark, then transport, then declared, then valid UTF-8, else as above.
// Either may be nothing, when it is missing or names no known encoding.
[[nodiscard]] EncodingGuess sniffEncoding(
    std::string_view bytes, std::optional<TextEncoding> transport, std::optional<TextEncoding> declared);

// What becomes of bytes that are no text in the encoding being read.
enum class UndecodableBytes
{
    Replace, // each run that fails becomes one U+FFFD
    Keep, // each byte becomes a character of its own that encodeText writes back as that byte
};

// Decodes bytes known to be in encoding (without a byte-order mark).
[[nodiscard]] DecodedText decodeText(
    std::string_view bytes, TextEncoding encoding, UndecodableBytes undecodable = UndecodableBytes::Replace);

// UTF-16 told by its zero bytes, for text that has no byte-order mark.
[[nodiscard]] std::optional<TextEncoding> utf16WithoutByteOrderMark(std::string_view bytes);

// Sniffs and decodes; a byte-order mark is dropped, and bytes that are no text are kept
// (invalidSequences says how many).
[[nodiscard]] DecodedText decodeDocument(std::string_view bytes);

// Encodes UTF-8 text into encoding without a byte-order mark. Characters the encoding cannot hold become
// decimal character references; invalid UTF-8 in the input is written as U+FFFD; kept bytes (see
// UndecodableBytes) as the bytes themselves.
[[nodiscard]] EncodedText encodeText(std::string_view utf8, TextEncoding encoding);

// The bytes of a page to be saved: in the encoding the markup declares, else in openedIn. A UTF-16 file
// gets its byte-order mark back, since nothing else could tell a reader its encoding; an undeclared page
// with characters beyond ASCII gets a meta charset after its head (or html) start tag naming the encoding
// written, or, with neither tag, those characters as references.
[[nodiscard]] EncodedText encodeDocument(std::string_view utf8, TextEncoding openedIn);

} // namespace inkwell
