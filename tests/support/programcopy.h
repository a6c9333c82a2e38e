// A copy of the built program in a run folder of its own, with private temporary and lock folders, for
// the tests that start the real program as a user does.
#pragma once

#include "tests/support/process.h"
#include "tests/support/tempfolder.h"

#include <filesystem>
#include <map>
#include <string>

namespace inkwell::testing {

struct ProgramCopy
{
    explicit ProgramCopy(const std::filesystem::path& binaryDir)
        : root(binaryDir / "test-runs")
        , temp(binaryDir / "test-tmp")
        , locks(binaryDir / "test-locks")
        , run(root.path() / "run")
    {
        std::filesystem::create_directories(run);
        std::filesystem::copy_file(binaryDir / "inkwell", run / "inkwell");
    }

    // What every start needs so that the run's temporary files and its lock stay its own.
    [[nodiscard]] std::map<std::string, std::string> environment() const
    {
        return { { "TMPDIR", temp.path().string() }, { "XDG_RUNTIME_DIR", locks.path().string() } };
    }

    TempFolder root; // holds the run folder and whatever else a test needs beside it
    TempFolder temp;
    TempFolder locks;
    std::filesystem::path run; // the program's own folder
};

// The GB18030 bytes of a saved page as UTF-8.
inline std::string fromGb18030(const std::filesystem::path& file)
{
    return commandOutput("iconv -f gb18030 -t utf-8 '" + file.string() + "' 2>/dev/null");
}

} // namespace inkwell::testing
