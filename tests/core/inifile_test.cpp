#include "core/inifile.h"
#include "tests/support/tempfolder.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using inkwell::IniFile;
using inkwell::testing::ReadFile;
using inkwell::testing::TempFolder;
using inkwell::testing::WriteFile;

namespace {

struct ReadCase
{
    const char* name;
    std::string file; // content; "<missing>" for no file
    const char* section;
    const char* key;
    std::string expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(IniRead, FindsValueOrDefault)
{
    TempFolder dir;
    const auto path = dir.path() / "a.ini";
    if (GetParam().file != "<missing>")
        WriteFile(path, GetParam().file);
    EXPECT_EQ(IniFile(path).read(GetParam().section, GetParam().key, "DEF"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, IniRead,
    ::testing::Values(ReadCase { "missing_file", "<missing>", "标题", "名称", "DEF" },
        ReadCase { "plain", "[标题]\n名称=Inkwell\n", "标题", "名称", "Inkwell" },
        ReadCase { "crlf", "[标题]\r\n名称=网页\r\n", "标题", "名称", "网页" },
        ReadCase { "case_insensitive", "[Main]\nTitle=x\n", "MAIN", "title", "x" },
        ReadCase { "blanks_trimmed", "  [ s ]  \n  k  =  v w  \n", "s", "k", "v w" },
        ReadCase { "quotes_stripped", "[s]\nk=\"v\"\n", "s", "k", "v" },
        ReadCase { "missing_section", "[t]\nk=v\n", "s", "k", "DEF" },
        ReadCase { "missing_key", "[s]\nj=v\n", "s", "k", "DEF" },
        ReadCase { "key_in_other_section", "[t]\nk=1\n[s]\nj=2\n", "s", "k", "DEF" },
        ReadCase { "empty_value", "[s]\nk=\n", "s", "k", "" },
        ReadCase { "first_of_duplicates", "[s]\nk=1\nk=2\n", "s", "k", "1" },
        ReadCase { "comment_ignored", "[s]\n;k=1\nk=2\n", "s", "k", "2" },
        ReadCase { "stops_at_zero_byte", std::string("[s]\nj=1\n\0k=2\n", 14), "s", "k", "DEF" },
        ReadCase { "no_final_newline", "[s]\nk=v", "s", "k", "v" }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(IniReadLimits, ValueIsCutToBufferWithoutSplittingACharacter)
{
    TempFolder dir;
    const auto path = dir.path() / "a.ini";
    const std::string ascii(20000, 'a');
    WriteFile(path, "[s]\nk=" + ascii + "\n");
    EXPECT_EQ(IniFile(path).read("s", "k", ""), std::string(10239, 'a'));

    // 3413 Chinese characters are 10239 bytes; one more would pass the buffer.
    std::string chinese;
    for (int i = 0; i < 3414; ++i)
        chinese += "字";
    WriteFile(path, "[s]\nk=" + chinese + "\n");
    const auto value = IniFile(path).read("s", "k", "");
    EXPECT_EQ(value.size(), 10239u);
    EXPECT_EQ(value, chinese.substr(0, 10239));
}

struct WriteCase
{
    const char* name;
    std::string before; // "<missing>" for no file
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class IniWrite : public ::testing::TestWithParam<WriteCase>
{
};

TEST_P(IniWrite, KeepsEveryOtherLine)
{
    TempFolder dir;
    const auto path = dir.path() / "a.ini";
    if (GetParam().before != "<missing>")
        WriteFile(path, GetParam().before);
    ASSERT_TRUE(IniFile(path).write(GetParam().section, GetParam().key, GetParam().value));
    EXPECT_EQ(ReadFile(path), GetParam().after);
    EXPECT_EQ(IniFile(path).read(GetParam().section, GetParam().key, "DEF"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, IniWrite,
    ::testing::Values(
        WriteCase { "creates_file", "<missing>", "标题", "名称", "Inkwell", "[标题]\n名称=Inkwell\n" },
        WriteCase { "replaces_value", "; note\n[向导]\n是否显示=真\nx=1\n", "向导", "是否显示", "假",
            "; note\n[向导]\n是否显示=假\nx=1\n" },
        WriteCase { "appends_key_to_section", "[a]\nx=1\n\n[b]\ny=2\n", "a", "z", "3",
            "[a]\nx=1\nz=3\n\n[b]\ny=2\n" },
        WriteCase { "appends_section", "[a]\nx=1\n", "b", "y", "2", "[a]\nx=1\n[b]\ny=2\n" },
        WriteCase { "keeps_crlf", "[a]\r\nx=1\r\n", "a", "x", "2", "[a]\r\nx=2\r\n" },
        WriteCase { "case_insensitive_match", "[Sec]\nKey=1\n", "SEC", "key", "2", "[Sec]\nkey=2\n" },
        WriteCase { "empty_value", "[a]\nx=1\n", "a", "x", "", "[a]\nx=\n" },
        // Nothing behind a zero byte is read, so the key must not be written there.
        WriteCase { "stops_at_zero_byte", std::string("[a]\nx=1\n\0[b]\n", 14), "b", "y", "2",
            "[a]\nx=1\n[b]\ny=2\n" }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(IniWriteFailure, MissingFolderFailsAndCreatesNothing)
{
    TempFolder dir;
    const auto path = dir.path() / "absent" / "a.ini";
    EXPECT_FALSE(IniFile(path).write("s", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent"));
    EXPECT_EQ(IniFile(path).read("s", "k", "DEF"), "DEF");
}

// A settings file that is there but is no file to read (a named pipe, a device, a folder) or cannot be
// read gives every key its default at once, and a write leaves it as it is: neither waits, and neither
// replaces what was there.
TEST(IniNotAFile, ReadsGiveDefaultsAndWritesLeaveItAlone)
{
    TempFolder dir;
    const auto fifo = dir.path() / "title.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() / "folder.ini");
    WriteFile(dir.path() / "locked.ini", "[s]\nk=secret\nother=kept\n");
    std::filesystem::permissions(dir.path() / "locked.ini", std::filesystem::perms::none);
    std::vector<std::filesystem::path> paths { fifo, dir.path() / "folder.ini", "/dev/null" };
    if (::geteuid() != 0) // the superuser reads a file without permissions
        paths.push_back(dir.path() / "locked.ini");
    // A hang here would be a blocked open: run on a thread and wait a bounded time.
    auto done = std::async(std::launch::async, [&] {
        for (const auto& path : paths) {
            SCOPED_TRACE(path);
            EXPECT_EQ(IniFile(path).read("s", "k", "DEF"), "DEF");
            EXPECT_FALSE(IniFile(path).write("s", "k", "v"));
        }
    });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "a settings file that is no file held the program up";
        ::_exit(1);
    }
    done.get();
    struct stat info
    {
    };
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder.ini"));
    std::filesystem::permissions(dir.path() / "locked.ini", std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadFile(dir.path() / "locked.ini"), "[s]\nk=secret\nother=kept\n");
}

} // namespace
