// Settings files with private-profile semantics: sections and keys matched without regard to
// ASCII case, values as plain UTF-8 text, a missing file, section or key gives the default, and a
// write creates the file and section and keeps every other line as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

class IniFile
{
public:
    // Values are read into a buffer of this many bytes, the terminating zero included.
    static constexpr std::size_t kValueBufferSize = 10240;

    explicit IniFile(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    // The value of key in section, at most kValueBufferSize - 1 bytes (cut on a character boundary),
    // or defaultValue when the file, the section or the key is missing.
    [[nodiscard]] std::string read(
        std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Sets key in section to value. Returns false when the file cannot be written, or is there but
    // cannot be read (it is then left as it is, whatever it is); the old file is unchanged on failure,
    // because the new text is written beside it and renamed over it.
    [[nodiscard]] bool write(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::filesystem::path m_path;
};

} // namespace inkwell
