// Fetches http://, https:// and file:// URLs with libcurl, asking servers for gzip answers.
#pragma once

#include "archive/resourcefetcher.h"

#include <chrono>
#include <cstdint>

typedef void CURL;

namespace inkwell {

class CurlFetcher final : public ResourceFetcher
{
public:
    struct Limits
    {
        std::chrono::milliseconds connectTimeout { 5000 };
        // The whole transfer of one resource; a stalled server cannot hold the export forever.
        std::chrono::milliseconds transferTimeout { 60000 };
        std::uint64_t maxBytes = std::uint64_t { 1 } << 30; // per resource, after decoding
    };

    CurlFetcher();
    explicit CurlFetcher(Limits limits);
    ~CurlFetcher() override;

    FetchResult fetch(const std::string& url) override;

private:
    Limits m_limits;
    CURL* m_curl = nullptr; // one handle reused for every fetch, owned
};

} // namespace inkwell
