// What the design view makes of HTML from the clipboard: whether it only wraps a picture, whether a
// word processor wrote it, and that word processor's passage reduced to the markup a page needs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace inkwell {

// True when the markup shows nothing but one img element: what a browser puts beside the picture
// itself when the user copies an image. The document wrapper (html, head, body, meta), comments and
// white space around the element do not count.
[[nodiscard]] bool isLoneImage(std::string_view html);

// True when the markup carries a word processor's own marks: mso- styles, Mso classes, o:/w:/v:
// elements, xml islands, conditional comments, or the generator or program-id meta of a document a
// program wrote. A browser's copy of part of a page carries none of them.
[[nodiscard]] bool isWordProcessorHtml(std::string_view html);

// Gives the src a pasted picture is to have, given the src it came with (as written, entities and
// all). A picture that cannot be taken over keeps the src it came with.
using PictureSourceMapper = std::function<std::string(std::string_view source)>;

// The body of a word processor's passage with what a page shows kept and the word processor's own
// markup dropped:
// - kept: text, paragraphs, headings, b/i/u and the other inline elements, lists, tables with their
//   cells' spans, links, pictures (src given by `pictureSource`), and every other attribute;
// - dropped: the head and its style sheet, comments (conditional ones with what they hide), xml
//   islands, the tags of prefixed elements (o:p, w:Sdt; their text stays), prefixed attributes,
//   mso- style declarations, classes of the passage's own style sheet and Mso classes, the number
//   formats of table cells (sdnum, sdval), the lang of spans and fonts, and font families and sizes
//   equal to the passage's default: the one that most of its text is set in, which a word processor
//   repeats on every span;
// - spans and font elements that are left without attributes, or without content, are unwrapped.
// Text and the white space in it stay as written.
[[nodiscard]] std::string cleanWordProcessorHtml(
    std::string_view html, const PictureSourceMapper& pictureSource);

} // namespace inkwell
