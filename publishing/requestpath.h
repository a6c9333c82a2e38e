// Maps a request path onto a file below the server's root folder, refusing every path that
// would reach outside it. Pure apart from reading the file system; no sockets.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace inkwell {

// Whether the absolute, link-free `candidate` is `root` or lies below it; `root` as below.
[[nodiscard]] bool isInsideRoot(const std::filesystem::path& candidate, const std::filesystem::path& root);

// `root` as below. `requestPath` appended to the root, without a look at the disk; empty when it
// does not start with "/", has a ".." segment or a zero byte. What the result names may lie
// anywhere (a link leads where it likes): whatever is opened by it must be checked for where it
// really lies.
[[nodiscard]] std::optional<std::filesystem::path> joinRequestPath(
    const std::filesystem::path& root, std::string_view requestPath);

// `root` must be canonical (absolute, no symlinks, no trailing "/" except for "/" itself).
// `requestPath` is the decoded path of RequestInfo, bytes as on disk; it is appended to the root.
// Empty when the path does not start with "/", has a ".." segment or a zero byte, names nothing,
// or leads (through a symlink) out of the root. Otherwise the canonical path of the entry, which
// may be a folder or any other kind of entry. This is a check of names only: what lies at that
// path may change before it is opened, so whatever is opened must be checked again.
[[nodiscard]] std::optional<std::filesystem::path> resolveRequestPath(
    const std::filesystem::path& root, std::string_view requestPath);

} // namespace inkwell
