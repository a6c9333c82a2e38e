#include "editing/pagehistory.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace inkwell {
namespace {

// A middle shorter than this is kept as one stretch: splitting it saves less than it costs.
constexpr std::size_t kSplitBelow = 4096;
// The piece looked for in the other text when a middle is split, and how often a part is split again.
constexpr std::size_t kAnchorBytes = 64;
constexpr int kMaxSplits = 16;

// Where the piece of `from` at `at` stands in `to`. Markup repeats itself (the same row, the same
// link), so the piece may stand in many places: only those that the difference in length allows are
// looked at, and of those the one nearest to where it is expected.
std::optional<std::size_t> anchorIn(
    std::string_view to, std::string_view anchor, std::size_t at, std::size_t fromSize)
{
    const std::size_t grown = to.size() > fromSize ? to.size() - fromSize : 0;
    const std::size_t shrunk = fromSize > to.size() ? fromSize - to.size() : 0;
    const std::size_t first = at > shrunk + kSplitBelow ? at - shrunk - kSplitBelow : 0;
    const std::size_t last = std::min(to.size(), at + grown + kSplitBelow + anchor.size());
    if (first >= last)
        return std::nullopt;
    const std::size_t expected = at + grown / 2 - std::min(at, shrunk / 2);
    const std::string_view window = to.substr(first, last - first);
    const std::boyer_moore_horspool_searcher searcher(anchor.begin(), anchor.end());
    std::optional<std::size_t> best;
    for (auto from = window.begin();;) {
        const auto found = std::search(from, window.end(), searcher);
        if (found == window.end())
            break;
        const std::size_t place = first + static_cast<std::size_t>(found - window.begin());
        const auto distance
            = [expected](std::size_t p) { return p > expected ? p - expected : expected - p; };
        if (!best || distance(place) < distance(*best))
            best = place;
        from = found + 1;
    }
    return best;
}

void collect(std::string_view from, std::string_view to, std::size_t offset, int depth, TextDifference& out)
{
    const std::size_t shorter = std::min(from.size(), to.size());
    std::size_t head = 0;
    while (head < shorter && from[head] == to[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && from[from.size() - 1 - tail] == to[to.size() - 1 - tail])
        ++tail;
    from = from.substr(head, from.size() - head - tail);
    to = to.substr(head, to.size() - head - tail);
    offset += head;
    if (from.empty() && to.empty())
        return;
    // Two edits far apart leave the page between them alike in both texts: a piece from the middle of
    // `from` found in `to` splits both there, and each half is taken on its own. Any split point gives
    // a correct difference; a good one gives a small one.
    if (depth < kMaxSplits && from.size() >= kSplitBelow && to.size() >= kSplitBelow) {
        const std::size_t middle = from.size() / 2 - kAnchorBytes / 2;
        if (const auto split = anchorIn(to, from.substr(middle, kAnchorBytes), middle, from.size())) {
            collect(from.substr(0, middle), to.substr(0, *split), offset, depth + 1, out);
            collect(from.substr(middle), to.substr(*split), offset + middle, depth + 1, out);
            return;
        }
    }
    out.push_back(TextChange { offset, std::string(from), std::string(to) });
}

} // namespace

TextDifference differenceOf(std::string_view from, std::string_view to)
{
    TextDifference out;
    collect(from, to, 0, 0, out);
    return out;
}

std::string applyForward(std::string_view from, const TextDifference& difference)
{
    std::string out;
    std::size_t grown = 0;
    for (const TextChange& change : difference)
        grown += change.inserted.size();
    out.reserve(from.size() + grown);
    std::size_t read = 0;
    for (const TextChange& change : difference) {
        out.append(from.substr(read, change.at - read));
        out.append(change.inserted);
        read = change.at + change.removed.size();
    }
    out.append(from.substr(read));
    return out;
}

std::string applyBackward(std::string_view to, const TextDifference& difference)
{
    std::string out;
    out.reserve(to.size());
    // Offsets are those of the text before the change; in `to` each stretch has moved by what the
    // stretches before it added or took away.
    std::size_t read = 0;
    std::ptrdiff_t moved = 0;
    for (const TextChange& change : difference) {
        const auto at = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(change.at) + moved);
        out.append(to.substr(read, at - read));
        out.append(change.removed);
        read = at + change.inserted.size();
        moved += static_cast<std::ptrdiff_t>(change.inserted.size())
            - static_cast<std::ptrdiff_t>(change.removed.size());
    }
    out.append(to.substr(read));
    return out;
}

void PageHistory::start(std::string page)
{
    m_page = std::move(page);
    m_steps.clear();
    m_positions.assign(1, std::string());
    m_current = 0;
}

void PageHistory::dropLaterStates()
{
    m_steps.resize(m_current);
    m_positions.resize(m_current + 1);
}

void PageHistory::replaceCurrent(std::string page)
{
    dropLaterStates();
    if (page == m_page)
        return;
    if (m_current > 0) {
        const std::string previous = applyBackward(m_page, m_steps[m_current - 1]);
        m_steps[m_current - 1] = differenceOf(previous, page);
    }
    m_page = std::move(page);
}

void PageHistory::push(std::string page)
{
    dropLaterStates();
    if (page == m_page)
        return;
    m_steps.push_back(differenceOf(m_page, page));
    m_positions.emplace_back();
    m_page = std::move(page);
    ++m_current;
}

const std::string& PageHistory::goBack()
{
    if (canGoBack()) {
        --m_current;
        m_page = applyBackward(m_page, m_steps[m_current]);
    }
    return m_page;
}

const std::string& PageHistory::goForward()
{
    if (canGoForward()) {
        m_page = applyForward(m_page, m_steps[m_current]);
        ++m_current;
    }
    return m_page;
}

std::size_t PageHistory::heldBytes() const
{
    std::size_t bytes = m_page.size();
    for (const TextDifference& step : m_steps) {
        for (const TextChange& change : step)
            bytes += change.removed.size() + change.inserted.size() + sizeof(TextChange);
    }
    for (const std::string& position : m_positions)
        bytes += position.size();
    return bytes;
}

} // namespace inkwell
