// The pages the design view can be taken back to across the loads the engine forgets: each state is a
// whole page (markup as its file holds it) with the place the user was in it, kept as differences from
// its neighbour so that many states of a large page cost little more than the page once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

// What turns one text into another: the stretches of `from` that differ, in order, each with the text
// that stands there in `to`.
struct TextChange
{
    std::size_t at = 0; // byte offset in `from`
    std::string removed;
    std::string inserted;
};
using TextDifference = std::vector<TextChange>;

// The differing stretches of from and to: the common start and end are left out, and a long middle is
// split at a piece both share, so that edits far apart are kept apart instead of as one stretch holding
// everything between them.
[[nodiscard]] TextDifference differenceOf(std::string_view from, std::string_view to);
// `from` turned into `to` by the difference, and back.
[[nodiscard]] std::string applyForward(std::string_view from, const TextDifference& difference);
[[nodiscard]] std::string applyBackward(std::string_view to, const TextDifference& difference);

class PageHistory
{
public:
    // Forgets every state; `page` is the one state, and the current one.
    void start(std::string page);
    // Drops the states after the current one (they can no longer be reached again), then adds `page`
    // after it and makes it current. A page equal to the current one adds nothing.
    void push(std::string page);
    // Drops the states after the current one.
    void dropLaterStates();
    // The current state is `page` (the same page written another way, say): the states after it are
    // dropped, the one before it stays, its position is kept.
    void replaceCurrent(std::string page);

    [[nodiscard]] bool canGoBack() const { return m_current > 0; }
    [[nodiscard]] bool canGoForward() const { return m_current + 1 < m_positions.size(); }
    // Makes the previous (next) state current and returns its page; only when there is one.
    const std::string& goBack();
    const std::string& goForward();

    [[nodiscard]] const std::string& page() const { return m_page; }
    // Where the user was in the current page (selection and scroll, as the view writes them down);
    // empty when nothing was noted.
    [[nodiscard]] const std::string& position() const { return m_positions[m_current]; }
    void setPosition(std::string position) { m_positions[m_current] = std::move(position); }

    [[nodiscard]] std::size_t stateCount() const { return m_positions.size(); }
    [[nodiscard]] std::size_t currentIndex() const { return m_current; }
    // Bytes of text held: the current page, the differences and the positions.
    [[nodiscard]] std::size_t heldBytes() const;

private:
    std::string m_page; // the current state's page in full
    std::vector<TextDifference> m_steps; // m_steps[i] turns state i into state i + 1
    std::vector<std::string> m_positions { std::string() }; // one per state
    std::size_t m_current = 0;
};

} // namespace inkwell
