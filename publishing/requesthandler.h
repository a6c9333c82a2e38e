// The page server's answer to one request: the bytes to send back, header and body in one
// buffer. Reads files but touches no socket, so every answer can be checked without a server.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Sent for a missing entry and for every request the server refuses to look up. Never compressed.
[[nodiscard]] std::string NotFoundAnswer();

// `root` must be canonical (see resolveRequestPath). `request` is the single read from the client.
// A found file is answered whole, gzip-encoded when the request mentions "gzip"; a found entry
// that is not a readable regular file (a folder, a socket) gets a 200 answer with an empty body.
[[nodiscard]] std::string HandleRequest(const std::filesystem::path& root, std::string_view request);
