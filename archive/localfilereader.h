// Reads the local files an archive takes in from descriptors that were opened first and checked
// after, never by a second lookup of their name, so that what was checked is what goes in.
#pragma once

#include "archive/resourcefetcher.h"
#include "core/regularfile.h"
#include "core/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace inkwell {

// Why a local file could not be opened, for a person to read: "not a file" for a named pipe, a
// socket or a device, the system's reason otherwise.
[[nodiscard]] std::string localFileReason(const Error& error);

// The bytes of an opened file, at most maxBytes: a larger file is refused as too large without
// being read through.
[[nodiscard]] FetchResult readOpenedFile(const OpenedFile& file, std::uint64_t maxBytes);

// Opens the regular file a file:// URL names (a named pipe is refused at once, never waited on)
// and reads it as readOpenedFile does.
[[nodiscard]] FetchResult readFileUrl(std::string_view fileUrl, std::uint64_t maxBytes);

} // namespace inkwell
