#include "codeedits/editcarrier.h"

#include "codeedits/sourcemap.h"
#include "formatter/htmlscanner.h"

#include <algorithm>
#include <utility>
#include <vector>

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

// A stretch split into its leading white space, what lies between, and its trailing white space. A
// stretch of nothing but white space is one run, both its head and its tail.
struct Runs
{
    std::string_view head;
    std::string_view tail;
    bool onlySpace = false;
};

Runs runsOf(std::string_view text)
{
    const std::size_t lead = leadingSpace(text);
    if (lead == text.size())
        return { text, text, true };
    return { text.substr(0, lead), text.substr(text.size() - trailingSpace(text)), false };
}

// What the page gets for a run of white space at one side of the edit: `formattedRun` in the formatted
// text, `markupRun` its match in the markup. `kept` bytes of the formatted run are still in the edited
// text on this side. Where the formatter kept the run (pre, textarea, the markup's own line breaks) the
// edited text's run is exact: `editedRun`. Otherwise the markup's run stays as long as any of the
// formatted run does; a run the user deleted whole is gone. A run the formatter took away altogether
// (the blanks before the end of a tag) stays where the formatter dropped it, before the byte that
// follows: after the edit; before it only at the start of the text.
std::string_view sideRun(std::string_view markupRun, std::string_view formattedRun, std::size_t kept,
    bool headSide, bool atTextStart, std::string_view editedRun, bool& exact)
{
    exact = markupRun == formattedRun;
    if (exact)
        return editedRun;
    if (formattedRun.empty())
        return !headSide || atTextStart ? markupRun : std::string_view();
    return kept > 0 ? markupRun : std::string_view();
}

// One change: formatted[from, removedEnd) became edited[typedFrom, typedEnd).
struct Change
{
    std::size_t from = 0;
    std::size_t removedEnd = 0;
    std::size_t typedFrom = 0;
    std::size_t typedEnd = 0;
};

// The text cut after each line break (the last line may have none).
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t brk = text.find('\n', at);
        const std::size_t end = brk == std::string_view::npos ? text.size() : brk + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// How well a change sits between the bytes around it: a stretch of markup inserted or taken out most
// likely starts after white space or a tag's end and ends before white space or a tag's start.
int fit(std::string_view formatted, std::size_t from, std::size_t removedEnd)
{
    const bool startFits = from == 0 || isHtmlSpace(formatted[from - 1]) || formatted[from - 1] == '>';
    const bool endFits = removedEnd == formatted.size() || isHtmlSpace(formatted[removedEnd])
        || formatted[removedEnd] == '<';
    return (startFits ? 1 : 0) + (endFits ? 1 : 0);
}

// A pure insertion or deletion can often slide: "-->" put after "</p>" is also ">--" put before its
// '>'. Which one the user meant matters here, as the markup's white space goes at the change's edges
// ("</p\n>" would get "</p>--\n>", which closes no comment): of the places it can slide to (a few
// bytes), the one that fits best (see fit), the furthest on when several fit as well.
Change slid(std::string_view formatted, std::string_view edited, const Change& change, const Change& floor,
    const Change& ceiling)
{
    constexpr std::size_t kFarthest = 64;
    const bool inserted = change.removedEnd == change.from;
    const bool deleted = change.typedEnd == change.typedFrom;
    if (inserted == deleted)
        return change;
    // Both texts agree around the change; it moves over bytes they agree on, never into the changes
    // before and after it, by whole copies of its own bytes.
    const std::string_view text = inserted ? edited : formatted;
    const std::size_t first = inserted ? change.typedFrom : change.from;
    const std::size_t last = inserted ? change.typedEnd : change.removedEnd;
    std::size_t back = 0;
    while (back < kFarthest && change.from - back > floor.removedEnd
        && change.typedFrom - back > floor.typedEnd
        && formatted[change.from - back - 1] == edited[change.typedFrom - back - 1]
        && text[first - back - 1] == text[last - back - 1])
        ++back;
    const auto shifted = [&](std::size_t step) {
        Change at = change;
        at.from = change.from + step - back;
        at.removedEnd = change.removedEnd + step - back;
        at.typedFrom = change.typedFrom + step - back;
        at.typedEnd = change.typedEnd + step - back;
        return at;
    };
    Change best = change;
    int bestFit = -1;
    for (std::size_t step = 0;; ++step) {
        const Change at = shifted(step);
        const bool whole = (at.from >= formatted.size() || !isUtf8Continuation(formatted[at.from]))
            && (at.removedEnd >= formatted.size() || !isUtf8Continuation(formatted[at.removedEnd]));
        const int f = whole ? fit(formatted, at.from, at.removedEnd) : -1;
        if (f >= bestFit) {
            best = at;
            bestFit = f;
        }
        if (step >= back + kFarthest || at.removedEnd >= ceiling.from || at.typedEnd >= ceiling.typedFrom
            || formatted[at.removedEnd] != edited[at.typedEnd]
            || text[first + step - back] != text[last + step - back])
            break;
    }
    return best;
}

// Each change slid to where it fits best (see slid), in order.
void slideAll(std::string_view formatted, std::string_view edited, std::vector<Change>& changes)
{
    const Change end { formatted.size(), formatted.size(), edited.size(), edited.size() };
    Change floor;
    for (std::size_t k = 0; k < changes.size(); ++k) {
        changes[k]
            = slid(formatted, edited, changes[k], floor, k + 1 < changes.size() ? changes[k + 1] : end);
        floor = changes[k];
    }
}

// The change without what the two sides have in common at its start and end, on whole characters.
Change narrowed(std::string_view formatted, std::string_view edited, Change change)
{
    const std::size_t removed = change.removedEnd - change.from;
    const std::size_t typed = change.typedEnd - change.typedFrom;
    const std::size_t shorter = std::min(removed, typed);
    std::size_t prefix
        = commonPrefixLength(formatted.data() + change.from, edited.data() + change.typedFrom, shorter);
    std::size_t suffix = commonSuffixLength(
        formatted.data() + change.removedEnd, edited.data() + change.typedEnd, shorter - prefix);
    while (prefix > 0 && change.from + prefix < formatted.size()
        && isUtf8Continuation(formatted[change.from + prefix]))
        --prefix;
    while (suffix > 0 && isUtf8Continuation(formatted[change.removedEnd - suffix]))
        --suffix;
    change.from += prefix;
    change.typedFrom += prefix;
    change.removedEnd -= suffix;
    change.typedEnd -= suffix;
    return change;
}

// At most this many lines taken out or put in are told apart; beyond, the stretch is one change.
constexpr int kMostLinesChanged = 200;

// The stretch that differs, formatted[from, removedEnd) and edited[from, typedEnd), cut into the runs of
// lines that changed (a tag renamed at both ends of an element is two changes, and the element's text
// between them is no part of either). The shortest line script, by the greedy diff of Myers.
std::vector<Change> changedLines(std::string_view formatted, std::string_view edited, const Change& whole)
{
    const std::vector<std::string_view> a
        = linesOf(formatted.substr(whole.from, whole.removedEnd - whole.from));
    const std::vector<std::string_view> b
        = linesOf(edited.substr(whole.typedFrom, whole.typedEnd - whole.typedFrom));
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    const int most = std::min(kMostLinesChanged, n + m);
    // v[k + most + 1]: the furthest line of a reached on diagonal k; one copy per round, to go back.
    std::vector<int> v(static_cast<std::size_t>(2 * most + 3), 0);
    std::vector<std::vector<int>> rounds;
    const auto at = [most](int k) { return static_cast<std::size_t>(k + most + 1); };
    int found = -1;
    for (int d = 0; d <= most && found < 0; ++d) {
        for (int k = -d; k <= d; k += 2) {
            int x = k == -d || (k != d && v[at(k - 1)] < v[at(k + 1)]) ? v[at(k + 1)] : v[at(k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
                ++x;
                ++y;
            }
            v[at(k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        rounds.push_back(v);
    }
    if (found < 0) {
        std::vector<Change> one { narrowed(formatted, edited, whole) };
        slideAll(formatted, edited, one);
        return one;
    }
    // Back from the end: the lines both keep, last first.
    std::vector<std::pair<int, int>> kept;
    int x = n;
    int y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& before = rounds[static_cast<std::size_t>(d - 1)];
        const int k = x - y;
        const int previousK = k == -d || (k != d && before[at(k - 1)] < before[at(k + 1)]) ? k + 1 : k - 1;
        const int previousX = before[at(previousK)];
        const int previousY = previousX - previousK;
        // The step of this round ends here; the lines after it up to (x, y) are the same in both.
        const int stepX = previousK == k + 1 ? previousX : previousX + 1;
        const int stepY = stepX - k;
        while (x > stepX && y > stepY) {
            --x;
            --y;
            kept.emplace_back(x, y);
        }
        x = previousX;
        y = previousY;
    }
    while (x > 0 && y > 0) {
        --x;
        --y;
        kept.emplace_back(x, y);
    }
    std::reverse(kept.begin(), kept.end());
    kept.emplace_back(n, m);
    // The byte offsets of the lines, and a change for each gap between lines kept.
    std::vector<std::size_t> aAt { whole.from };
    for (const std::string_view line : a)
        aAt.push_back(aAt.back() + line.size());
    std::vector<std::size_t> bAt { whole.typedFrom };
    for (const std::string_view line : b)
        bAt.push_back(bAt.back() + line.size());
    std::vector<Change> changes;
    int nextA = 0;
    int nextB = 0;
    for (const auto& [i, j] : kept) {
        if (i > nextA || j > nextB)
            changes.push_back(narrowed(formatted, edited,
                { aAt[static_cast<std::size_t>(nextA)], aAt[static_cast<std::size_t>(i)],
                    bAt[static_cast<std::size_t>(nextB)], bAt[static_cast<std::size_t>(j)] }));
        nextA = i + 1;
        nextB = j + 1;
    }
    slideAll(formatted, edited, changes);
    return changes;
}

// A change with the white space around it: the stretch of the formatted text from after the last byte
// before it that is not white space to before the first such byte after it, as its match in the markup is.
ByteSpan widened(std::string_view formatted, const Change& change)
{
    std::size_t begin = change.from;
    while (begin > 0 && isHtmlSpace(formatted[begin - 1]))
        --begin;
    std::size_t end = change.removedEnd;
    while (end < formatted.size() && isHtmlSpace(formatted[end]))
        ++end;
    return { begin, end };
}

// What goes in place of the markup's `region` for one change whose widened stretch is `span`. The user's
// own bytes go in as typed; the white space at either side is the markup's where it was the formatter's
// (see sideRun). So it holds the same bytes that are not white space as what the user typed.
std::string written(std::string_view formatted, std::string_view edited, const Change& change, ByteSpan span,
    std::string_view region)
{
    const std::string_view replaced = formatted.substr(span.begin, span.end - span.begin);
    const std::string_view typed = edited.substr(change.typedFrom, change.typedEnd - change.typedFrom);
    const std::string_view keptBefore = formatted.substr(span.begin, change.from - span.begin);
    const std::string_view keptAfter = formatted.substr(change.removedEnd, span.end - change.removedEnd);
    const Runs formattedRuns = runsOf(replaced);
    const Runs markupRuns = runsOf(region);
    const bool onlySpaceTyped = leadingSpace(typed) == typed.size();
    const bool atStart = span.begin == 0;

    std::string out;
    bool headExact = false;
    bool tailExact = false;
    const std::string_view head = sideRun(
        markupRuns.head, formattedRuns.head, keptBefore.size(), true, atStart, keptBefore, headExact);
    const std::string_view tail = sideRun(
        markupRuns.tail, formattedRuns.tail, keptAfter.size(), false, atStart, keptAfter, tailExact);
    if (formattedRuns.onlySpace && onlySpaceTyped && !headExact) {
        // White space changed within one run, or typed where there was none: the markup's run where some
        // of the formatted one is left, on the side it was kept, and what the user typed.
        const std::string_view run = markupRuns.head;
        const bool kept = !keptBefore.empty() || !keptAfter.empty();
        if (formattedRuns.head.empty() ? atStart : kept && !keptBefore.empty())
            out.append(run).append(typed);
        else if (formattedRuns.head.empty() || kept)
            out.append(typed).append(run);
        else
            out.append(typed);
    } else {
        // A run the formatter dropped at the start of the text goes before the edit, and only there.
        const bool tailTaken = formattedRuns.onlySpace && formattedRuns.head.empty() && atStart && !tailExact;
        out.append(head).append(typed).append(tailTaken ? std::string_view() : tail);
    }
    return out;
}

} // namespace

std::optional<CarriedEdits> carryEdits(
    std::string_view markup, std::string_view formatted, std::string_view edited)
{
    if (edited == formatted)
        return CarriedEdits { std::string(markup), 0, 0, 0 };
    const std::size_t shorter = std::min(formatted.size(), edited.size());
    const std::size_t prefix = commonPrefixLength(formatted.data(), edited.data(), shorter);
    const std::size_t suffix = commonSuffixLength(
        formatted.data() + formatted.size(), edited.data() + edited.size(), shorter - prefix);
    // The stretch that differs, on whole characters.
    Change whole;
    whole.from = prefix;
    while (whole.from > 0 && whole.from < formatted.size() && isUtf8Continuation(formatted[whole.from]))
        --whole.from;
    whole.removedEnd = formatted.size() - suffix;
    while (whole.removedEnd < formatted.size() && isUtf8Continuation(formatted[whole.removedEnd]))
        ++whole.removedEnd;
    whole.typedFrom = whole.from;
    whole.typedEnd = edited.size() - (formatted.size() - whole.removedEnd);

    // The changed lines, each widened over the white space around it; changes that then touch are one.
    std::vector<Change> changes;
    std::vector<ByteSpan> spans;
    for (const Change& change : changedLines(formatted, edited, whole)) {
        const ByteSpan span = widened(formatted, change);
        if (!spans.empty() && span.begin <= spans.back().end) {
            changes.back().removedEnd = change.removedEnd;
            changes.back().typedEnd = change.typedEnd;
            spans.back() = widened(formatted, changes.back());
            continue;
        }
        changes.push_back(change);
        spans.push_back(span);
    }
    const std::optional<std::vector<ByteSpan>> regions = matchingMarkup(markup, formatted, spans);
    if (!regions)
        return std::nullopt;

    CarriedEdits result;
    std::string& out = result.markup;
    out.reserve(markup.size() + (edited.size() > formatted.size() ? edited.size() - formatted.size() : 0));
    std::size_t copied = 0;
    for (std::size_t k = 0; k < changes.size(); ++k) {
        const ByteSpan region = (*regions)[k];
        out.append(markup.substr(copied, region.begin - copied));
        out.append(written(
            formatted, edited, changes[k], spans[k], markup.substr(region.begin, region.end - region.begin)));
        copied = region.end;
    }
    out.append(markup.substr(copied));
    // Where the result parts from the markup, from either end.
    const std::size_t both = std::min(out.size(), markup.size());
    result.begin = commonPrefixLength(out.data(), markup.data(), both);
    const std::size_t same
        = commonSuffixLength(out.data() + out.size(), markup.data() + markup.size(), both - result.begin);
    result.end = markup.size() - same;
    result.inserted = out.size() - same - result.begin;
    return result;
}

} // namespace inkwell
