#include "archive/curlfetcher.h"

#include "archive/localfilereader.h"
#include "archive/urlresolver.h"

#include <curl/curl.h>
#include <mutex>
#include <string>

namespace inkwell {
namespace {

struct Sink
{
    std::string* body;
    std::uint64_t maxBytes;
    bool tooLarge = false;
};

std::size_t appendToBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->maxBytes) {
        sink->tooLarge = true;
        return 0; // makes libcurl stop with a write error
    }
    sink->body->append(data, bytes);
    return bytes;
}

// True for http:// and https:// URLs whose host is a loopback name.
bool isLoopbackUrl(const std::string& url)
{
    CURLU* handle = curl_url();
    if (handle == nullptr)
        return false;
    bool loopback = false;
    char* host = nullptr;
    if (curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK
        && curl_url_get(handle, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        const std::string name = host;
        loopback = name == "127.0.0.1" || name == "localhost" || name == "[::1]";
        curl_free(host);
    }
    curl_url_cleanup(handle);
    return loopback;
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlFetcher::CurlFetcher()
    : CurlFetcher(Limits {})
{
}

CurlFetcher::CurlFetcher(Limits limits)
    : m_limits(limits)
{
    initialiseCurlOnce();
    m_curl = curl_easy_init();
}

CurlFetcher::~CurlFetcher()
{
    if (m_curl != nullptr)
        curl_easy_cleanup(m_curl);
}

FetchResult CurlFetcher::fetch(const std::string& url)
{
    FetchResult result;
    if (m_curl == nullptr) {
        result.error = "the network library could not be initialised";
        return result;
    }
    // Files are read here rather than by the library: its file reader opens a named pipe and
    // waits for a writer forever, and this way only regular files are read.
    if (isFileUrl(url))
        return readFileUrl(url, m_limits.maxBytes);
    CURL* curl = m_curl;
    curl_easy_reset(curl);
    Sink sink { &result.body, m_limits.maxBytes };
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    // libcurl sends "Accept-Encoding: gzip" and undoes the encoding of the answer.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.transferTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Inkwell");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendToBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

    // The page server answers on the loopback address only: a proxy taken from the environment
    // would ask it from another machine, or hand the page to a third party.
    if (isLoopbackUrl(url))
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");

    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        result.body.clear();
        result.tooLarge = sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED;
        result.error = result.tooLarge
            ? "it is larger than the limit of " + std::to_string(m_limits.maxBytes) + " bytes"
            : curl_easy_strerror(code);
        return result;
    }
    char* scheme = nullptr;
    curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
    const bool overHttp
        = scheme != nullptr && (curl_strequal(scheme, "http") || curl_strequal(scheme, "https"));
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (overHttp && status != 200) {
        result.body.clear();
        result.error = "the server answered with status " + std::to_string(status);
        return result;
    }
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr && overHttp)
        result.contentType = type;
    return result;
}

} // namespace inkwell
