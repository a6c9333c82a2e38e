#include "app/commandguard.h"
#include "app/fontlist.h"
#include "app/mainwindowlayout.h"
#include "app/timestampname.h"
#include "app/windowcaption.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace inkwell {
namespace {

// What a nested event loop starts while a command runs: a second command is refused, deferred work runs
// after the command, in order, each piece on its own, and work deferred by deferred work comes last.
TEST(CommandGuard, NothingRunsInsideARunningCommand)
{
    CommandGuard guard;
    std::vector<std::string> log;
    int depth = 0;
    const auto step = [&](std::string name, std::function<void()> inside = {}) {
        return [&, name, inside] {
            ++depth;
            log.push_back(name + "@" + std::to_string(depth));
            if (inside)
                inside();
            --depth;
        };
    };

    EXPECT_TRUE(guard.run(step("save", [&] {
        EXPECT_TRUE(guard.busy());
        EXPECT_FALSE(guard.run(step("second save")));
        guard.runOrDefer(step("recovery copy", [&] { guard.runOrDefer(step("after the copy")); }));
        guard.runOrDefer(step("reload"));
    })));
    EXPECT_FALSE(guard.busy());
    EXPECT_EQ(log,
        (std::vector<std::string> { "save@1", "recovery copy@1", "reload@1", "after the copy@1" }));

    log.clear();
    guard.runOrDefer(step("idle copy"));
    EXPECT_TRUE(guard.run(step("open")));
    EXPECT_EQ(log, (std::vector<std::string> { "idle copy@1", "open@1" }));
}

TEST(TimeStampName, ThirteenDigitsGrowingWithTheClock)
{
    const auto first = timeStampName();
    ASSERT_EQ(first.size(), 13u);
    EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // the clock moves on by about a second
    const auto later = std::stoll(timeStampName());
    const auto grown = later - std::stoll(first);
    EXPECT_GE(grown, 1000);
    EXPECT_LT(grown, 3000);
}

TEST(FontList, ReversesAndDropsConsecutiveDuplicates)
{
    EXPECT_EQ(fontListFromEnumeration({ "A", "B", "B", "C", "B" }),
        (std::vector<std::string> { "B", "C", "B", "A" }));
    EXPECT_EQ(fontListFromEnumeration({ "宋体", "宋体", "宋体" }), (std::vector<std::string> { "宋体" }));
    EXPECT_TRUE(fontListFromEnumeration({}).empty());
}

struct LayoutCase
{
    const char* name;
    int width, height;
    LayoutRect capture, tab;
};

class Layout : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(Layout, StripsFixedRestFollowsTheClientArea)
{
    const auto l = layoutMainWindow(GetParam().width, GetParam().height);
    EXPECT_EQ(l.fileStrip, (LayoutRect { 0, 0, 110, 50 }));
    EXPECT_EQ(l.formatStrip, (LayoutRect { 111, 0, 430, 50 }));
    EXPECT_EQ(l.captureStrip, GetParam().capture);
    EXPECT_EQ(l.tabControl, GetParam().tab);
}

INSTANTIATE_TEST_SUITE_P(Table, Layout,
    ::testing::Values(LayoutCase { "designed", 824, 578, { 541, 0, 283, 50 }, { 0, 51, 824, 527 } },
        LayoutCase { "maximised", 1280, 776, { 541, 0, 739, 50 }, { 0, 51, 1280, 725 } },
        LayoutCase { "narrow_and_low", 300, 40, { 541, 0, 0, 50 }, { 0, 51, 300, 0 } },
        LayoutCase { "exactly_541x51", 541, 51, { 541, 0, 0, 50 }, { 0, 51, 541, 0 } },
        LayoutCase { "nothing", 0, 0, { 541, 0, 0, 50 }, { 0, 51, 0, 0 } }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Layout, BrowserFillsThePageAndNeverGoesNegative)
{
    EXPECT_EQ(browserRectInPage(818, 470), (LayoutRect { 0, 0, 818, 470 }));
    EXPECT_EQ(browserRectInPage(-5, -1), (LayoutRect { 0, 0, 0, 0 }));
}

struct CaptionCase
{
    const char* name;
    std::string title; // title.ini's value
    std::filesystem::path file; // the document file
    PageEdits edits;
    std::string caption;
};

// The run folder is /opt/run; its temporary pages lie in /opt/run/tmp.
TEST(WindowCaption, TitleThenTheFileSaveWritesMarkedWhileUnsaved)
{
    const std::filesystem::path tmp = "/opt/run/tmp";
    const std::vector<CaptionCase> cases {
        { "project", "Inkwell", "/home/u/project/我的主页/我的主页.html", PageEdits::Saved,
            "Inkwell - 我的主页.html" },
        { "unsaved_project", "Inkwell", "/home/u/project/我的主页/我的主页.html", PageEdits::Unsaved,
            "Inkwell - *我的主页.html" },
        { "style_sheet", "Inkwell", "/p/样式/样式.css", PageEdits::Saved, "Inkwell - 样式.css" },
        { "name_with_blanks", "Inkwell", "/p/my page/my page.html", PageEdits::Saved,
            "Inkwell - my page.html" },
        { "temporary_page", "Inkwell", "/opt/run/tmp/1765443600000.html", PageEdits::Saved,
            "Inkwell - 临时页面" },
        { "unsaved_temporary_page", "Inkwell", "/opt/run/tmp/1765443600000.html", PageEdits::Unsaved,
            "Inkwell - *临时页面" },
        // The temporary folder is one folder, not any folder named "tmp".
        { "other_tmp_folder", "Inkwell", "/home/u/tmp/1765443600000.html", PageEdits::Saved,
            "Inkwell - 1765443600000.html" },
        { "below_the_temporary_folder", "Inkwell", "/opt/run/tmp/a/b.html", PageEdits::Saved,
            "Inkwell - b.html" },
        { "temporary_folder_spelled_otherwise", "Inkwell", "/opt/run/./tmp/1.html", PageEdits::Saved,
            "Inkwell - 临时页面" },
        { "temporary_folder_given_with_a_slash", "Inkwell", "/opt/run/tmp//1.html", PageEdits::Saved,
            "Inkwell - 临时页面" },
        { "configured_title", "我的网页 editor", "/p/a/a.html", PageEdits::Unsaved,
            "我的网页 editor - *a.html" },
        { "empty_title", "", "/opt/run/tmp/1.html", PageEdits::Saved, "临时页面" },
        { "empty_title_unsaved", "", "/p/a/a.html", PageEdits::Unsaved, "*a.html" },
        // A kind without an extension keeps the file's name whole.
        { "no_extension", "Inkwell", "/p/a/notes", PageEdits::Saved, "Inkwell - notes" },
    };
    for (const CaptionCase& c : cases)
        EXPECT_EQ(windowCaption(c.title, c.file, tmp, c.edits), c.caption) << c.name;
}

} // namespace
} // namespace inkwell
