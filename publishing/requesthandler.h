// The page server's decision for one request: which answer it gets and, for a found file, the file
// opened for sending. Reads the file system but touches no socket, so every decision can be checked
// without a server.
#pragma once

#include "publishing/answer.h"

#include <filesystem>
#include <string_view>

namespace inkwell {

// `root` must be canonical (see joinRequestPath). `head` is the request head, up to and including
// its empty line. Not found for a request that names another host, has no path to look up, whose
// decoded path leaves the root or names nothing, or that names a named pipe, a socket or a device;
// also for everything in the root's "system" folder (settings and the recovery copy) and for a file
// of this user that only its owner may use (mode 0600 and the like), whoever asks.
// A found regular file is opened for its body (and the opened file must lie inside the root),
// gzip-encoded when the head mentions "gzip"; a found folder or a file that cannot be read gets a
// 200 answer with an empty body.
[[nodiscard]] Answer answerRequest(const std::filesystem::path& root, std::string_view head);

} // namespace inkwell
