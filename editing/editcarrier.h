// Carries the edits made in the code view back into the markup the code view's text was formatted from,
// so that the page gets what the user changed and none of the re-indentation.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// How far the markup carried back differs from the original.
enum class CarriedReach
{
    Edit, // the stretch the user changed and the white space next to it
    FromEdit, // from that stretch to the end: the edit changed how the rest reads (opened a comment, a pre)
    WholeText, // the edited text as a whole
};

// The markup with the edits in it, and where they went: markup.substr(0, begin) and the markup from
// begin + inserted on are the original's bytes before and from `end` on.
struct CarriedEdits
{
    std::string markup;
    std::size_t begin = 0; // where the replaced stretch of the original markup starts
    std::size_t end = 0; // where it ended in the original markup
    std::size_t inserted = 0; // the bytes put in its place
    CarriedReach reach = CarriedReach::Edit;
};

// `markup` was formatted into `formatted`, and the user turned that into `edited`. The result is the
// markup with the stretch that differs between formatted and edited (trimmed of their common start and
// end) replaced at its matching place, see matchingMarkup. White space at the edges of that stretch that
// the user did not touch is taken from the markup where it is the same to the formatter: one blank for
// another, or none for the line break the formatter puts after a tag or before one.
// The result always formats as the edited text does: the formatter checks it. Where the edit changes how the
// formatter reads what follows it (it opens a comment or a pre, renames a tag, turns script code into a
// literal) and the markup's own white space there would no longer read the same, the edited text is taken
// from the edit on, or, failing that, as a whole. Nothing when the formatted text does not match the markup
// (it was not made from it).
[[nodiscard]] std::optional<CarriedEdits> carryEdits(
    std::string_view markup, std::string_view formatted, std::string_view edited);

} // namespace inkwell
