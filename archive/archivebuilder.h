// Builds a single-file web archive (MHTML, RFC 2557) of a page: the page and everything it
// refers to, fetched over HTTP or from disk, written beside the target and renamed over it.
#pragma once

#include "archive/localfilepolicy.h"
#include "archive/resourcefetcher.h"
#include "core/result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace inkwell {

// A resource the page refers to that is not in the archive because it could not be fetched.
struct MissingResource
{
    std::string url;
    std::string reason; // a sentence for a person to read

    friend bool operator==(const MissingResource&, const MissingResource&) = default;
};

// What a build did. Not a Result: a build that refused or failed still says what it found missing.
struct [[nodiscard]] ArchiveResult
{
    enum class Status
    {
        Written,
        BadUrl, // the URL is not an http://, https:// or file:// URL
        PageNotFetched, // refused, unreachable, too large, or answered with anything but 200
        Incomplete, // resources could not be fetched and the build asked for all or nothing
        NotWritten, // the archive file could not be written; an existing one is untouched
    };

    Status status = Status::Written;
    // When not written: a sentence for a person to read; its code is the errno behind an archive file
    // that could not be written, else 0.
    Error error;
    std::size_t partCount = 0; // parts written, the page included
    std::vector<MissingResource> notFetched; // in the order the page names them
    // Local files the page names that the local-file rule kept out, as the page names them
    // (percent-decoded paths); their references stay as they were.
    std::vector<std::string> localFilesLeftOut;

    [[nodiscard]] bool ok() const { return status == Status::Written; }
};

// What a build does with a resource that cannot be fetched.
enum class MissingResources
{
    LeaveOut, // write the archive without it and list it
    RefuseArchive, // write nothing (an existing archive stays) and list it
};

struct ArchiveOptions
{
    LocalFiles localFiles = LocalFiles::Confined;
    // Local files below these folders (symbolic links resolved) always go in.
    std::vector<std::filesystem::path> trustedFolders;
    // For a file:// page: its folder is trusted too, opened once before the page is read. The page and
    // the files named below its folder are read through that descriptor, so that the folder trusted is
    // the one the page came from, whatever its name leads to meanwhile.
    bool trustPageFolder = false;
    MissingResources missing = MissingResources::LeaveOut;
};

class ArchiveBuilder
{
public:
    struct Limits
    {
        std::size_t maxResources = 10000; // parts per archive, the page included
        int maxNesting = 16; // frames in frames and style sheets importing style sheets
        // Bytes of one resource after decoding. The builder holds one resource in memory at a
        // time and browsers read an archive whole, so a part larger than this (far above any
        // picture, style sheet or script of a small site) is left out instead.
        std::uint64_t maxResourceBytes = std::uint64_t { 100 } << 20;
        // Bytes of a page or style sheet that is read for its references: the parsed tree of an
        // HTML page takes several times the page's size.
        std::uint64_t maxDocumentBytes = std::uint64_t { 16 } << 20;
    };

    explicit ArchiveBuilder(ResourceFetcher& fetcher);
    ArchiveBuilder(ResourceFetcher& fetcher, Limits limits);

    // Fetches url and its resources and writes the archive to target. The page must be fetched;
    // what happens to a resource that cannot be fetched is up to options.missing. Bodies wait
    // in an unnamed file beside the target until the archive is written.
    ArchiveResult build(
        const std::string& url, const std::filesystem::path& target, const ArchiveOptions& options = {});

private:
    ResourceFetcher& m_fetcher;
    Limits m_limits;
};

// The archive of url fetched with libcurl, written to target.
ArchiveResult buildMhtArchive(
    const std::string& url, const std::filesystem::path& target, const ArchiveOptions& options = {});

} // namespace inkwell
