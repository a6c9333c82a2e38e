#include "archive/urlresolver.h"

#include "core/ascii.h"

#include <curl/curl.h>
#include <memory>

namespace inkwell {
namespace {

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlPtr = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlStringDeleter
{
    void operator()(char* text) const { curl_free(text); }
};

// The scheme a reference names, lower case, or empty for a relative reference.
std::string schemeOf(std::string_view reference)
{
    if (reference.empty() || !isAsciiAlpha(reference.front()))
        return {};
    std::string scheme;
    for (char c : reference) {
        if (c == ':')
            return scheme;
        if (!isAsciiAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return {};
        scheme += static_cast<char>(c | 0x20);
    }
    return {};
}

bool isFetchable(const std::string& scheme)
{
    return scheme == "http" || scheme == "https" || scheme == "file";
}

// The URL parser takes C strings: a reference with a zero byte in it is not a URL.
bool hasZero(std::string_view text)
{
    return text.find('\0') != std::string_view::npos;
}

// The URL with every byte above ASCII and every blank after its host percent-encoded, hex digits in
// upper case. A browser writes its escapes that way and an archive is looked up by the URL the
// browser computes, text for text; the URL parser would write them in lower case. Escapes already in
// the text stay as they are written, as they do in a browser. Control characters are left for the
// parser, which refuses them, and so is the host, which is no place for escapes.
std::string escapeAfterHost(std::string_view url)
{
    std::size_t start = 0;
    if (const std::string scheme = schemeOf(url); !scheme.empty())
        start = scheme.size() + 1;
    if (url.substr(start, 2) == "//") {
        start = url.find_first_of("/?#", start + 2);
        if (start == std::string_view::npos)
            return std::string(url);
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(url.substr(0, start));
    for (const char c : url.substr(start)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || byte == ' ') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> finish(CURLU* url)
{
    if (curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK)
        return std::nullopt;
    const std::unique_ptr<char, CurlStringDeleter> schemeOwner(scheme);
    if (!isFetchable(scheme))
        return std::nullopt;
    char* text = nullptr;
    if (curl_url_get(url, CURLUPART_URL, &text, 0) != CURLUE_OK)
        return std::nullopt;
    const std::unique_ptr<char, CurlStringDeleter> owner(text);
    return std::string(text);
}

} // namespace

std::optional<std::string> normaliseUrl(std::string_view url)
{
    if (hasZero(url) || !isFetchable(schemeOf(url)))
        return std::nullopt;
    UrlPtr handle(curl_url());
    if (!handle
        || curl_url_set(handle.get(), CURLUPART_URL, escapeAfterHost(url).c_str(), CURLU_URLENCODE)
            != CURLUE_OK)
        return std::nullopt;
    return finish(handle.get());
}

std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference)
{
    if (hasZero(base) || hasZero(reference))
        return std::nullopt;
    const std::string scheme = schemeOf(reference);
    if (!scheme.empty() && !isFetchable(scheme))
        return std::nullopt;
    if (reference.empty() || reference.front() == '#')
        return std::nullopt;
    UrlPtr handle(curl_url());
    if (!handle
        || curl_url_set(handle.get(), CURLUPART_URL, escapeAfterHost(base).c_str(), CURLU_URLENCODE)
            != CURLUE_OK)
        return std::nullopt;
    // Setting a relative URL on a handle that holds the base resolves it against the base.
    if (curl_url_set(handle.get(), CURLUPART_URL, escapeAfterHost(reference).c_str(), CURLU_URLENCODE)
        != CURLUE_OK)
        return std::nullopt;
    return finish(handle.get());
}

bool isFileUrl(std::string_view url)
{
    return url.substr(0, 7) == "file://";
}

} // namespace inkwell
