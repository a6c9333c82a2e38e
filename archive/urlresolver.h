// Resolves the references a page or style sheet makes against the URL it was fetched from, as a
// browser does, and keeps only those the archive builder can fetch.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

// The absolute form of reference relative to base, without its fragment, with bytes a URL may
// not hold percent-encoded. Empty when the result is not an http://, https:// or file:// URL
// (data:, javascript:, mailto:, a bare fragment) or cannot be parsed.
[[nodiscard]] std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference);

// The same check and normal form for a URL given on its own (no base).
[[nodiscard]] std::optional<std::string> normaliseUrl(std::string_view url);

// True for file:// URLs (after normaliseUrl or resolveUrl, so the scheme is lower case).
[[nodiscard]] bool isFileUrl(std::string_view url);

} // namespace inkwell
