// inkwell-mht [--allow-local-files] URL OUTPUT: fetches the page at URL with the pictures, style
// sheets, scripts and frames it refers to and writes them as one web archive (MHTML) to OUTPUT.
// An existing OUTPUT is replaced only once the new archive is complete.
#include "archive/archivebuilder.h"
#include "archive/localfilepolicy.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage
    = "usage: inkwell-mht [--allow-local-files] URL OUTPUT\n"
      "       inkwell-mht --help | --version\n"
      "Writes the page at URL (http://, https:// or file://) and its resources as one web archive to "
      "OUTPUT.\n"
      "\n"
      "A local file (file://) the page names goes in only when it lies, symbolic links resolved, below\n"
      "the folder of a file:// page, or when it is a picture (PNG, JPEG, GIF, BMP, WebP, ICO, SVG)\n"
      "named where a picture belongs (img, input type=image, background, CSS url()). Other local\n"
      "files are left out, their references stay as they are, and each is named on the error output,\n"
      "so that an archive made to be sent never carries files the page only names.\n"
      "\n"
      "  --allow-local-files  put every local file the page names into the archive, whatever and\n"
      "                       wherever it is; use it only for pages you trust.\n";

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    inkwell::ArchiveOptions options;
    if (!arguments.empty() && arguments.front() == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!arguments.empty() && arguments.front() == "--version") {
        std::fputs("inkwell-mht " INKWELL_VERSION "\n", stdout);
        return 0;
    }
    if (!arguments.empty() && arguments.front() == "--allow-local-files") {
        options.localFiles = inkwell::LocalFiles::All;
        arguments.erase(arguments.begin());
    }
    if (arguments.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& url = arguments[0];
    const std::string& output = arguments[1];
    // The folder of a page read from the disk is the user's own site.
    options.trustPageFolder = true;

    const inkwell::ArchiveResult result = inkwell::buildMhtArchive(url, output, options);
    for (const inkwell::MissingResource& missing : result.notFetched)
        std::fprintf(stderr, "inkwell-mht: left out %s: %s\n", missing.url.c_str(), missing.reason.c_str());
    for (const std::string& path : result.localFilesLeftOut)
        std::fprintf(stderr, "inkwell-mht: local file not included: %s\n", path.c_str());
    if (!result.localFilesLeftOut.empty())
        std::fprintf(stderr, "inkwell-mht: --allow-local-files includes every local file the page names\n");
    if (!result.ok()) {
        std::fprintf(stderr, "inkwell-mht: %s\n", result.error.message.c_str());
        return 1;
    }
    std::printf("%s: %zu parts\n", output.c_str(), result.partCount);
    return 0;
}
