#include "platform/instancelock.h"
#include "tests/support/tempfolder.h"

#include <cstdlib>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using inkwell::InstanceLock;
using inkwell::LockState;
using inkwell::testing::TempFolder;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

// Sets an environment variable (or removes it, for nullptr) until the end of the scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The state a fresh process reaches when it tries the lock, as kOtherUser when asked. flock belongs
// to the open file description, so only another process shows the behaviour between copies.
LockState childTries(const fs::path& file, bool asOtherUser = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asOtherUser
            && (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0))
            ::_exit(99);
        ::_exit(static_cast<int>(InstanceLock::acquire(file, 100ms).state));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 99) << "could not become user " << kOtherUser;
    return static_cast<LockState>(WEXITSTATUS(status));
}

// Same, but through the user's own lock file of that name as the child works it out.
std::pair<LockState, std::string> childTriesUserLock(bool asOtherUser)
{
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        if (asOtherUser
            && (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0))
            ::_exit(99);
        const auto file = InstanceLock::userLockFile("lock").string();
        (void)!::write(pipeFds[1], file.data(), file.size());
        ::close(pipeFds[1]);
        ::_exit(static_cast<int>(InstanceLock::acquire(file, 100ms).state));
    }
    ::close(pipeFds[1]);
    std::string file;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        file.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 99) << "could not become user " << kOtherUser;
    return { static_cast<LockState>(WEXITSTATUS(status)), file };
}

TEST(InstanceLock, SecondHolderRefusedUntilFirstReleases)
{
    TempFolder dir;
    const auto file = dir.path() / "lock";
    {
        auto first = InstanceLock::acquire(file, 100ms);
        ASSERT_EQ(first.state, LockState::Taken) << first.error;
        EXPECT_TRUE(first.lock.has_value());
        EXPECT_EQ(childTries(file), LockState::HeldByAnotherCopy);
    }
    EXPECT_EQ(childTries(file), LockState::Taken);
}

TEST(InstanceLock, ReleasedByTheKernelWhenTheHolderDies)
{
    TempFolder dir;
    const auto file = dir.path() / "lock";
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        auto lock = InstanceLock::acquire(file, 100ms);
        char c = lock.state == LockState::Taken ? 'y' : 'n';
        (void)!::write(pipeFds[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(pipeFds[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    EXPECT_EQ(childTries(file), LockState::HeldByAnotherCopy);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(childTries(file), LockState::Taken);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

struct UnusableCase
{
    const char* label;
    // Puts something at the lock file's path that no copy of ours can hold the lock on.
    void (*prepare)(const fs::path& file);
    const char* reason; // part of the error text
    bool needsRoot; // making a file of another user takes root
};

class UnusableLockFile : public ::testing::TestWithParam<UnusableCase>
{
};

// Each of these fails for root too, whom file permissions never stop. They are failures, not a
// running copy: a silent exit would look like a program that never starts.
TEST_P(UnusableLockFile, FailsWithTheReasonInsteadOfLookingHeld)
{
    if (GetParam().needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    TempFolder dir;
    const auto file = dir.path() / "lock";
    GetParam().prepare(file);

    const auto result = InstanceLock::acquire(file, 100ms);
    EXPECT_EQ(result.state, LockState::Failed);
    EXPECT_FALSE(result.lock.has_value());
    EXPECT_NE(result.error.find(file.string()), std::string::npos) << result.error;
    EXPECT_NE(result.error.find(GetParam().reason), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(Table, UnusableLockFile,
    ::testing::Values(UnusableCase { "folder", [](const fs::path& file) { fs::create_directory(file); },
                          "Is a directory", false },
        UnusableCase { "symbolic_link",
            [](const fs::path& file) {
                inkwell::testing::writeFile(file.parent_path() / "elsewhere", "");
                fs::create_symlink(file.parent_path() / "elsewhere", file);
            },
            "Too many levels of symbolic links", false },
        UnusableCase {
            "fifo", [](const fs::path& file) { ::mkfifo(file.c_str(), 0600); }, "not a regular file", false },
        UnusableCase { "owned_by_another_user",
            [](const fs::path& file) {
                inkwell::testing::writeFile(file, "");
                fs::permissions(file, fs::perms::all);
                ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
            },
            "owned by user id 65534", true }),
    [](const auto& test) { return std::string(test.param.label); });

// A lock file another user made, which this user may not open: a failure with the reason, never the
// silent exit of a second copy, even while its owner holds the lock.
TEST(InstanceLock, AnotherUsersFileThatCannotBeOpenedIsAFailure)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the check as another user";
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms::all);
    const auto file = dir.path() / "lock";
    auto held = InstanceLock::acquire(file, 100ms); // root's file, mode 0600
    ASSERT_EQ(held.state, LockState::Taken) << held.error;
    EXPECT_EQ(childTries(file, /*asOtherUser=*/true), LockState::Failed);
}

TEST(InstanceLock, UserLockFileIsTheUsersOwn)
{
    TempFolder dir;
    const auto runtime = dir.path() / "runtime";
    fs::create_directory(runtime);
    const auto temp = dir.path() / "temp";
    fs::create_directory(temp);
    const std::string suffixed = "lock-" + std::to_string(::geteuid());
    ScopedEnv tmpdir("TMPDIR", temp.c_str());

    {
        ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(InstanceLock::userLockFile("lock"), runtime / "lock");
    }
    {
        ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(InstanceLock::userLockFile("lock"), temp / suffixed);
    }
    {
        ScopedEnv xdg("XDG_RUNTIME_DIR", "");
        EXPECT_EQ(InstanceLock::userLockFile("lock"), temp / suffixed);
    }
    {
        ScopedEnv xdg("XDG_RUNTIME_DIR", (dir.path() / "missing").c_str());
        EXPECT_EQ(InstanceLock::userLockFile("lock"), temp / suffixed);
    }
    if (::geteuid() == 0) {
        // Another user's runtime folder, kept in the environment by a root shell.
        ASSERT_EQ(::chown(runtime.c_str(), kOtherUser, kOtherUser), 0);
        ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(InstanceLock::userLockFile("lock"), temp / suffixed);
    }
}

// Two users sharing one temporary folder each get a lock: the first user's running copy does not
// keep the second user's from starting, while it still keeps its own second copy out.
TEST(InstanceLock, OneUserNeverBlocksAnother)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the check as another user";
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit); // like /tmp
    ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
    ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);

    auto mine = InstanceLock::acquire(InstanceLock::userLockFile("lock"), 100ms);
    ASSERT_EQ(mine.state, LockState::Taken) << mine.error;
    EXPECT_EQ(childTriesUserLock(/*asOtherUser=*/false).first, LockState::HeldByAnotherCopy);
    const auto [state, file] = childTriesUserLock(/*asOtherUser=*/true);
    EXPECT_EQ(state, LockState::Taken);
    EXPECT_EQ(fs::path(file), dir.path() / ("lock-" + std::to_string(kOtherUser)));
}

} // namespace
