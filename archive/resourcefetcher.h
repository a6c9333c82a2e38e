// The archive builder's one way to get bytes for a URL, behind an interface so that the builder
// can be driven by a site held in memory as well as by the network and the disk.
#pragma once

#include "core/result.h"

#include <string>

namespace inkwell {

struct FetchedResource
{
    std::string contentType; // the Content-Type the server sent, empty when there was none (files)
    std::string body; // the resource's bytes, transfer and content encodings undone
};

class ResourceFetcher
{
public:
    ResourceFetcher() = default;
    ResourceFetcher(const ResourceFetcher&) = delete;
    ResourceFetcher& operator=(const ResourceFetcher&) = delete;
    virtual ~ResourceFetcher() = default;

    // Fetches an absolute http://, https:// or file:// URL. Over HTTP only an answer with status 200
    // counts as fetched. The error's message says why not, for a person to read; its code is
    // kLargerThanLimit for a resource larger than the fetcher's limit, else the errno behind it or 0.
    virtual Result<FetchedResource> fetch(const std::string& url) = 0;
};

} // namespace inkwell
