// Builds a single-file web archive (MHTML, RFC 2557) of a page: the page and everything it
// refers to, fetched over HTTP or from disk, written beside the target and renamed over it.
#pragma once

#include "platform/resourcefetcher.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace inkwell {

struct [[nodiscard]] ArchiveResult
{
    enum class Status
    {
        Written,
        BadUrl, // the URL is not an http://, https:// or file:// URL
        PageNotFetched, // refused, unreachable, or answered with anything but 200
        NotWritten, // the archive file could not be written; an existing one is untouched
    };

    Status status = Status::Written;
    std::string error; // empty when written; otherwise a sentence for a person to read
    std::size_t partCount = 0; // parts written, the page included
    std::vector<std::string> leftOut; // resources that could not be fetched, each "URL: reason"

    [[nodiscard]] bool ok() const { return status == Status::Written; }
};

class ArchiveBuilder
{
public:
    struct Limits
    {
        std::size_t maxResources = 10000; // parts per archive, the page included
        int maxNesting = 16; // frames in frames and style sheets importing style sheets
    };

    explicit ArchiveBuilder(ResourceFetcher& fetcher);
    ArchiveBuilder(ResourceFetcher& fetcher, Limits limits);

    // Fetches url and its resources and writes the archive to target. The page must be fetched;
    // a resource that cannot be fetched is left out and listed in the result.
    ArchiveResult build(const std::string& url, const std::filesystem::path& target);

private:
    ResourceFetcher& m_fetcher;
    Limits m_limits;
};

// The archive of url fetched with libcurl, written to target.
ArchiveResult BuildMhtArchive(const std::string& url, const std::filesystem::path& target);

} // namespace inkwell
