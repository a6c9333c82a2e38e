#include "editing/editcarrier.h"

#include "editing/htmlformatter.h"
#include "editing/htmlscanner.h"
#include "editing/sourcemap.h"

#include <algorithm>
#include <future>
#include <system_error>
#include <utility>

namespace inkwell {
namespace {

std::size_t leadingSpace(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && isHtmlSpace(text[n]))
        ++n;
    return n;
}

std::size_t trailingSpace(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && isHtmlSpace(text[text.size() - 1 - n]))
        ++n;
    return n;
}

// The byte before and after a run of white space; 0 at either end of the text.
struct Neighbours
{
    char before = 0;
    char after = 0;
};

// What stands for the formatted text's run of white space `formattedRun`, which the user left as it was,
// beside an edit: the markup's own run where it reads the same to the formatter. Where the formatter kept
// the markup's white space (pre, textarea) the two are the same. Two runs of white space read the same
// elsewhere; no white space where the formatter put a line break after a tag or before one reads as that
// break; and nothing at either end of the text reads as anything. Where the markup had no white space
// and the edit now needs some, one blank; nothing when the formatted text had none either.
std::string_view runFor(std::string_view markupRun, std::string_view formattedRun, Neighbours around)
{
    const bool atAnEnd = around.before == 0 || around.after == 0;
    if (formattedRun.empty())
        return atAnEnd ? markupRun : formattedRun;
    if (!markupRun.empty() || atAnEnd || around.before == '>' || around.after == '<')
        return markupRun;
    return " ";
}

// The edit carried into the markup at its place, white space around it taken from the markup where
// that reads the same; with the stretch it changed in the formatted text.
struct InPlace
{
    CarriedEdits edits;
    ByteSpan changed; // in the formatted text
};

std::optional<InPlace> carryInPlace(
    std::string_view markup, std::string_view formatted, std::string_view edited)
{
    const std::size_t shorter = std::min(formatted.size(), edited.size());
    const std::size_t prefix = commonPrefixLength(formatted.data(), edited.data(), shorter);
    if (prefix == formatted.size() && prefix == edited.size())
        return InPlace { { std::string(markup), 0, 0, 0, CarriedReach::Edit }, {} };
    const std::size_t suffix = commonSuffixLength(
        formatted.data() + formatted.size(), edited.data() + edited.size(), shorter - prefix);
    // Whole characters, and the white space touching the change on both sides.
    std::size_t begin = prefix;
    while (begin > 0
        && ((begin < formatted.size() && isUtf8Continuation(formatted[begin]))
            || isHtmlSpace(formatted[begin - 1])))
        --begin;
    std::size_t end = formatted.size() - suffix;
    while (end < formatted.size() && (isUtf8Continuation(formatted[end]) || isHtmlSpace(formatted[end])))
        ++end;
    const std::size_t editedEnd = edited.size() - (formatted.size() - end);
    const std::optional<ByteSpan> place = matchingMarkup(markup, formatted, { begin, end });
    if (!place)
        return std::nullopt;

    std::string_view replaced = formatted.substr(begin, end - begin);
    std::string_view replacement = edited.substr(begin, editedEnd - begin);
    std::string_view region = markup.substr(place->begin, place->end - place->begin);
    const char before = begin > 0 ? formatted[begin - 1] : 0;
    const char after = end < formatted.size() ? formatted[end] : 0;

    // A region of nothing but white space is one run: it goes after the edit at the end of the text
    // (where nothing can follow it), before it elsewhere.
    const std::size_t markupLead
        = leadingSpace(region) == region.size() && after == 0 ? 0 : leadingSpace(region);
    const std::string_view markupHead = region.substr(0, markupLead);
    const std::string_view markupTail
        = region.substr(region.size() - std::min(trailingSpace(region), region.size() - markupLead));
    const std::string_view replacedHead = replaced.substr(0, leadingSpace(replaced));
    const std::string_view replacedTail = replaced.substr(replaced.size() - trailingSpace(replaced));
    std::string_view head; // white space put before and after what the user wrote
    std::string_view tail;
    const std::size_t lead = leadingSpace(replacement);
    if (lead == replacement.size()) {
        // Only white space is left where the edit was: the user's, or one of the runs around the stretch
        // removed, then the markup's own.
        const Neighbours around { before, after };
        if (!replacement.empty() && replacement == replacedHead)
            head = runFor(markupHead, replacedHead, around);
        else if (!replacement.empty() && replacement == replacedTail)
            head = runFor(markupTail, replacedTail, around);
        else
            head = replacement;
        replacement = {};
    } else {
        if (replacement.substr(0, lead) == replacedHead) {
            head = runFor(markupHead, replacedHead, { before, replacement[lead] });
            replacement.remove_prefix(lead);
        }
        const std::size_t trail = trailingSpace(replacement);
        if (replacement.substr(replacement.size() - trail) == replacedTail) {
            tail = runFor(markupTail, replacedTail, { replacement[replacement.size() - trail - 1], after });
            replacement.remove_suffix(trail);
        }
    }

    // The markup's own runs stay where they are, and the stretch replaced shrinks by them; anything
    // else is written.
    CarriedEdits result;
    result.begin = place->begin;
    result.end = place->end;
    std::string inserted;
    if (head.data() == markupHead.data() && head.size() == markupHead.size())
        result.begin += head.size();
    else
        inserted.append(head);
    inserted.append(replacement);
    if (tail.data() == markupTail.data() && tail.size() == markupTail.size()
        && result.end - tail.size() >= result.begin)
        result.end -= tail.size();
    else
        inserted.append(tail);
    result.inserted = inserted.size();
    result.markup.reserve(markup.size() - (result.end - result.begin) + inserted.size());
    result.markup.append(markup.substr(0, result.begin));
    result.markup.append(inserted);
    result.markup.append(markup.substr(result.end));
    return InPlace { std::move(result), { begin, end } };
}

// Both texts formatted, side by side on a second thread when one can be had.
std::pair<std::string, std::string> formatBoth(std::string_view first, std::string_view second)
{
    std::future<std::string> secondFormatting;
    try {
        secondFormatting
            = std::async(std::launch::async, [second] { return formatHtml(second, IndentKind::Tab); });
    } catch (const std::system_error&) {
        return { formatHtml(first, IndentKind::Tab), formatHtml(second, IndentKind::Tab) };
    }
    std::string formattedFirst = formatHtml(first, IndentKind::Tab);
    return { std::move(formattedFirst), secondFormatting.get() };
}

} // namespace

std::optional<CarriedEdits> carryEdits(
    std::string_view markup, std::string_view formatted, std::string_view edited)
{
    if (edited == formatted)
        return CarriedEdits { std::string(markup), 0, 0, 0, CarriedReach::Edit };
    std::optional<InPlace> inPlace = carryInPlace(markup, formatted, edited);
    if (!inPlace)
        return std::nullopt;
    const ByteSpan changed = inPlace->changed;
    // The formatter is the judge: the markup must read to it as the edited text does. An edit that changes
    // how what follows it reads (it opens a comment or a pre, renames a tag, turns script code into a
    // literal) does not, when the markup's white space there differs from the formatted text's. The two
    // texts are formatted side by side: on a page of megabytes each takes tens of milliseconds.
    const auto [inPlaceFormatted, editedFormatted] = formatBoth(inPlace->edits.markup, edited);
    if (inPlaceFormatted == editedFormatted)
        return std::move(inPlace->edits);
    // The markup as it stands up to the edit, and from there the edited text as the user sees it.
    const std::optional<ByteSpan> place
        = matchingMarkup(markup, formatted, { changed.begin, formatted.size() });
    if (place) {
        CarriedEdits fromEdit;
        fromEdit.reach = CarriedReach::FromEdit;
        fromEdit.begin = place->begin;
        fromEdit.end = markup.size();
        fromEdit.inserted = edited.size() - changed.begin;
        fromEdit.markup.append(markup.substr(0, place->begin));
        fromEdit.markup.append(edited.substr(changed.begin));
        if (formatHtml(fromEdit.markup, IndentKind::Tab) == editedFormatted)
            return fromEdit;
    }
    return CarriedEdits { std::string(edited), 0, markup.size(), edited.size(), CarriedReach::WholeText };
}

} // namespace inkwell
