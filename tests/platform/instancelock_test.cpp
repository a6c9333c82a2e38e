#include "platform/instancelock.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using inkwell::InstanceLock;
using inkwell::testing::TempFolder;
using namespace std::chrono_literals;

namespace {

// flock belongs to the open file description, so a second acquire inside one process would
// succeed through a new descriptor only if the lock were not exclusive; a child process shows
// the behaviour between copies of the program.
int childTries(const std::filesystem::path& folder)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(InstanceLock::acquire(folder, "lock", 100ms) ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WEXITSTATUS(status);
}

TEST(InstanceLock, SecondHolderRefusedUntilFirstReleases)
{
    TempFolder dir;
    {
        auto first = InstanceLock::acquire(dir.path(), "lock", 100ms);
        ASSERT_TRUE(first);
        EXPECT_EQ(childTries(dir.path()), 1);
    }
    EXPECT_EQ(childTries(dir.path()), 0);
}

TEST(InstanceLock, ReleasedByTheKernelWhenTheHolderDies)
{
    TempFolder dir;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        auto lock = InstanceLock::acquire(dir.path(), "lock", 100ms);
        char c = lock ? 'y' : 'n';
        (void)::write(pipeFds[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(pipeFds[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    EXPECT_EQ(childTries(dir.path()), 1);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(childTries(dir.path()), 0);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

} // namespace
