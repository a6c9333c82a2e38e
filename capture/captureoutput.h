// The output steps after a committed capture: the clipboard picture becomes a BMP file in
// the document folder.
#pragma once

#include "capture/bmpencoder.h"
#include "core/result.h"

#include <QImage>
#include <filesystem>
#include <optional>
#include <string>

namespace inkwell {

// The BMP file of a picture (32 bits per pixel, rows bottom-up).
[[nodiscard]] std::vector<std::uint8_t> imageToBmpBytes(const QImage& picture);

// The picture the clipboard holds now, or nothing.
[[nodiscard]] std::optional<QImage> readClipboardPicture();

// Writes the picture as `folder` / `name` + ".bmp", replacing any file of that name atomically, and
// gives the full path. Fails when there is no picture or name, or with the write's error.
[[nodiscard]] Result<std::filesystem::path> writeCapturedPicture(
    const QImage& picture, const std::filesystem::path& folder, const std::string& name);

} // namespace inkwell
