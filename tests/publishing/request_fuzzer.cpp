// Fuzzes the search for the end of a request head, the request parser, the Host check, the path mapping and
// the whole answer over a small run folder with ways out of it (a file beside it, symlinks to it). Whatever
// the request, the answer is a 200 or exactly the not-found answer, and a 200 only ever comes from an entry
// inside the run folder, for a request that names no other host.
#include "publishing/httprequest.h"
#include "publishing/requestpath.h"
#include "stringsink.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

const std::string kSecret = "SECRET-BESIDE-THE-RUN-FOLDER";

std::filesystem::path g_run;

void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void removeFixture()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_run.parent_path(), ignored);
}

[[noreturn]] void fail(const char* what, std::string_view request)
{
    std::fprintf(stderr, "%s for request of %zu bytes\n", what, request.size());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "inkwell-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    const std::filesystem::path temp = std::filesystem::canonical(pattern);
    g_run = temp / "run";
    writeFile(temp / "outside.txt", kSecret);
    writeFile(g_run / "index.html", "<p>root</p>");
    writeFile(g_run / "tmp" / "index.html", "<p>tmp</p>");
    writeFile(g_run / "tmp" / "a.css", "b{}");
    writeFile(g_run / "%2e%2e" / "x.txt", "literal");
    writeFile(g_run / "tmp" / "\xe7\x85\xa7\xe7\x89\x87 (1).png", "picture"); // 照片 (1).png
    writeFile(g_run / "a b.txt", "blank");
    std::filesystem::create_symlink(temp / "outside.txt", g_run / "out");
    std::filesystem::create_symlink(temp, g_run / "up");
    std::filesystem::create_symlink("../outside.txt", g_run / "tmp" / "rel");
    std::atexit(removeFixture);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view request(reinterpret_cast<const char*>(data), size);

    // The head ends with its first empty line, and a search resumed after a cut finds the same end.
    const std::optional<std::size_t> headLength = inkwell::requestHeadLength(request);
    if (headLength) {
        const std::string_view head = request.substr(0, *headLength);
        if (*headLength > size || !(head.ends_with("\n\n") || head.ends_with("\n\r\n")))
            fail("head does not end with an empty line", request);
        if (inkwell::requestHeadLength(head.substr(0, head.size() - 1)))
            fail("head ends before its first empty line", request);
    }
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    if (!inkwell::requestHeadLength(request.substr(0, cut))
        && inkwell::requestHeadLength(request, cut) != headLength)
        fail("resumed search found another end", request);

    const std::optional<inkwell::RequestInfo> info = inkwell::parseRequest(request);
    std::optional<std::filesystem::path> entry;
    if (info) {
        entry = inkwell::resolveRequestPath(g_run, info->path);
        if (entry) {
            const std::string& text = entry->native();
            if (text != g_run.native() && !text.starts_with(g_run.native() + "/"))
                fail("path mapped outside the run folder", request);
            if (info->path.find('\0') != std::string::npos)
                fail("decoded path with a zero byte was mapped", request);
            for (std::string_view segment : inkwell::splitFields(info->path, '/')) {
                if (segment == "..")
                    fail("decoded path with a .. segment was mapped", request);
            }
        }
    }
    const bool served = entry && inkwell::isServed(info->host);

    const std::optional<std::string> answer = testing_support::answerBytes(g_run, request);
    if (!answer)
        fail("answer over an unchanging run folder was cut off", request);
    if (!served) {
        if (*answer != inkwell::Answer::notFoundBytes())
            fail("refused request not answered with not-found", request);
    } else if (!answer->starts_with("HTTP/1.1 200 OK\r\n")) {
        fail("found entry not answered with 200", request);
    }
    if (answer->find(kSecret) != std::string::npos)
        fail("file beside the run folder was served", request);
    return 0;
}
