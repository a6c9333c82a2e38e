// The archive builder's one way to get bytes for a URL, behind an interface so that the builder
// can be driven by a site held in memory as well as by the network and the disk.
#pragma once

#include <string>

namespace inkwell {

struct [[nodiscard]] FetchResult
{
    std::string error; // empty when the resource was fetched; otherwise why not, for a person to read
    std::string contentType; // the Content-Type the server sent, empty when there was none (files)
    std::string body; // the resource's bytes, transfer and content encodings undone
    bool tooLarge = false; // not fetched because it is larger than the fetcher's limit

    [[nodiscard]] bool ok() const { return error.empty(); }
};

class ResourceFetcher
{
public:
    ResourceFetcher() = default;
    ResourceFetcher(const ResourceFetcher&) = delete;
    ResourceFetcher& operator=(const ResourceFetcher&) = delete;
    virtual ~ResourceFetcher() = default;

    // Fetches an absolute http://, https:// or file:// URL. Over HTTP only an answer with status 200
    // counts as fetched.
    virtual FetchResult fetch(const std::string& url) = 0;
};

} // namespace inkwell
