// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include "core/readfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
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

// The file's bytes; empty when it cannot be read, so that a wait can poll for a file still to come.
inline std::string ReadFile(const std::filesystem::path& path)
{
    return inkwell::readFile(path).valueOr({});
}

// Creates the missing parent folders; throws when the file cannot be written.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

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
