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

Result<std::filesystem::path> writeCapturedPicture(
    const QImage& picture, const std::filesystem::path& folder, const std::string& name)
{
    if (picture.isNull())
        return Error { 0, "there is no picture to write" };
    if (name.empty())
        return Error { 0, "the picture has no name" };
    const std::filesystem::path path = folder / (name + ".bmp");
    const std::vector<std::uint8_t> bytes = imageToBmpBytes(picture);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    INKWELL_TRY_VOID(writeFileAtomically(path, data));
    return path;
}

} // namespace inkwell
