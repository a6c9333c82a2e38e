#include "capture/captureoutput.h"

#include "editing/fragments.h"
#include "editing/pictureinsertion.h"
#include "core/atomicfile.h"

#include <QClipboard>
#include <QDir>
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

std::string sizedImageFragment(
    const QString& picturePath, const QString& documentFolder, int width, int height)
{
    // The source is referred to exactly as insertImage refers to it.
    std::string element
        = fragments::imageFragment(pictureSource(picturePath.toStdString(), documentFolder.toStdString()));
    const std::string size
        = " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
    // The element ends with its ">"; the size goes in just before it.
    if (!element.empty() && element.back() == '>')
        element.insert(element.size() - 1, size);
    return element;
}

std::optional<QImage> readClipboardPicture()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QString> writeCapturedPicture(
    const QImage& picture, const QString& folder, const std::string& name)
{
    if (picture.isNull() || name.empty())
        return std::nullopt;
    const QString path = QDir(folder).filePath(QString::fromStdString(name) + QStringLiteral(".bmp"));
    const std::vector<std::uint8_t> bytes = imageToBmpBytes(picture);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!writeFileAtomically(path.toStdString(), data).ok())
        return std::nullopt;
    return path;
}

} // namespace inkwell
