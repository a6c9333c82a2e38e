// Carries the edits made in the code view back into the markup the code view's text was formatted from,
// so that the page gets what the user changed and none of the re-indentation.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// The markup with the edits in it, and where they went: markup.substr(0, begin) and the markup from
// begin + inserted on are the original's bytes before and from `end` on.
struct CarriedEdits
{
    std::string markup;
    std::size_t begin = 0; // where the replaced stretch of the original markup starts
    std::size_t end = 0; // where it ended in the original markup
    std::size_t inserted = 0; // the bytes put in its place
};

// `markup` was formatted into `formatted`, and the user turned that into `edited`. The result is the
// markup with the stretch that differs between formatted and edited (trimmed of their common start and
// end) replaced at its matching place, see matchingMarkup. The formatter changes only white space, so the
// rest of the markup is kept byte for byte, with its own white space, whatever the edit does to how the
// rest reads (an opened comment, a pre, a quote left open): the page shows the effect of the edit and
// keeps its own spacing. What the user typed goes in as typed. The runs of white space at either side of
// the edit are the markup's where they were the formatter's: a run the user typed into, or cut short,
// stays the markup's run; one the user deleted whole is gone; one the formatter kept (pre, textarea) is
// taken exactly as the code view has it. White space the user neither typed nor deleted is never dropped
// or added. So every byte that is not white space is the edited text's, the rest of the page is the markup's
// byte for byte, and nothing ever falls back to the formatted text. Nothing when the formatted text does
// not match the markup (it was not made from it).
[[nodiscard]] std::optional<CarriedEdits> carryEdits(
    std::string_view markup, std::string_view formatted, std::string_view edited);

} // namespace inkwell
