// Naming an element the same way in markup and in the engine's document: its tag name and how many
// elements of that name come before it in document order. The design view's markup is the engine's own
// serialisation of its document, and the code view's text holds the same tags in the same order, so the
// name and count found in one lead to the same element in the other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

struct ElementPlace
{
    std::string name; // lower case
    std::size_t index = 0; // elements of that name before it, in document order
};

// The innermost element open at `offset` of the markup: the one whose start tag begins at or before it
// and whose end tag has not ended before it. Comments, and the text of script, style, textarea, title and
// xmp elements, hold no elements. Nothing when no element is open there. Linear in the offset.
[[nodiscard]] std::optional<ElementPlace> elementAt(std::string_view markup, std::size_t offset);

// Where the start tag of the element begins in the markup; nothing when the markup has no such element.
[[nodiscard]] std::optional<std::size_t> startTagOf(std::string_view markup, const ElementPlace& place);

} // namespace inkwell
