#include "core/messagetexts.h"

#include "core/filesignature.h"
#include "core/percentencoding.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <utility>

namespace inkwell::texts {
namespace {

constexpr std::string_view kNotFound = "找不到这个文件，请检查名称和位置是否写对。";
constexpr std::string_view kTooLarge = "文件太大，无法放入 MHT 文件。";

// The digits at the start of text, empty when it does not start with one.
std::string_view leadingNumber(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) != 0)
        ++end;
    return text.substr(0, end);
}

// The network library's own words for the results a user meets, as it words them. A test holds
// them against the library, so a new wording shows up there rather than as English in a box.
struct LibraryWords
{
    std::string_view words;
    std::string_view sentence;
};
constexpr std::array kLibraryWords = {
    LibraryWords { "Couldn't resolve host name", "找不到这个网站，请检查网址是否写对。" },
    LibraryWords { "Couldn't connect to server", "对方拒绝连接，请确认网址正确、网站可以访问后重试。" },
    LibraryWords { "Timeout was reached", "等了很久也没有应答，请检查网络后重试。" },
    LibraryWords { "Maximum file size exceeded", kTooLarge },
    LibraryWords { "Server returned nothing (no headers, no data)", "对方没有返回任何内容，请稍后重试。" },
    LibraryWords { "Failure when receiving data from the peer", "接收内容时连接中断，请检查网络后重试。" },
    LibraryWords { "Number of redirects hit maximum amount", "网址被转到别处的次数太多，请检查网址。" },
};

// What a server's status says, for the statuses other than 200.
std::string statusSentence(std::string_view status)
{
    if (status == "404" || status == "410")
        return std::string(kNotFound);
    if (status == "401" || status == "403")
        return "对方不允许取得这个文件（状态 " + std::string(status) + "）。";
    return "对方没有提供这个文件（状态 " + std::string(status) + "），请稍后重试。";
}

// The archive's reason for a reference it did not follow because the archive was full or nested too
// deep, with its own count of the references it left the same way.
std::string limitSentence(std::string_view reason)
{
    std::string more;
    constexpr std::string_view kAndSoAre = ", and so are ";
    if (const auto at = reason.find(kAndSoAre); at != std::string_view::npos) {
        const std::string_view count = leadingNumber(reason.substr(at + kAndSoAre.size()));
        if (!count.empty())
            more = "另有 " + std::string(count) + " 处引用也是如此。";
        reason = reason.substr(0, at);
    }
    constexpr std::string_view kNested = "it is nested deeper than the archive's limit of ";
    constexpr std::string_view kParts = "the archive holds at most ";
    if (reason.starts_with(kNested))
        return "页面里框架或样式表嵌套的层数太多（超过 "
            + std::string(leadingNumber(reason.substr(kNested.size()))) + " 层），没有放入。" + more;
    return "页面引用的文件太多，一个 MHT 文件最多放入 "
        + std::string(leadingNumber(reason.substr(kParts.size()))) + " 个。" + more;
}

// The system's words at the end of an English account ("the archive X could not be written: No
// space left on device"), or the whole account when it has no such lead-in.
std::string_view systemWordsOf(std::string_view account, std::string_view leadIn)
{
    if (const auto at = account.find(leadIn); at != std::string_view::npos)
        return account.substr(at + leadIn.size());
    return account;
}

std::string joinedLines(const std::vector<std::string>& lines, std::string_view lead)
{
    return std::string(lead) + '\n' + listLines(lines);
}

} // namespace

std::string lockFailed(const std::filesystem::path& lockFile, const Error& error)
{
    std::string reason;
    if (error.code == kLockOwnedByAnotherUser)
        reason = "它属于另一个用户，请删除这个文件或注销该用户后重试。";
    else
        reason = errorSentence(error, FileAction::Use);
    return std::string(kLockFailed) + "\n程序用来确认这一点的文件 " + lockFile.string() + " 无法使用："
        + reason;
}

std::string recoveryQuestion(const std::filesystem::path& documentFile)
{
    return std::string(kRecoveryQuestion) + "\n恢复后保存时将写入文件：" + documentFile.string();
}

std::string recoveryDamaged(std::string_view reason)
{
    // The recovery copy's accounts, in the user's words; any other is a copy that cannot be used.
    std::string why = "保存的副本不完整或内容不对。";
    if (reason == "the copy is incomplete")
        why = "保存的副本不完整，可能上次退出时没有写完。";
    else if (reason.starts_with("cannot read"))
        why = "保存的副本无法读取。";
    return std::string(kRecoveryDamaged) + '\n' + why;
}

std::string saveFailed(const Error& error, const std::filesystem::path& file)
{
    return std::string(kSaveFailed) + '\n' + saveFailureReason(error, file);
}

std::string saveFailureReason(const Error& error, const std::filesystem::path& file)
{
    return errorSentence(error, FileAction::Write) + "\n文件：" + file.string();
}

std::string recoveryCopyFailed(const Error& error, const std::filesystem::path& folder)
{
    return "无法备份未保存的页面：程序意外退出时，未保存的修改将会丢失，请及时保存。\n"
        + errorSentence(error, FileAction::Write) + "\n文件夹：" + folder.string();
}

std::string openFailed(const Error& error, const std::filesystem::path& file)
{
    if (error.code == kNotAWebPage)
        return "打开失败！" + file.filename().string() + " 不是网页文件。当前页面没有改动。";
    return std::string(kOpenFailed) + '\n' + errorSentence(error, FileAction::Read) + "\n文件："
        + file.string();
}

std::string bytesKeptAsTheyWere(const std::filesystem::path& file, std::size_t count)
{
    return "这个网页文件中有 " + std::to_string(count)
        + " 个字节不能按它的编码读成文字，页面上显示为方框。保存时这些字节按原样写回，文件中的其他文字不受影"
          "响。\n文件："
        + file.string();
}

std::string pictureNotInserted(const Error& error, const std::filesystem::path& file)
{
    return std::string(kPictureNotInserted) + '\n' + errorSentence(error, FileAction::Read) + "\n文件："
        + file.string();
}

std::string previewRefused(PreviewRefusal refusal, const std::filesystem::path& documentFile)
{
    switch (refusal) {
    case PreviewRefusal::NoPort:
        return "无法在浏览器中预览：本机没有可用的网络端口。请关闭一些程序后重新启动本程序再试。";
    case PreviewRefusal::OutsideRunFolder:
        break;
    }
    return "无法在浏览器中预览：页面文件 " + documentFile.string()
        + " 不在本程序的工程文件夹或临时文件夹中。请在默认的工程文件夹中新建工程后再预览。";
}

std::string captureNotSaved(const Error& error, const std::filesystem::path& documentFolder)
{
    return "截图未能保存，没有插入页面。\n" + errorSentence(error, FileAction::Write) + "\n文档文件夹："
        + documentFolder.string();
}

std::string exportNotSaved(std::string_view reason)
{
    return "导出失败：页面没有保存到文档文件，没有导出。\n" + std::string(reason);
}

std::string pastedPictureNotSaved(const Error& error, const std::filesystem::path& folder)
{
    return std::string(kPastedPictureNotSaved) + '\n' + errorSentence(error, FileAction::Write)
        + "\n文档文件夹：" + folder.string();
}

std::string droppedFilesNotPictures(const std::vector<std::string>& files)
{
    return joinedLines(files, kDroppedFilesNotPictures) + "\n只有图片文件才能插入页面。";
}

std::string droppedFilesNotInserted(
    const std::vector<std::string>& notPictures, const std::vector<UnreadableFile>& unreadable)
{
    std::string text;
    if (!notPictures.empty())
        text = droppedFilesNotPictures(notPictures);
    if (!unreadable.empty()) {
        std::vector<std::string> lines;
        lines.reserve(unreadable.size());
        for (const UnreadableFile& file : unreadable)
            lines.push_back(file.file + "：" + errorSentence(file.error, FileAction::Read));
        text += (text.empty() ? "" : "\n") + joinedLines(lines, "以下文件无法读取，没有插入页面：");
    }
    return text;
}

namespace {

// Megabytes with one decimal, so that a size just above a limit does not read as a round number.
std::string megabytes(std::uint64_t bytes)
{
    const std::uint64_t tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

} // namespace

std::string pageFilesQuestion(std::size_t files, std::uint64_t bytes)
{
    return "该页面引用了 " + std::to_string(files) + " 个本地文件（" + megabytes(bytes)
        + "），是否复制到文档文件夹？";
}

std::string droppedPicturesQuestion(std::size_t files, std::uint64_t bytes)
{
    return "拖入了 " + std::to_string(files) + " 个图片文件（" + megabytes(bytes)
        + "），是否复制到文档文件夹？";
}

std::string pageFilesNotCopied(
    const std::vector<UncopiedPageFile>& files, const std::filesystem::path& documentFolder)
{
    std::vector<std::string> lines;
    lines.reserve(files.size());
    for (const UncopiedPageFile& file : files) {
        std::string reason;
        switch (file.refusal) {
        case PageFileRefusal::Missing:
            reason = kNotFound;
            break;
        case PageFileRefusal::NotAFile:
            reason = "它不是普通的文件（可能是管道或设备），没有读取。";
            break;
        case PageFileRefusal::Folder:
            reason = "这是一个文件夹，不是文件。";
            break;
        case PageFileRefusal::OutsideSite:
            reason = "它不在网页所在的文件夹里，为安全起见没有复制。";
            break;
        case PageFileRefusal::LinkOutside:
            reason = "它是指向网页所在文件夹以外的链接，为安全起见没有复制。";
            break;
        case PageFileRefusal::NotAPicture:
            reason = "页面把它当作图片，但它不是图片文件，没有复制。";
            break;
        case PageFileRefusal::TooLarge:
            reason = "样式表太大，没有复制。";
            break;
        case PageFileRefusal::Unreadable:
            reason = errorSentence(file.error, FileAction::Read);
            break;
        case PageFileRefusal::NotWritten:
            reason = errorSentence(file.error, FileAction::Write);
            break;
        case PageFileRefusal::AddressNotRewritable:
            reason = "已复制，但页面中这个地址的写法无法改成复制后的名称。";
            break;
        }
        lines.push_back(file.address + "：" + reason);
    }
    return joinedLines(lines, "页面已打开，但以下文件没有复制到文档文件夹，页面将找不到它们：")
        + "\n需要时请把它们复制到文档文件夹 " + documentFolder.string() + " 中。";
}

std::string listLines(const std::vector<std::string>& lines)
{
    constexpr std::size_t kMaxLines = 10;
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kMaxLines; ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    if (lines.size() > kMaxLines)
        text += "\n……";
    return text;
}

std::string exportedWithoutLocalFiles(const std::vector<std::string>& localFiles)
{
    return joinedLines(localFiles, "已保存，以下本机文件未放入 MHT 文件：")
        + "\n这些文件不在页面或本程序的文件夹中，也不是放在图片位置上的图片。需要时请把它们复制到页面所在的文"
          "件夹。";
}

std::string exportResourcesMissing(const std::string& pageUrl, const std::vector<MissingPart>& missing,
    const std::vector<std::string>& localFiles)
{
    // Resources beside the page are named as the page names them, not by the URL they were fetched
    // from.
    // Compared decoded: the archive names what it fetched in its own escaping.
    const std::string readablePage = readableUrl(pageUrl);
    const std::string base = readablePage.substr(0, readablePage.rfind('/') + 1);
    std::vector<std::string> lines;
    lines.reserve(missing.size());
    for (const MissingPart& part : missing) {
        std::string shown = readableUrl(part.url);
        if (!base.empty() && shown.starts_with(base) && shown.size() > base.size())
            shown.erase(0, base.size());
        lines.push_back(shown + "：" + fetchReasonSentence(part.reason));
    }
    std::string text = joinedLines(lines, "导出失败：以下资源无法取得，没有写入文件：");
    if (!localFiles.empty())
        text += '\n' + joinedLines(localFiles, "另有以下本机文件不会放入 MHT 文件：");
    return text;
}

std::string exportPageNotFetched(const std::filesystem::path& documentFile, std::string_view archiveError)
{
    const std::string_view words = systemWordsOf(archiveError, " could not be fetched: ");
    std::string reason
        = words == archiveError && archiveError.find("is not an http://") != std::string_view::npos
        ? std::string("页面的地址无效。")
        : fetchReasonSentence(words);
    return "导出失败：无法读取刚保存的页面 " + documentFile.string() + "，没有写入文件。\n" + reason;
}

std::string exportNotWritten(const std::filesystem::path& target, std::string_view archiveError)
{
    const std::string_view words = systemWordsOf(archiveError, " could not be written: ");
    const int code = commonErrorCodeOfText(words);
    const std::string reason = code != 0 ? *commonErrorSentence(code)
                                         : errorSentence(Error { 0, std::string(words) }, FileAction::Write);
    return "导出失败：无法写入文件 " + target.string() + "，原有文件保持不变。\n" + reason;
}

std::string fetchReasonSentence(std::string_view reason)
{
    constexpr std::string_view kStatus = "the server answered with status ";
    if (reason.starts_with(kStatus))
        return statusSentence(leadingNumber(reason.substr(kStatus.size())));
    for (const LibraryWords& known : kLibraryWords) {
        if (reason == known.words)
            return std::string(known.sentence);
    }
    if (reason.starts_with("it is larger than"))
        return std::string(kTooLarge);
    if (reason.starts_with("it is nested deeper") || reason.starts_with("the archive holds at most"))
        return limitSentence(reason);
    if (reason == "it does not name a file on this computer")
        return "它指向的不是这台电脑上的文件。";
    if (reason.find("not a picture") != std::string_view::npos)
        return "这不是图片文件，没有放入。";
    if (const int code = commonErrorCodeOfText(reason); code != 0) {
        // A local file that is not there is a fetch that found nothing, as a missing page on a server is.
        if (code == ENOENT || code == ENOTDIR)
            return std::string(kNotFound);
        return *commonErrorSentence(code);
    }
    return "无法取得这个文件（" + std::string(reason) + "）。";
}

std::string readableUrl(std::string_view url)
{
    constexpr std::string_view kFileScheme = "file://";
    if (url.size() > kFileScheme.size() && url.substr(0, kFileScheme.size()) == kFileScheme) {
        std::string_view path = url.substr(kFileScheme.size());
        if (path.starts_with("localhost/"))
            path.remove_prefix(std::string_view("localhost").size());
        if (path.starts_with('/'))
            return percentDecode(path);
    }
    return percentDecode(url);
}

} // namespace inkwell::texts
