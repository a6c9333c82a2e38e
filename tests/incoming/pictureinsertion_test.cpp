// Where an inserted picture comes to lie and how the page refers to it, without a display.
#include "core/readfile.h"
#include "core/regularfile.h"
#include "incoming/pictureinsertion.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testfiles.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using inkwell::copyPictureIntoFolder;
using inkwell::copyPictureUnderFreeName;
using inkwell::pictureSource;
using inkwell::testing::fileBytes;
using inkwell::testing::writeFile;

struct SourceCase
{
    const char* picture;
    const char* folder;
    const char* expected;
};

class PictureSourceTable : public ::testing::TestWithParam<SourceCase>
{
};

TEST_P(PictureSourceTable, RelativeInsideTheFolderFileUrlOutside)
{
    const SourceCase& c = GetParam();
    EXPECT_EQ(pictureSource(c.picture, c.folder), c.expected) << c.picture << " in " << c.folder;
}

INSTANTIATE_TEST_SUITE_P(Table, PictureSourceTable,
    ::testing::Values(SourceCase { "", "/doc", "" }, SourceCase { "/doc/dot.png", "/doc", "dot.png" },
        SourceCase { "/doc/dot.png", "/doc/", "dot.png" },
        SourceCase { "/doc/my pic#1.png", "/doc", "my%20pic%231.png" },
        SourceCase { "/doc/西湖风景.png", "/doc", "西湖风景.png" },
        SourceCase { "/doc/100% (a?b).png", "/doc", "100%25%20(a%3Fb).png" },
        SourceCase { "/doc/img/a&b\".gif", "/doc", "img/a%26b%22.gif" },
        SourceCase { "/doc/a\\b~+,;=@!'$*.png", "/doc", "a%5Cb~+,;=@!'$*.png" },
        SourceCase { "/doc/tab\there.png", "/doc", "tab%09here.png" },
        SourceCase { "/doc/c:x.png", "/doc", "./c:x.png" },
        SourceCase { "/doc/a/c:x.png", "/doc", "a/c:x.png" },
        SourceCase { "/doc/../other/x.png", "/doc", "file:///other/x.png" },
        SourceCase { "/docs/x.png", "/doc", "file:///docs/x.png" },
        SourceCase { "/pics/a b.png", "/doc", "file:///pics/a%20b.png" },
        SourceCase { "/图片/画.png", "", "file:///图片/画.png" },
        SourceCase { "/pics/a.png", "", "file:///pics/a.png" }));

class CopyPicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("inkwell-picture-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "doc");
        fs::create_directories(root / "elsewhere");
    }
    void TearDown() override { fs::remove_all(root); }

    // Bytes with a zero and high bytes, as pictures have.
    const std::string bytes = std::string("\x89PNG\r\n\x1A\n\0\0\xFF", 11) + std::string(70000, 'p');
    fs::path root;
};

TEST_F(CopyPicture, CopiesAPictureFromAnotherFolderBesideTheDocument)
{
    writeFile(root / "elsewhere/a b.png", bytes);
    const auto copy = copyPictureIntoFolder(root / "elsewhere/a b.png", root / "doc");
    ASSERT_TRUE(copy);
    EXPECT_EQ(*copy, root / "doc/a b.png");
    EXPECT_EQ(fileBytes(*copy), bytes);
    EXPECT_EQ(fileBytes(root / "elsewhere/a b.png"), bytes);
}

TEST_F(CopyPicture, APictureAlreadyInTheFolderStaysIntact)
{
    writeFile(root / "doc/own.png", bytes);
    fs::create_symlink(root / "doc/own.png", root / "elsewhere/link.png");
    fs::create_symlink(root / "doc", root / "doclink");
    // By its own path, through the folder by another name, and through a link of the same name.
    for (const fs::path& chosen :
        { root / "doc/own.png", root / "doclink/own.png", root / "doc/./own.png" }) {
        const auto copy = copyPictureIntoFolder(chosen, root / "doc");
        ASSERT_TRUE(copy) << chosen;
        EXPECT_EQ(fileBytes(root / "doc/own.png"), bytes) << chosen;
    }
    fs::create_symlink(root / "doc/own.png", root / "elsewhere/own.png");
    ASSERT_TRUE(copyPictureIntoFolder(root / "elsewhere/own.png", root / "doc"));
    EXPECT_EQ(fileBytes(root / "doc/own.png"), bytes);
}

// Dropped pictures never write over a different file: a second logo.png from another folder comes in
// under a free name and the first stays; the same picture again, or the file itself, is used as it is.
TEST_F(CopyPicture, ADroppedPictureTakesAFreeNameBesideADifferentOneOfTheSameName)
{
    const std::string other = bytes + "another picture";
    writeFile(root / "elsewhere/a/logo.png", bytes);
    writeFile(root / "elsewhere/b/logo.png", other);
    writeFile(root / "elsewhere/c/logo.png", bytes);
    struct Case
    {
        fs::path dropped;
        fs::path expected;
    };
    for (const Case& c : { Case { root / "elsewhere/a/logo.png", root / "doc/logo.png" },
             Case { root / "elsewhere/b/logo.png", root / "doc/logo-2.png" },
             Case { root / "elsewhere/c/logo.png", root / "doc/logo.png" },
             Case { root / "doc/logo-2.png", root / "doc/logo-2.png" } }) {
        SCOPED_TRACE(c.dropped);
        const auto copy = copyPictureUnderFreeName(c.dropped, root / "doc");
        ASSERT_TRUE(copy) << copy.error().message;
        EXPECT_EQ(*copy, c.expected);
    }
    EXPECT_EQ(fileBytes(root / "doc/logo.png"), bytes);
    EXPECT_EQ(fileBytes(root / "doc/logo-2.png"), other);
    EXPECT_EQ(
        inkwell::testing::namesIn(root / "doc"), (std::vector<std::string> { "logo-2.png", "logo.png" }));
    EXPECT_FALSE(copyPictureUnderFreeName(root / "elsewhere/gone.png", root / "doc"));
}

TEST_F(CopyPicture, ReplacesADifferentFileOfTheSameNameOnlyWithACompleteCopy)
{
    writeFile(root / "doc/x.png", "old");
    writeFile(root / "elsewhere/x.png", bytes);
    ASSERT_TRUE(copyPictureIntoFolder(root / "elsewhere/x.png", root / "doc"));
    EXPECT_EQ(fileBytes(root / "doc/x.png"), bytes);

    writeFile(root / "doc/gone.png", "old");
    EXPECT_FALSE(copyPictureIntoFolder(root / "elsewhere/gone.png", root / "doc"));
    EXPECT_EQ(fileBytes(root / "doc/gone.png"), "old");
    EXPECT_FALSE(copyPictureIntoFolder(root / "elsewhere/x.png", root / "no-such-folder"));
    EXPECT_FALSE(copyPictureIntoFolder(root / "elsewhere", root / "doc"));
    EXPECT_FALSE(copyPictureIntoFolder("", root / "doc"));
    // No half-written leftovers beside the document.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root / "doc"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "gone.png", "x.png" }));
}

// A chosen picture that is no file (a named pipe, a device, a folder) is refused at once with the
// reason the message gives, and nothing is written beside the document.
TEST_F(CopyPicture, SomethingOtherThanAFileIsRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo((root / "elsewhere/pipe.png").c_str(), 0600), 0);
    struct Case
    {
        fs::path chosen;
        int code;
    };
    auto done = std::async(std::launch::async, [&] {
        for (const Case& c : { Case { root / "elsewhere/pipe.png", inkwell::kNotARegularFile },
                 Case { "/dev/zero", inkwell::kNotARegularFile }, Case { root / "elsewhere", EISDIR } }) {
            const auto copy = copyPictureIntoFolder(c.chosen, root / "doc");
            ASSERT_FALSE(copy.ok()) << c.chosen;
            EXPECT_EQ(copy.error().code, c.code) << c.chosen;
        }
    });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the picture command waited on something that is no file";
        ::_exit(1);
    }
    done.get();
    EXPECT_TRUE(fs::is_empty(root / "doc"));
}

} // namespace
