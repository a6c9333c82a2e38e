// The large corpus page of the benchmarks: the bodies of the real-page fixtures (tests/data/pages),
// each in an element of its own, repeated whole until a size is reached.
#pragma once

#include "tests/support/testfiles.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace inkwell::bench {

inline std::string bodyOfPage(const std::string& page)
{
    std::string lower = page;
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    std::size_t start = lower.find("<body");
    const std::size_t end = lower.rfind("</body");
    if (start == std::string::npos || end == std::string::npos)
        return page;
    start = page.find('>', start);
    return start != std::string::npos && start < end ? page.substr(start + 1, end - start - 1) : page;
}

// The wrapper's end tag closes whatever a page left open, as the end of a real document does, so
// the nesting does not grow from copy to copy.
inline std::string corpusPage(const std::filesystem::path& pagesFolder, std::size_t bytes)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(pagesFolder)) {
        if (entry.path().extension() == ".html")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> bodies;
    for (const auto& file : files) {
        bodies.push_back(bodyOfPage(inkwell::testing::requiredFileBytes(file)));
    }
    std::string page
        = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Pages</title>\n</head>\n"
          "<body>\n";
    page.reserve(bytes + 1024 * 1024);
    while (page.size() < bytes) {
        for (const std::string& body : bodies) {
            page += "<inkwell-page>\n" + body + "\n</inkwell-page>\n";
            if (page.size() >= bytes)
                break;
        }
    }
    return page + "\n</body>\n</html>\n";
}

} // namespace inkwell::bench
