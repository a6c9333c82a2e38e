// The page server's decision for one request: which answer it gets and, for a found file, the file
// opened for sending. Reads the file system but touches no socket, so every decision can be checked
// without a server.
#pragma once

#include "publishing/answer.h"

#include <filesystem>
#include <string_view>

namespace inkwell {

// `root` must be canonical (see resolveRequestPath). `request` is the single read from the client.
// Not found for a request that names another host, has no path to look up, or whose decoded path
// leaves the root or names nothing. A found regular file is opened for its body, gzip-encoded when
// the request mentions "gzip"; a found entry that is not a readable regular file (a folder, a
// socket) gets a 200 answer with an empty body.
[[nodiscard]] Answer answerRequest(const std::filesystem::path& root, std::string_view request);

} // namespace inkwell
