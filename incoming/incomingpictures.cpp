#include "incoming/incomingpictures.h"

#include "core/filesignature.h"
#include "core/messageservice.h"
#include "core/messagetexts.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "editing/designview.h"
#include "editing/fragments.h"
#include "incoming/newpicturefile.h"
#include "incoming/pastedhtml.h"
#include "incoming/pictureinsertion.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QProgressDialog>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

// What a dropped file is, is told by its first bytes: a picture's signature, or an SVG's opening,
// lies within them. The rest is never read to decide, so a large file of any name costs nothing.
constexpr std::size_t kSignatureBytes = 64 * 1024;

// A dropped picture above this many bytes in all is brought in only when the user says so: copying
// it takes a while and fills the document folder (as Open asks before bringing a page's files).
constexpr std::uint64_t kAskAboveBytes = 100ULL * 1024 * 1024;
// Steps of the progress box of a large drop.
constexpr int kProgressSteps = 1000;

// The first bytes of a file, without waiting on a named pipe or reading a device, with its size.
struct FileStart
{
    std::string bytes;
    std::uint64_t size = 0;
};

Result<FileStart> firstBytes(const fs::path& path)
{
    INKWELL_TRY(const OpenedFile opened, openRegularFile(path));
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(kSignatureBytes, opened.size)), '\0');
    INKWELL_TRY(const std::size_t got, readAt(opened.fd.get(), bytes.data(), bytes.size(), 0, path.string()));
    bytes.resize(got);
    return FileStart { std::move(bytes), opened.size };
}

// A picture from the clipboard as the PNG file it becomes, and its size in pixels.
struct ClipboardPicture
{
    QByteArray png;
    QSize size;
};

std::optional<ClipboardPicture> encodedAsPng(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return ClipboardPicture { png, image.size() };
}

// The picture the clipboard offers: its PNG as it is when it offers one, else the first other picture
// type that reads, else whatever picture the toolkit makes of it.
std::optional<ClipboardPicture> pictureOf(const QMimeData& data)
{
    const QString pngType = QStringLiteral("image/png");
    if (data.hasFormat(pngType)) {
        const QByteArray bytes = data.data(pngType);
        QImage image;
        if (image.loadFromData(bytes, "PNG"))
            return ClipboardPicture { bytes, image.size() };
    }
    for (const QString& format : data.formats()) {
        if (format.startsWith(QStringLiteral("image/")) && format != pngType) {
            if (auto picture = encodedAsPng(QImage::fromData(data.data(format))))
                return picture;
        }
    }
    if (data.hasImage())
        return encodedAsPng(qvariant_cast<QImage>(data.imageData()));
    return std::nullopt;
}

// An attribute value's "&amp;" read as the "&" it stands for.
QString attributeText(std::string_view value)
{
    QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

IncomingPictures::IncomingPictures(
    DesignView& view, MessageService* messages, std::function<std::string()> newName)
    : m_view(view)
    , m_messages(messages)
    , m_newName(std::move(newName))
{
}

bool IncomingPictures::paste(const QMimeData& data, qreal ratio)
{
    const QString html = data.hasHtml() ? data.html() : QString();
    // A browser's "copy image" offers the picture and an img element for it: the picture is what the
    // user meant, and its element would refer to a place the page cannot rely on.
    if (html.isEmpty() || isLoneImage(html.toStdString())) {
        if (pastePicture(data, ratio))
            return true;
    }
    if (!html.isEmpty() && isWordProcessorHtml(html.toStdString())) {
        pastePassage(html);
        return true;
    }
    return false;
}

bool IncomingPictures::pastePicture(const QMimeData& data, qreal ratio)
{
    const std::optional<ClipboardPicture> picture = pictureOf(data);
    if (!picture)
        return false;
    const fs::path& folder = m_view.documentFolder();
    const std::string name = m_newName ? m_newName() : std::string();
    const Result<fs::path> written = writeNewPictureFile(folder, name, ".png",
        std::string_view(picture->png.constData(), static_cast<std::size_t>(picture->png.size())));
    if (!written) {
        if (m_messages)
            m_messages->inform(kHintTitle, texts::pastedPictureNotSaved(written.error(), folder.string()));
        return true;
    }
    std::optional<QSize> logical;
    if (!qFuzzyCompare(ratio, 1.0) && ratio > 0)
        logical = (QSizeF(picture->size) / ratio).toSize();
    m_view.insertImage(*written, logical);
    return true;
}

void IncomingPictures::pastePassage(const QString& html)
{
    const std::string folder = m_view.documentFolder().string();
    // The word processor's pictures lie in its temporary folder, which goes when it closes: they are
    // copied in now, each under a new name (their own names repeat from one copy to the next).
    const PictureSourceMapper copyIn = [&](std::string_view source) -> std::string {
        const QUrl url(attributeText(source));
        if (!url.isLocalFile())
            return std::string(source);
        const QString path = url.toLocalFile();
        const Result<std::string> bytes = readFile(path.toStdString());
        if (!bytes || !isPictureBytes(*bytes))
            return std::string(source);
        // A picture that lies beside the page already is used where it is.
        if (std::string inPlace = pictureSource(path.toStdString(), folder); !inPlace.starts_with("file://"))
            return inPlace;
        QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix.isEmpty())
            suffix = QStringLiteral("png");
        const std::string name = m_newName ? m_newName() : std::string();
        const QString extension = QLatin1Char('.') + suffix;
        const Result<fs::path> copy = writeNewPictureFile(folder, name, extension.toStdString(), *bytes);
        if (!copy)
            return std::string(source);
        return pictureSource(*copy, folder);
    };
    const std::string cleaned = cleanWordProcessorHtml(html.toStdString(), copyIn);
    (void)m_view.pasteHtml(QString::fromStdString(cleaned));
}

void IncomingPictures::drop(const QList<QUrl>& files)
{
    const std::string folder = m_view.documentFolder().string();
    std::vector<fs::path> pictures;
    std::uint64_t pictureBytes = 0;
    std::vector<std::string> notPictures;
    std::vector<texts::UnreadableFile> unreadable;
    for (const QUrl& url : files) {
        const fs::path path = url.toLocalFile().toStdString();
        const Result<FileStart> start = firstBytes(path);
        if (!start) {
            unreadable.push_back({ path.string(), start.error() });
            continue;
        }
        if (!isPictureBytes(start->bytes)) {
            notPictures.push_back(path.string());
            continue;
        }
        pictures.push_back(path);
        pictureBytes += start->size;
    }
    const bool large = pictureBytes > kAskAboveBytes;
    if (large && m_messages
        && m_messages->ask(
               kHintTitle, texts::droppedPicturesQuestion(pictures.size(), pictureBytes), Answer::Yes)
            == Answer::No)
        pictures.clear();
    // A large copy shows how far it got and can be cancelled; the window keeps drawing meanwhile, and
    // the progress box, modal, keeps anything else from starting.
    std::unique_ptr<QProgressDialog> shown;
    std::uint64_t before = 0; // bytes of the pictures copied already
    CopyProgress progress;
    if (large && !pictures.empty()) {
        shown = std::make_unique<QProgressDialog>(
            QString::fromUtf8(texts::kCopyingDroppedPictures), QStringLiteral("取消"), 0, kProgressSteps);
        shown->setWindowTitle(QString::fromUtf8(kHintTitle));
        shown->setWindowModality(Qt::ApplicationModal);
        shown->setMinimumDuration(0);
        shown->setValue(0);
        progress = [&](std::uint64_t copied) {
            shown->setValue(static_cast<int>((before + copied) * kProgressSteps / pictureBytes));
            QCoreApplication::processEvents();
            return !shown->wasCanceled();
        };
    }
    std::string fragment;
    for (const fs::path& path : pictures) {
        // As the picture command does, the copy in the document folder, or the picture where it lies
        // when no copy can be made there; but a different picture of the same name already there (an
        // earlier drop's logo.png) is never replaced, the copy takes a free name.
        const Result<fs::path> copy = copyPictureUnderFreeName(path, folder, progress);
        if (!copy && copy.error().code == ECANCELED)
            break; // what was copied before goes in; the rest stays out
        fragment += fragments::imageFragment(pictureSource(copy ? *copy : path, folder));
        std::error_code error;
        before += fs::file_size(path, error);
    }
    shown.reset();
    if (!fragment.empty())
        (void)m_view.pasteHtml(QString::fromStdString(fragment));
    if ((!notPictures.empty() || !unreadable.empty()) && m_messages)
        m_messages->inform(kHintTitle, texts::droppedFilesNotInserted(notPictures, unreadable));
}

} // namespace inkwell
