// The shared kit: whole-file reads, the streaming form of the atomic writer and the ASCII helpers, each
// at the cases where the copies it replaced used to part.
#include "core/ascii.h"
#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "tests/support/tempfolder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace inkwell {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;
using testing::TempFolder;
using testing::WriteFile;


TEST(ReadFile, GivesEveryByteOrSaysWhyNot)
{
    TempFolder dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    WriteFile(dir.path() / "page.html", bytes);
    const Result<std::string> read = readFile(dir.path() / "page.html");
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(*read, bytes);

    struct Case
    {
        fs::path path;
        int code;
        std::string_view start;
    };
    // Neither a named pipe nor a socket may hold up a read: both are refused at once.
    ASSERT_EQ(::mkfifo((dir.path() / "fifo.html").c_str(), 0600), 0);
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir.path() / "socket.html").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const Case& c : { Case { dir.path() / "missing.html", ENOENT, "cannot open " },
             Case { dir.path(), EISDIR, "cannot open " }, Case { dir.path() / "fifo.html", kNotARegularFile, "cannot open " },
             Case { dir.path() / "socket.html", ENXIO, "cannot open " }, Case { "/dev/null", kNotARegularFile, "cannot open " } }) {
        const Result<std::string> failed = readFile(c.path);
        ASSERT_FALSE(failed.ok()) << c.path;
        EXPECT_EQ(failed.error().code, c.code) << c.path;
        EXPECT_TRUE(failed.error().message.starts_with(std::string(c.start) + c.path.string() + ": "))
            << failed.error().message;
    }
    ::close(socketFd);
}

TEST(OpenRegularFile, TellsWhereTheOpenedFileLies)
{
    TempFolder dir;
    WriteFile(dir.path() / "real.png", "picture");
    fs::create_directory(dir.path() / "inner");
    fs::create_symlink(dir.path() / "real.png", dir.path() / "inner" / "link.png");
    const fs::path real = fs::canonical(dir.path() / "real.png");

    Result<OpenedFile> opened = openRegularFile(dir.path() / "inner" / "link.png");
    ASSERT_TRUE(opened.ok()) << opened.error().message;
    EXPECT_EQ(opened->realPath, real);
    EXPECT_EQ(opened->size, 7u);
    Result<std::string> bytes = readAll(opened->fd.get(), "link");
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(*bytes, "picture");

    const FileDescriptor folder(::open((dir.path() / "inner").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folder.isValid());
    EXPECT_TRUE(openRegularFileAt(folder.get(), "link.png", FinalLink::Follow).ok());
    const Result<OpenedFile> refused = openRegularFileAt(folder.get(), "link.png", FinalLink::Refuse);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ELOOP);
}

TEST(AtomicFile, TheTargetChangesOnlyAtCommit)
{
    TempFolder dir;
    const fs::path target = dir.path() / "archive.mht";
    WriteFile(target, "an earlier archive");
    {
        Result<AtomicFile> file = AtomicFile::create(target);
        ASSERT_TRUE(file.ok()) << file.error().message;
        ASSERT_TRUE(file->write("first piece, ").ok());
        ASSERT_TRUE(file->write("second piece").ok());
        EXPECT_EQ(testing::ReadFile(target), "an earlier archive");
        EXPECT_EQ(namesIn(dir.path()).size(), 2u) << "the new bytes wait beside the target";
        ASSERT_TRUE(file->commit().ok());
        EXPECT_FALSE(file->write("late").ok()) << "a committed file takes no more bytes";
    }
    EXPECT_EQ(testing::ReadFile(target), "first piece, second piece");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "archive.mht" });

    {
        Result<AtomicFile> file = AtomicFile::create(target);
        ASSERT_TRUE(file.ok()) << file.error().message;
        ASSERT_TRUE(file->write("abandoned").ok());
        Result<AtomicFile> moved = std::move(*file);
        ASSERT_TRUE(moved.ok());
    }
    EXPECT_EQ(testing::ReadFile(target), "first piece, second piece") << "no commit, no change";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "archive.mht" }) << "and nothing left beside";
}

// A writer killed before its commit leaves its temporary file; the names it makes are the ones the
// next start looks for, at every target length, and nothing else in the folder is taken for one.
TEST(AtomicFile, AKilledWriterLeavesANameThatIsFoundAgain)
{
    TempFolder dir;
    WriteFile(dir.path() / ".profile", "a user's own");
    for (const std::string target : { "ab", "abc", "recover.html", "a much longer name than twelve.html" }) {
        SCOPED_TRACE(target);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Result<AtomicFile> file = AtomicFile::create(dir.path() / target);
            if (!file.ok() || !file->write("half a page").ok())
                ::_exit(2);
            ::_exit(0); // killed before the commit: no destructor runs
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::vector<std::string> left = namesIn(dir.path());
        std::erase(left, ".profile");
        ASSERT_EQ(left.size(), 1u);
        EXPECT_LE(left.front().size(), std::max<std::size_t>(target.size(), 1));
        if (target.size() >= 3) {
            EXPECT_TRUE(isAtomicTemporaryName(left.front())) << left.front();
            EXPECT_EQ(removeLeftoverTemporaryFiles(dir.path()), 1u);
        } else {
            // Too short to carry the mark: never taken for a leftover, so removed here by hand.
            EXPECT_EQ(removeLeftoverTemporaryFiles(dir.path()), 0u);
            fs::remove(dir.path() / left.front());
        }
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { ".profile" });
    }
    for (const std::string_view name :
        { ".profile", ".htaccess", ".~", ".~a.b", ".~lock.x#", ".~abcdefghijk", "~abc" })
        EXPECT_FALSE(isAtomicTemporaryName(name)) << name;
}

TEST(AtomicFile, OwnerOnlyFilesAreCreatedAndRewrittenPrivate)
{
    TempFolder dir;
    const fs::path shared = dir.path() / "shared.ini";
    const fs::path kept = dir.path() / "private.html";
    WriteFile(kept, "before");
    fs::permissions(kept, fs::perms(0644));
    const mode_t saved = ::umask(0);
    const bool sharedWritten = writeFileAtomically(shared, "x").ok();
    const bool keptWritten = writeFileAtomically(kept, "after", FileAccess::OwnerOnly).ok();
    const bool newWritten = writeFileAtomically(dir.path() / "new.html", "new", FileAccess::OwnerOnly).ok();
    ::umask(saved);
    ASSERT_TRUE(sharedWritten && keptWritten && newWritten);
    const auto modeOf = [](const fs::path& path) {
        struct stat info
        {
        };
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    EXPECT_EQ(modeOf(shared), 0666u);
    EXPECT_EQ(modeOf(kept), 0600u);
    EXPECT_EQ(modeOf(dir.path() / "new.html"), 0600u);
    EXPECT_EQ(testing::ReadFile(kept), "after");
}

// The CSS scanner compared by setting bit 0x20, which also made "url" and a backspace read as "url(".
TEST(Ascii, ComparesOnlyLettersWithoutCase)
{
    EXPECT_TRUE(startsWithNoCase("a{b:URL(x)}", 4, "url("));
    EXPECT_FALSE(startsWithNoCase("a{b:url\x08x)}", 4, "url("));
    EXPECT_FALSE(startsWithNoCase("url", 4, "u")) << "a position past the end holds nothing";
    EXPECT_TRUE(equalsNoCase("Content-Type", "content-type"));
    EXPECT_FALSE(equalsNoCase("a\x01", "a!"));
    EXPECT_EQ(trimBlanks(" \t\f x y\r\n"), "x y");
    EXPECT_EQ(trimBlanks("\f x \f", " \t\r\n"), "\f x \f");
    EXPECT_EQ(trimBlanks(" \t "), "");
}

} // namespace
} // namespace inkwell
