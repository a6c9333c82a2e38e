#include "tests/support/testfiles.h"

#include "core/readfile.h"

#include <fstream>
#include <stdexcept>

namespace inkwell::testing {

std::string fileBytes(const std::filesystem::path& path)
{
    return inkwell::readFile(path).valueOr({});
}

std::string requiredFileBytes(const std::filesystem::path& path)
{
    Result<std::string> bytes = inkwell::readFile(path);
    if (!bytes)
        throw std::runtime_error(bytes.error().message);
    return std::move(*bytes);
}

void writeFile(const std::filesystem::path& path, std::string_view bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace inkwell::testing
