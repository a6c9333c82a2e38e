// Finds the resources a style sheet refers to (`url()` values and `@import` targets) together
// with where their URL text sits, so that a caller can fetch them and rewrite single references.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

// One reference to another resource inside a text. offset and length (bytes) span the URL as it
// is written in the text, without quotes or surrounding blanks; replacing exactly that span with
// another URL keeps the rest of the text byte for byte.
struct ResourceRef
{
    enum class Kind
    {
        Resource, // anything else used as it is: scripts, icons, media, plug-ins
        Picture, // named where a picture belongs: img, input type=image, background, CSS url()
        StyleSheet, // a style sheet whose own references are followed
        Frame, // a page shown inside the page, archived with its own resources
    };

    std::size_t offset = 0;
    std::size_t length = 0;
    std::string url; // the URL with escapes of the surrounding language undone, not yet resolved
    Kind kind = Kind::Resource;
    // False when the URL had to be taken from decoded text whose bytes differ from the span, so the
    // span must not be replaced (a style attribute written with character references).
    bool rewritable = true;

    friend bool operator==(const ResourceRef&, const ResourceRef&) = default;
};

// References in a style sheet (or in the content of a style element or attribute), in text order.
// Comments and strings outside url() and @import are skipped. Never fails: text that is not valid
// CSS yields whatever references can be recognised in it.
[[nodiscard]] std::vector<ResourceRef> scanCssResources(std::string_view css);

// The label of a leading `@charset "...";` rule, or an empty text when there is none.
[[nodiscard]] std::string cssCharset(std::string_view css);

} // namespace inkwell
