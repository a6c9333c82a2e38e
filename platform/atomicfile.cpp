#include "platform/atomicfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
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

// Owns a file descriptor; closing it is the last step of every path out.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

std::string describe(const char* what, const std::filesystem::path& path, int error)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

struct LinkTarget
{
    std::filesystem::path path;
    int error = 0; // errno of a link that could not be followed
};

// The file a write to path lands in: symbolic links at the end of the path followed (a link to a
// missing file gives that file), so that a save through a link updates what it points to.
LinkTarget followLinks(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    for (int followed = 0;; ++followed) {
        struct stat info
        {
        };
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return { target };
        if (followed == kMaxLinksFollowed)
            return { {}, ELOOP };
        std::error_code ec;
        const auto link = std::filesystem::read_symlink(target, ec);
        if (ec)
            return { {}, ec.value() };
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
}

// A random name of length bytes; hidden from plain listings when it is long enough to carry a dot.
std::string randomName(std::size_t length)
{
    static constexpr std::string_view letters
        = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random { std::random_device {}() };
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string name(length, '.');
    for (std::size_t i = length > 1 ? 1 : 0; i < length; ++i)
        name[i] = letters[pick(random)];
    return name;
}

struct TempFile
{
    Descriptor fd;
    std::filesystem::path path; // empty when none could be made; errno then says why
};

// Creates a new, empty temporary file beside target with mode 0666, which the umask narrows as for any
// new file. O_EXCL makes it ours alone: nothing else of that name existed, not even a link.
TempFile createTempBeside(const std::filesystem::path& target)
{
    const std::string targetName = target.filename().string();
    const auto folder = target.parent_path();
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const std::string name = randomName(std::min(targetName.size(), kTempNameLength));
        if (name == targetName)
            continue;
        auto temp = folder / name;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return { Descriptor(fd), std::move(temp) };
        if (errno != EEXIST)
            return { Descriptor(-1), std::filesystem::path() };
    }
    errno = EEXIST;
    return { Descriptor(-1), std::filesystem::path() };
}

} // namespace

FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    const auto [target, linkError] = followLinks(path);
    if (linkError != 0)
        return { describe("cannot follow the link", path, linkError) };
    const auto name = target.filename();
    if (name.empty() || name == "." || name == "..")
        return { describe("cannot write", path, EISDIR) };

    auto [fd, temp] = createTempBeside(target);
    if (fd.get() < 0)
        return { describe("cannot create a file beside", path, errno) };

    auto fail = [&, &temp = temp](const char* what) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileWriteResult { describe(what, path, error) };
    };

    // The file being replaced keeps its permissions. The owner goes first, since a change of owner
    // clears the set-user and set-group bits; it fails, harmlessly, for anyone but the owner or root.
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0) {
        (void)::fchown(fd.get(), old.st_uid, old.st_gid);
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            return fail("cannot keep the permissions of");
    }

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write");
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        return fail("cannot write");
    if (::close(fd.release()) != 0)
        return fail("cannot write");
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail("cannot replace");
    return {};
}

} // namespace inkwell
