// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include "tests/support/testfiles.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace inkwell::testing {

class TempFolder
{
public:
    // Made below base when given (for tests that must stay outside the temporary folder),
    // else below the system's temporary folder.
    explicit TempFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path())
    {
        std::filesystem::create_directories(base);
        std::string pattern = (base / "inkwell-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        // Canonical, so that code which resolves links (the page server) sees the same path.
        m_path = std::filesystem::canonical(pattern);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(
            m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The names in a folder, sorted: for checking what a write left beside its file.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace inkwell::testing
