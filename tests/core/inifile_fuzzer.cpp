// Settings files come from disk and may hold anything: reading never fails, and a write keeps every
// other section's value and makes the written value read back.
#include "core/inifile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path scratchFile()
{
    static const std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "inkwell-ini-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern) / "a.ini";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = scratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const inkwell::IniFile ini(path);
    const std::string before = ini.read("other", "key", "default");
    (void)ini.read("标题", "名称", "Inkwell");
    if (before.size() >= inkwell::IniFile::kValueBufferSize)
        std::abort();

    // A plain value written to a fresh section reads back, and the other section is unchanged.
    if (!ini.write("fuzz-section", "fuzz-key", "value 42"))
        return 0;
    if (ini.read("fuzz-section", "fuzz-key", "") != "value 42")
        std::abort();
    if (ini.read("other", "key", "default") != before)
        std::abort();
    return 0;
}
