// The page history: differences that give back both texts exactly, the walk through the states, and
// what fifty steps on a large page hold.
#include "editing/pagehistory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace inkwell {
namespace {

// The real pages of the fixtures, one after another until the text has `bytes` bytes: markup that
// repeats itself as large pages do.
std::string largePage(std::size_t bytes)
{
    std::vector<std::string> pages;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(INKWELL_TEST_DATA) / "pages")) {
        if (entry.path().extension() != ".html")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        pages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string out;
    for (std::size_t i = 0; out.size() < bytes && !pages.empty(); ++i)
        out += pages[i % pages.size()];
    out.resize(bytes);
    return out;
}

// One word of the text replaced, the first one of letters found from the given fraction of its length.
std::string withOneWordChanged(std::string text, double where, const std::string& word)
{
    std::size_t at = static_cast<std::size_t>(static_cast<double>(text.size()) * where);
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    while (at + 1 < text.size() && !(isLetter(text[at + 1]) && text[at] == ' '))
        ++at;
    std::size_t end = ++at;
    while (end < text.size() && isLetter(text[end]))
        ++end;
    text.replace(at, end - at, word);
    return text;
}

std::size_t changedBytes(const TextDifference& difference)
{
    std::size_t bytes = 0;
    for (const TextChange& change : difference)
        bytes += change.removed.size() + change.inserted.size();
    return bytes;
}

TEST(TextDifference, GivesBackBothTextsExactly)
{
    const std::string page = largePage(200 * 1024);
    struct Case
    {
        const char* name;
        std::string from;
        std::string to;
        std::size_t mostChangedBytes;
    };
    const Case cases[] = {
        { "both empty", "", "", 0 },
        { "all new", "", "<p>x</p>", 8 },
        { "all gone", "<p>x</p>", "", 8 },
        { "same", "<p>x</p>", "<p>x</p>", 0 },
        { "one letter", "<p>one two</p>", "<p>one tw0</p>", 2 },
        { "grown inside a repeat", "aaaa", "aaaaaa", 2 },
        { "Chinese, one character", "<p>中文，链接。</p>", "<p>中文，连接。</p>", 6 },
        { "one word in a page that repeats itself", page, withOneWordChanged(page, 0.5, "changed"), 64 },
        { "two words far apart", page,
            withOneWordChanged(withOneWordChanged(page, 0.05, "first"), 0.95, "second"), 128 },
        { "a paragraph inserted and one removed", page,
            withOneWordChanged(page, 0.3, "<p>a new paragraph</p>").erase(150 * 1024, 300), 1024 },
        { "everything different", std::string(10000, 'a'), std::string(9000, 'b'), 19000 },
    };
    for (const Case& c : cases) {
        const TextDifference difference = differenceOf(c.from, c.to);
        EXPECT_TRUE(applyForward(c.from, difference) == c.to) << c.name;
        EXPECT_TRUE(applyBackward(c.to, difference) == c.from) << c.name;
        EXPECT_LE(changedBytes(difference), c.mostChangedBytes) << c.name;
    }
}

TEST(PageHistory, WalksBackAndForthAndForgetsWhatANewStepReplaces)
{
    PageHistory history;
    history.start("<p>opened</p>");
    EXPECT_FALSE(history.canGoBack());
    history.setPosition("at opened");
    history.push("<p>typed</p>");
    history.setPosition("at typed");
    history.push("<p>typed</p>"); // the same page again is no step
    history.push("<p>carried</p>");
    EXPECT_EQ(history.stateCount(), 3U);

    EXPECT_EQ(history.goBack(), "<p>typed</p>");
    EXPECT_EQ(history.position(), "at typed");
    EXPECT_EQ(history.goBack(), "<p>opened</p>");
    EXPECT_EQ(history.position(), "at opened");
    EXPECT_FALSE(history.canGoBack());
    EXPECT_EQ(history.goForward(), "<p>typed</p>");
    EXPECT_TRUE(history.canGoForward());

    // The same page written another way: the page before it and its position stay.
    history.replaceCurrent("<p >typed</p>");
    EXPECT_FALSE(history.canGoForward());
    EXPECT_EQ(history.position(), "at typed");
    EXPECT_EQ(history.goBack(), "<p>opened</p>");
    EXPECT_EQ(history.goForward(), "<p >typed</p>");

    // A new step after going back drops the steps that came after.
    (void)history.goBack();
    history.push("<p>other</p>");
    EXPECT_FALSE(history.canGoForward());
    EXPECT_EQ(history.goBack(), "<p>opened</p>");

    history.start("<p>new file</p>");
    EXPECT_EQ(history.stateCount(), 1U);
    EXPECT_EQ(history.page(), "<p>new file</p>");
    EXPECT_TRUE(history.position().empty());
}

// Fifty trips through the code view, each changing a word somewhere in a 5 MB page: the history holds
// the page once and the words, not fifty pages, and gives every one of them back.
TEST(PageHistory, FiftyStepsOnALargePageHoldDifferencesNotCopies)
{
    const std::string opened = largePage(5 * 1024 * 1024);
    PageHistory history;
    history.start(opened);
    std::vector<std::string> words;
    std::string page = opened;
    for (int trip = 0; trip < 50; ++trip) {
        words.push_back("trip" + std::to_string(trip));
        page = withOneWordChanged(page, static_cast<double>((trip * 37) % 100) / 100.0, words.back());
        history.replaceCurrent(history.page()); // the page as read before the trip, unchanged
        history.setPosition(R"({"a":[1,2,0],"ao":3,"b":[1,2,0],"bo":3,"x":0,"y":1200})");
        history.push(page);
    }
    const std::size_t beyondPage = history.heldBytes() - page.size();
    std::cout << "held beyond the page after 50 steps on " << opened.size() << " bytes: " << beyondPage
              << " bytes\n";
    EXPECT_LT(beyondPage, 1024U * 1024U);

    for (int trip = 49; trip >= 0; --trip) {
        ASSERT_NE(history.page().find(words[static_cast<std::size_t>(trip)]), std::string::npos) << trip;
        (void)history.goBack();
    }
    EXPECT_TRUE(history.page() == opened);
    for (int trip = 0; trip < 50; ++trip)
        (void)history.goForward();
    EXPECT_TRUE(history.page() == page);
}

} // namespace
} // namespace inkwell
