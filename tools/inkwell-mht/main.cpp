// inkwell-mht URL OUTPUT: fetches the page at URL with the pictures, style sheets, scripts and
// frames it refers to and writes them as one web archive (MHTML) to OUTPUT. An existing OUTPUT
// is replaced only once the new archive is complete.
#include "platform/archivebuilder.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr,
            "usage: inkwell-mht URL OUTPUT\n"
            "Writes the page at URL (http://, https:// or file://) and its resources as one web "
            "archive to OUTPUT.\n");
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    const inkwell::ArchiveResult result = inkwell::BuildMhtArchive(argv[1], argv[2]);
    for (const std::string& missing : result.leftOut)
        std::fprintf(stderr, "inkwell-mht: left out %s\n", missing.c_str());
    if (!result.ok()) {
        std::fprintf(stderr, "inkwell-mht: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s: %zu parts\n", argv[2], result.partCount);
    return 0;
}
