// Which local files an archive may carry: the decision for file:// URLs over a real folder tree with
// symbolic links and ".." segments.
#include "archivetestsupport.h"
#include "archive/localfilepolicy.h"
#include "archive/urlresolver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace inkwell {
namespace {

using namespace archive_test;

// root/doc is the trusted folder; root/elsewhere is not; root/doc2 shares doc's name as a prefix.
class LocalFileDecision : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeFile(doc() / "style.css", "a{}");
        writeFile(doc() / "a b.css", "a{}");
        writeFile(elsewhere() / "secret.css", "a{}");
        writeFile(root() / "doc2/x.css", "a{}");
        std::filesystem::create_symlink("../elsewhere/secret.css", doc() / "link.css");
        std::filesystem::create_directory_symlink(elsewhere(), doc() / "dirlink");
        std::filesystem::create_symlink(doc() / "style.css", elsewhere() / "back.css");
        ::mkfifo((doc() / "pipe.css").c_str(), 0600);
    }

    std::filesystem::path root() const { return m_root.path(); }
    std::filesystem::path doc() const { return root() / "doc"; }
    std::filesystem::path elsewhere() const { return root() / "elsewhere"; }
    // The URL as the builder meets it: normalised by the URL resolver.
    static std::string Url(const std::string& raw) { return normaliseUrl(raw).value_or("not a url: " + raw); }

    TempFolder m_root;
};

TEST_F(LocalFileDecision, TrustsOnlyWhatLiesBelowTheFoldersWithLinksResolved)
{
    using Verdict = LocalFilePolicy::Verdict;
    const LocalFilePolicy confined(LocalFiles::Confined, { doc() });
    const std::string d = doc().string();
    const std::string e = elsewhere().string();
    struct Case
    {
        const char* name;
        std::string url;
        bool picturePlace;
        Verdict verdict;
        std::string path; // empty: not checked
    };
    const std::vector<Case> cases {
        { "belowTheFolder", "file://" + d + "/style.css", false, Verdict::Include, d + "/style.css" },
        { "localhostHost", "file://localhost" + d + "/style.css", false, Verdict::Include, d + "/style.css" },
        { "encodedBlank", "file://" + d + "/a%20b.css", false, Verdict::Include, d + "/a b.css" },
        { "elsewhere", "file://" + e + "/secret.css", false, Verdict::LeaveOut, e + "/secret.css" },
        { "elsewhereAsPicture", "file://" + e + "/secret.css", true, Verdict::IncludeIfPicture, "" },
        { "symlinkOut", "file://" + d + "/link.css", false, Verdict::LeaveOut, d + "/link.css" },
        { "symlinkOutAsPicture", "file://" + d + "/link.css", true, Verdict::IncludeIfPicture, "" },
        { "folderSymlinkOut", "file://" + d + "/dirlink/secret.css", false, Verdict::LeaveOut, "" },
        { "symlinkIn", "file://" + e + "/back.css", false, Verdict::Include, e + "/back.css" },
        { "dotDotClimbsOut", "file://" + d + "/../elsewhere/secret.css", false, Verdict::LeaveOut,
            e + "/secret.css" },
        { "encodedDotDotClimbsOut", "file://" + d + "/%2e%2e/elsewhere/secret.css", false, Verdict::LeaveOut,
            d + "/../elsewhere/secret.css" },
        { "siblingWithTheSamePrefix", "file://" + d + "2/x.css", false, Verdict::LeaveOut, "" },
        { "missing", "file://" + d + "/missing.css", false, Verdict::Unreadable, d + "/missing.css" },
        { "encodedZero", "file://" + d + "/style.css%00.png", true, Verdict::Unreadable, "" },
        { "namedPipe", "file://" + d + "/pipe.css", true, Verdict::Unreadable, d + "/pipe.css" },
        { "folder", "file://" + d + "/", true, Verdict::Unreadable, "" },
    };
    for (const Case& c : cases) {
        const LocalFilePolicy::Decision decision = confined.decide(Url(c.url), c.picturePlace);
        EXPECT_EQ(decision.verdict, c.verdict) << c.name;
        if (!c.path.empty()) {
            EXPECT_EQ(decision.path, c.path) << c.name;
        }
        EXPECT_EQ(decision.reason.empty(), c.verdict != Verdict::Unreadable)
            << c.name << ": " << decision.reason;
        // What may go in is handed over opened, to be read from there and not by its name again.
        EXPECT_EQ(decision.file.has_value(),
            c.verdict == Verdict::Include || c.verdict == Verdict::IncludeIfPicture)
            << c.name;
    }
    EXPECT_EQ(confined.decide(Url("file://" + d + "/pipe.css"), true).reason, "not a file");

    const LocalFilePolicy all(LocalFiles::All, {});
    EXPECT_EQ(all.decide(Url("file://" + e + "/secret.css"), false).verdict, Verdict::Include);
    const LocalFilePolicy noFolder(LocalFiles::Confined, { root() / "no-such-folder", "" });
    EXPECT_EQ(noFolder.decide(Url("file://" + d + "/style.css"), false).verdict, Verdict::LeaveOut);
}

} // namespace
} // namespace inkwell
