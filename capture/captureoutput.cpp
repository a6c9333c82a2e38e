#include "capture/captureoutput.h"

#include "core/atomicfile.h"

#include <QClipboard>
#include <QGuiApplication>

namespace inkwell {

std::vector<std::uint8_t> imageToBmpBytes(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return bitmapToBmpBytes({});
    const auto* first = reinterpret_cast<const std::uint32_t*>(rgb.constBits());
    const auto count = static_cast<std::size_t>(rgb.sizeInBytes()) / sizeof(std::uint32_t);
    return bitmapToBmpBytes({ rgb.width(), rgb.height(), static_cast<int>(rgb.bytesPerLine() / 4),
        std::span<const std::uint32_t>(first, count) });
}

std::optional<QImage> readClipboardPicture()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<std::filesystem::path> writeCapturedPicture(
    const QImage& picture, const std::filesystem::path& folder, const std::string& name)
{
    if (picture.isNull() || name.empty())
        return std::nullopt;
    const std::filesystem::path path = folder / (name + ".bmp");
    const std::vector<std::uint8_t> bytes = imageToBmpBytes(picture);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!writeFileAtomically(path, data).ok())
        return std::nullopt;
    return path;
}

} // namespace inkwell
