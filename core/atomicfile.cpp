#include "core/atomicfile.h"

#include "core/regularfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace inkwell {
namespace {

// The longest temporary name, in bytes; a shorter target gets a temporary name of its own length.
constexpr std::size_t kTempNameLength = 12;
// Names are random, so a clash with an existing file is rare; this many clashes in a row mean
// something else is wrong.
constexpr int kTempNameAttempts = 100;
// As the kernel's own limit on links followed while opening one path.
constexpr int kMaxLinksFollowed = 40;

Error describe(const char* what, const std::filesystem::path& path, int error)
{
    return { error, std::string(what) + " " + path.string() + ": " + systemReason(error) };
}

// The file a write to path lands in: symbolic links at the end of the path followed (a link to a
// missing file gives that file), so that a save through a link updates what it points to.
Result<std::filesystem::path> followLinks(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    for (int followed = 0;; ++followed) {
        struct stat info
        {
        };
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        if (followed == kMaxLinksFollowed)
            return describe("cannot follow the link", path, ELOOP);
        std::error_code ec;
        const auto link = std::filesystem::read_symlink(target, ec);
        if (ec)
            return describe("cannot follow the link", path, ec.value());
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
}

constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// What opens every temporary name of three bytes or more: hidden, and with a mark that names users
// give their own files (".profile", ".htaccess") do not carry, so a leftover is told apart from them.
constexpr std::string_view kTempMark = ".~";

// A random name of length bytes: the mark and letters when there is room for both, else a dot and a
// letter, else one letter.
std::string randomName(std::size_t length)
{
    thread_local std::mt19937_64 random { std::random_device {}() };
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string name(length, '.');
    std::size_t start = 0;
    if (length > kTempMark.size()) {
        name.replace(0, kTempMark.size(), kTempMark);
        start = kTempMark.size();
    } else if (length > 1) {
        start = 1;
    }
    for (std::size_t i = start; i < length; ++i)
        name[i] = kLetters[pick(random)];
    return name;
}

struct TempFile
{
    FileDescriptor fd;
    std::filesystem::path path;
};

// Creates a new, empty temporary file beside target with the given mode, which the umask narrows as
// for any new file. O_EXCL makes it ours alone: nothing else of that name existed, not even a link.
Result<TempFile> createTempBeside(
    const std::filesystem::path& target, const std::filesystem::path& path, mode_t mode)
{
    const std::string targetName = target.filename().string();
    const auto folder = target.parent_path();
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const std::string name = randomName(std::min(targetName.size(), kTempNameLength));
        if (name == targetName)
            continue;
        auto temp = folder / name;
        FileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.isValid())
            return TempFile { std::move(fd), std::move(temp) };
        if (errno != EEXIST)
            return describe("cannot create a file beside", path, errno);
    }
    return describe("cannot create a file beside", path, EEXIST);
}

} // namespace

namespace {

// A private file is written where it is named and nowhere else: a link planted in its place (by anyone
// who could write its folder) would otherwise carry unsaved work to a file the link chose, and make
// that file the owner's alone. The rename at commit() replaces whatever stands at the name itself, so
// a link put there after this check is replaced, not followed.
Result<std::filesystem::path> privateTarget(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return describe("will not write through the link", path, kPrivateFileIsALink);
    return path;
}

} // namespace

Result<AtomicFile> AtomicFile::create(const std::filesystem::path& path, FileAccess access)
{
    INKWELL_TRY(std::filesystem::path target,
        access == FileAccess::OwnerOnly ? privateTarget(path) : followLinks(path));
    const auto name = target.filename();
    if (name.empty() || name == "." || name == "..")
        return describe("cannot write", path, EISDIR);

    INKWELL_TRY(TempFile temp, createTempBeside(target, path, access == FileAccess::OwnerOnly ? 0600 : 0666));
    AtomicFile file(path, std::move(target), std::move(temp.path), std::move(temp.fd));
    if (access == FileAccess::OwnerOnly) {
        // Created so and never widened: the umask can only take bits away.
        if (::fchmod(file.m_fd.get(), 0600) != 0)
            return file.fail("cannot set the permissions of", errno);
        return file;
    }

    // The file being replaced keeps its permissions. The owner goes first, since a change of owner
    // clears the set-user and set-group bits; it fails, harmlessly, for anyone but the owner or root.
    struct stat old
    {
    };
    if (::stat(file.m_target.c_str(), &old) == 0) {
        (void)::fchown(file.m_fd.get(), old.st_uid, old.st_gid);
        if (::fchmod(file.m_fd.get(), old.st_mode & 07777) != 0)
            return file.fail("cannot keep the permissions of", errno);
    }
    return file;
}

AtomicFile::AtomicFile(
    std::filesystem::path path, std::filesystem::path target, std::filesystem::path temp, FileDescriptor fd)
    : m_path(std::move(path))
    , m_target(std::move(target))
    , m_temp(std::move(temp))
    , m_fd(std::move(fd))
{
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_target(std::move(other.m_target))
    , m_temp(std::exchange(other.m_temp, {}))
    , m_fd(std::move(other.m_fd))
{
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        discard();
        m_path = std::move(other.m_path);
        m_target = std::move(other.m_target);
        m_temp = std::exchange(other.m_temp, {});
        m_fd = std::move(other.m_fd);
    }
    return *this;
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    m_fd.reset();
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

Error AtomicFile::fail(const char* what, int error)
{
    discard();
    return describe(what, m_path, error);
}

Result<void> AtomicFile::write(std::string_view bytes)
{
    if (!m_fd.isValid())
        return describe("cannot write", m_path, EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write", errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

Result<void> AtomicFile::commit()
{
    if (!m_fd.isValid())
        return describe("cannot write", m_path, EBADF);
    if (::fsync(m_fd.get()) != 0)
        return fail("cannot write", errno);
    if (::close(m_fd.release()) != 0)
        return fail("cannot write", errno);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
        return fail("cannot replace", errno);
    m_temp.clear();
    return {};
}

Result<void> writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, FileAccess access)
{
    INKWELL_TRY(AtomicFile file, AtomicFile::create(path, access));
    INKWELL_TRY_VOID(file.write(bytes));
    return file.commit();
}

bool isAtomicTemporaryName(std::string_view name)
{
    if (!name.starts_with(kTempMark) || name.size() <= kTempMark.size() || name.size() > kTempNameLength)
        return false;
    return name.substr(kTempMark.size()).find_first_not_of(kLetters) == std::string_view::npos;
}

std::size_t removeLeftoverTemporaryFiles(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return 0;
    std::size_t removed = 0;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const auto& entry = *entries;
        if (!isAtomicTemporaryName(entry.path().filename().string()))
            continue;
        // Only a file this user's writer made: never a link, a folder or another user's file.
        struct stat info
        {
        };
        if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        if (::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace inkwell
