// Local files an archive takes in are read from what the local-file rule checked: a folder
// swapped for a symbolic link while archives are built never brings an outside file in.
#include "archive/archivebuilder.h"
#include "archivetestsupport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>

namespace inkwell {
namespace {

using namespace archive_test;

// site/box is a real folder of the site, site/swap a symbolic link to a folder outside it; a
// thread exchanges the two names as fast as it can, so that site/box/notes.js names the site's
// file at one moment and the outside file at the next.
TEST(ArchiveLocalFiles, AFolderSwappedForALinkNeverBringsAnOutsideFileIn)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    const std::filesystem::path outside = folder.path() / "outside";
    // Markers that quoted-printable leaves as they are.
    const std::string insideMarker = "INSIDE-MARKER-2b1c";
    const std::string outsideMarker = "OUTSIDE-SECRET-7f3a";
    writeFile(site / "p.html", "<script src=box/notes.js></script>");
    writeFile(site / "box/notes.js", "// " + insideMarker + "\n");
    writeFile(outside / "notes.js", "// " + outsideMarker + "\n");
    std::filesystem::create_directory_symlink(outside, site / "swap");

    std::atomic<bool> stop = false;
    std::atomic<long> swaps = 0;
    std::thread swapper([&] {
        const std::string box = (site / "box").string();
        const std::string swap = (site / "swap").string();
        while (!stop) {
            if (::renameat2(AT_FDCWD, box.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });

    ArchiveOptions options;
    options.trustedFolders = { site };
    const std::string page = "file://" + (site / "p.html").string();
    const std::filesystem::path target = folder.path() / "out.mht";
    int built = 0;
    int withInside = 0;
    int leftOut = 0;
    std::string leak;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end && leak.empty()) {
        const ArchiveResult result = buildMhtArchive(page, target, options);
        ASSERT_TRUE(result.ok()) << result.error.message;
        ++built;
        const std::string archive = requiredFileBytes(target);
        if (archive.find(outsideMarker) != std::string::npos)
            leak = archive;
        withInside += archive.find(insideMarker) != std::string::npos ? 1 : 0;
        leftOut += result.localFilesLeftOut.empty() ? 0 : 1;
    }
    stop = true;
    swapper.join();

    EXPECT_EQ(leak, "") << "archive " << built << " holds the outside file";
    // Both sides of the swap were met, or the race was not run at all.
    EXPECT_GT(swaps.load(), 100);
    EXPECT_GT(withInside, 0) << built << " archives";
    EXPECT_GT(leftOut, 0) << built << " archives";
}

// The page's own folder exchanged with a link to a private folder while archives of its page are
// built, as inkwell-mht builds them: the folder trusted, the page read and the files it names are one
// and the same folder, so the private style sheet of the same name never goes in.
TEST(ArchiveLocalFiles, ThePagesOwnFolderSwappedForALinkNeverBringsAPrivateFileIn)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    const std::filesystem::path swap = folder.path() / "swap";
    const std::string insideMarker = "INSIDE-MARKER-5d0e";
    const std::string privateMarker = "PRIVATE-SECRET-91c4";
    writeFile(site / "p.html", "<link rel=stylesheet href=x.css><p>page</p>");
    writeFile(site / "x.css", "p { content: '" + insideMarker + "' }\n");
    writeFile(folder.path() / "private" / "x.css", "p { content: '" + privateMarker + "' }\n");
    std::filesystem::create_directory_symlink(folder.path() / "private", swap);

    std::atomic<bool> stop = false;
    std::atomic<long> swaps = 0;
    std::thread swapper([&] {
        while (!stop) {
            if (::renameat2(AT_FDCWD, site.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });

    ArchiveOptions options;
    options.trustPageFolder = true;
    const std::string page = "file://" + (site / "p.html").string();
    const std::filesystem::path target = folder.path() / "out.mht";
    int built = 0;
    int withInside = 0;
    std::string leak;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end && leak.empty()) {
        // While the name leads to the private folder, there is no page to archive.
        if (!buildMhtArchive(page, target, options).ok())
            continue;
        ++built;
        const std::string archive = requiredFileBytes(target);
        if (archive.find(privateMarker) != std::string::npos)
            leak = archive;
        withInside += archive.find(insideMarker) != std::string::npos ? 1 : 0;
    }
    stop = true;
    swapper.join();

    EXPECT_EQ(leak, "") << "archive " << built << " holds the private file";
    EXPECT_GT(swaps.load(), 100);
    EXPECT_GT(withInside, 0) << built << " archives";
}

} // namespace
} // namespace inkwell
