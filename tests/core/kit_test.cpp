// The shared kit: passing errors on, whole-file reads, the streaming form of the atomic writer and the
// ASCII helpers, each at the cases where the copies it replaced used to part.
#include "core/ascii.h"
#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "core/result.h"
#include "tests/support/tempfolder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
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
using testing::writeFile;

// Two steps written with the helpers; stepsDone says how far a run got.
Result<std::string> doubled(Result<int> number, Result<void> check, int& stepsDone)
{
    INKWELL_TRY(const int value, std::move(number));
    ++stepsDone;
    INKWELL_TRY_VOID(check);
    ++stepsDone;
    return std::to_string(value * 2);
}

TEST(PassingErrorsOn, ValuesGoThroughAndTheFirstErrorReturns)
{
    const Error notANumber { EINVAL, "not a number" };
    const Error refused { 0, "refused" };
    struct Case
    {
        const char* label;
        Result<int> number;
        Result<void> check;
        Result<std::string> expected;
        int stepsDone;
    };
    const Case cases[] = {
        { "both_pass", 21, {}, std::string("42"), 2 },
        { "value_fails", notANumber, {}, notANumber, 0 },
        { "check_fails", 21, refused, refused, 1 },
        { "both_fail", notANumber, refused, notANumber, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        int stepsDone = 0;
        const Result<std::string> got = doubled(c.number, c.check, stepsDone);
        EXPECT_EQ(stepsDone, c.stepsDone);
        ASSERT_EQ(got.ok(), c.expected.ok());
        if (got.ok())
            EXPECT_EQ(*got, *c.expected);
        else
            EXPECT_EQ(got.error(), c.expected.error());
    }
}

// A value that can only be moved, an existing variable as the target, and an expression evaluated once.
TEST(PassingErrorsOn, MovesTheValueAndEvaluatesOnce)
{
    int calls = 0;
    const auto box = [&calls](int value) -> Result<std::unique_ptr<int>> {
        ++calls;
        return std::make_unique<int>(value);
    };
    const auto unboxed = [&box]() -> Result<int> {
        INKWELL_TRY(std::unique_ptr<int> held, box(7));
        int later = 0;
        INKWELL_TRY(later, Result<int>(*held + 1));
        INKWELL_TRY_VOID(box(9)); // a value that is not needed
        return later;
    };
    const Result<int> got = unboxed();
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, 8);
    EXPECT_EQ(calls, 2);
}

TEST(fileBytes, GivesEveryByteOrSaysWhyNot)
{
    TempFolder dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    writeFile(dir.path() / "page.html", bytes);
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
             Case { dir.path(), EISDIR, "cannot open " },
             Case { dir.path() / "fifo.html", kNotARegularFile, "cannot open " },
             Case { dir.path() / "socket.html", ENXIO, "cannot open " },
             Case { "/dev/null", kNotARegularFile, "cannot open " } }) {
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
    writeFile(dir.path() / "real.png", "picture");
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
    writeFile(target, "an earlier archive");
    {
        Result<AtomicFile> file = AtomicFile::create(target);
        ASSERT_TRUE(file.ok()) << file.error().message;
        ASSERT_TRUE(file->write("first piece, ").ok());
        ASSERT_TRUE(file->write("second piece").ok());
        EXPECT_EQ(testing::fileBytes(target), "an earlier archive");
        EXPECT_EQ(namesIn(dir.path()).size(), 2u) << "the new bytes wait beside the target";
        ASSERT_TRUE(file->commit().ok());
        EXPECT_FALSE(file->write("late").ok()) << "a committed file takes no more bytes";
    }
    EXPECT_EQ(testing::fileBytes(target), "first piece, second piece");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "archive.mht" });

    {
        Result<AtomicFile> file = AtomicFile::create(target);
        ASSERT_TRUE(file.ok()) << file.error().message;
        ASSERT_TRUE(file->write("abandoned").ok());
        Result<AtomicFile> moved = std::move(*file);
        ASSERT_TRUE(moved.ok());
    }
    EXPECT_EQ(testing::fileBytes(target), "first piece, second piece") << "no commit, no change";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "archive.mht" }) << "and nothing left beside";
}

// A writer killed before its commit leaves its temporary file; the names it makes are the ones the
// next start looks for, at every target length, and nothing else in the folder is taken for one.
TEST(AtomicFile, AKilledWriterLeavesANameThatIsFoundAgain)
{
    TempFolder dir;
    writeFile(dir.path() / ".profile", "a user's own");
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
    writeFile(kept, "before");
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
    EXPECT_EQ(testing::fileBytes(kept), "after");
}

// Unsaved work is never written through a link planted where its private file goes: the write is
// refused with the reason, and the file the link points to keeps its bytes and its mode.
TEST(AtomicFile, OwnerOnlyFilesAreNeverWrittenThroughALink)
{
    TempFolder dir;
    const fs::path outside = dir.path() / "outside.txt";
    writeFile(outside, "someone else's");
    fs::permissions(outside, fs::perms(0644));
    fs::create_directory(dir.path() / "system");
    const fs::path direct = dir.path() / "system" / "recover.html";
    const fs::path chained = dir.path() / "system" / "recover.ini";
    const fs::path dangling = dir.path() / "system" / "gone.html";
    fs::create_symlink(outside, direct);
    fs::create_symlink(direct, chained);
    fs::create_symlink(dir.path() / "missing.txt", dangling);
    for (const fs::path& link : { direct, chained, dangling }) {
        SCOPED_TRACE(link);
        const Result<void> written = writeFileAtomically(link, "unsaved page", FileAccess::OwnerOnly);
        ASSERT_FALSE(written.ok());
        EXPECT_EQ(written.error().code, kPrivateFileIsALink);
        EXPECT_NE(written.error().message.find(link.string()), std::string::npos) << written.error().message;
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(testing::fileBytes(outside), "someone else's");
    EXPECT_EQ(fs::status(outside).permissions(), fs::perms(0644));
    EXPECT_FALSE(fs::exists(dir.path() / "missing.txt"));
    EXPECT_EQ(namesIn(dir.path() / "system"),
        (std::vector<std::string> { "gone.html", "recover.html", "recover.ini" }))
        << "nothing left beside";

    // Files of the user's own still go through a link to where it points.
    ASSERT_TRUE(writeFileAtomically(direct, "a saved page").ok());
    EXPECT_EQ(testing::fileBytes(outside), "a saved page");
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
