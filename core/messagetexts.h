// The texts of the program's message boxes, in one place: the fixed ones, and the ones composed from
// a first line that says what happened and a reason that says why, both in Chinese. Reasons that
// reach the program in English (system errors, the archive's fetch results) are turned into Chinese
// sentences here.
#pragma once

#include "core/errorsentence.h"
#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell::texts {

// Start-up.
inline constexpr const char* kUnpackFirst = "请解压以后再运行！";
inline constexpr const char* kLockFailed = "无法确认是否已有本程序在运行，程序将退出。";

// The lock message with the reason the lock file could not be used: error.code is an errno,
// kNotARegularFile or kLockOwnedByAnotherUser.
[[nodiscard]] std::string lockFailed(const std::filesystem::path& lockFile, const Error& error);

// Recovery of the page a run left unsaved.
inline constexpr const char* kRecoveryQuestion = "发现上次未保存的页面，是否恢复？";
// The question with the file a Save of the recovered page will write, decoded.
[[nodiscard]] std::string recoveryQuestion(const std::filesystem::path& documentFile);
inline constexpr const char* kRecoveryDamaged = "上次未保存的页面已损坏，无法恢复，已删除。";
// The damaged-copy message; `reason` is the recovery copy's own (English) account of the damage.
[[nodiscard]] std::string recoveryDamaged(std::string_view reason);

// A recovery copy that could not be written, with the reason and the folder it was to go into: unsaved
// work would not survive a crash.
[[nodiscard]] std::string recoveryCopyFailed(const Error& error, const std::filesystem::path& folder);

// The page's renderer ended and the page was put back.
inline constexpr const char* kRendererEnded
    = "设计视图中的页面意外停止显示，已重新载入最近一次的内容；最后几秒的修改可能丢失。";

// Save and Open of the document file.
inline constexpr const char* kSaveQuestion = "是否保存？";
inline constexpr const char* kSaveFailed = "保存失败！原来的文件没有改动。";
inline constexpr const char* kOpenFailed = "打开失败！当前页面没有改动。";
inline constexpr const char* kPageUnreadable
    = "无法读出页面的内容（设计视图没有应答），没有写入任何文件。请稍后再试一次。";
// The first line, the reason, and the file the user meant, decoded.
[[nodiscard]] std::string saveFailed(const Error& error, const std::filesystem::path& file);
// saveFailed without its first line: why, and the file.
[[nodiscard]] std::string saveFailureReason(const Error& error, const std::filesystem::path& file);
// A file that is no page (kNotAWebPage, see filesignature.h) is said to be one in a single line naming it.
[[nodiscard]] std::string openFailed(const Error& error, const std::filesystem::path& file);
// An opened page holds `count` bytes that are no text in its encoding: they show as boxes and are
// written back unchanged.
[[nodiscard]] std::string bytesKeptAsTheyWere(const std::filesystem::path& file, std::size_t count);

// Preview in the browser (F12).
enum class PreviewRefusal
{
    NoPort, // no port was free for serving pages at start
    OutsideRunFolder, // the document file lies where nothing is served
};
[[nodiscard]] std::string previewRefused(PreviewRefusal refusal, const std::filesystem::path& documentFile);

// The picture command: the chosen file could not be read as a picture file.
inline constexpr const char* kPictureNotInserted = "插入图片失败！页面没有改动。";
[[nodiscard]] std::string pictureNotInserted(const Error& error, const std::filesystem::path& file);

// Pictures that come in by paste or drop.
inline constexpr const char* kPastedPictureNotSaved = "粘贴图片失败！页面没有改动。";
// The first line, why the picture could not be written into the document folder, and that folder.
[[nodiscard]] std::string pastedPictureNotSaved(const Error& error, const std::filesystem::path& folder);
inline constexpr const char* kDroppedFilesNotPictures = "以下文件不是图片，没有插入页面：";
// The first line and the files, as the user dropped them (at most ten, see listLines).
[[nodiscard]] std::string droppedFilesNotPictures(const std::vector<std::string>& files);
// Dropped files that could not be read: each with its reason.
struct UnreadableFile
{
    std::string file;
    Error error;
};
// The files that are not pictures and those that could not be read, each list with its own first
// line; either may be empty.
[[nodiscard]] std::string droppedFilesNotInserted(
    const std::vector<std::string>& notPictures, const std::vector<UnreadableFile>& unreadable);

// Open: the local files an opened page names, copied into the document folder.
// Why one of them was not copied.
enum class PageFileRefusal
{
    Missing, // no file of that name
    NotAFile, // a named pipe, a device or a socket
    Folder,
    OutsideSite, // above the page's site folder, or an absolute path
    LinkOutside, // a symbolic link that leads out of the page's site folder
    NotAPicture, // named where a picture belongs, and its bytes are no picture
    TooLarge, // a style sheet too large to read for its own references
    Unreadable, // error says why
    NotWritten, // could not be written into the document folder; error says why
    AddressNotRewritable, // copied under another name, but the page writes its address in a form that cannot
                          // be changed
};
struct UncopiedPageFile
{
    std::string address; // as the page names it, relative to the page's folder, decoded
    PageFileRefusal refusal = PageFileRefusal::Missing;
    Error error {};
};
// The question asked before a large site is copied: files and bytes to copy.
[[nodiscard]] std::string pageFilesQuestion(std::size_t files, std::uint64_t bytes);
// The progress box while large dropped pictures are copied.
inline constexpr const char* kCopyingDroppedPictures = "正在把拖入的图片复制到文档文件夹……";
// Dropped pictures large in all: whether to copy them into the document folder.
[[nodiscard]] std::string droppedPicturesQuestion(std::size_t files, std::uint64_t bytes);
// The files not copied and why (at most ten, see listLines), and the document folder.
[[nodiscard]] std::string pageFilesNotCopied(
    const std::vector<UncopiedPageFile>& files, const std::filesystem::path& documentFolder);

// Capture.
inline constexpr const char* kScreenNotReadable
    = "无法取得屏幕图像：当前桌面不允许程序截取屏幕，截图已取消。";
inline constexpr const char* kClipboardHasNoPicture
    = "剪贴板里没有截到的图片，截图没有插入页面。请重新截图。";
// The picture could not be written into the document folder, with the reason.
[[nodiscard]] std::string captureNotSaved(const Error& error, const std::filesystem::path& documentFolder);

// The MHT export.
inline constexpr const char* kExported = "保存成功";
// The save that comes before an export failed: one box says that nothing was exported, and why
// (saveFailureReason's lines, or kPageUnreadable).
[[nodiscard]] std::string exportNotSaved(std::string_view reason);
inline constexpr const char* kExportNoPort
    = "导出失败：本机没有可用的网络端口，无法读取页面。请关闭一些程序后重新启动本程序再试。";

// A resource that could not be fetched: its URL as the archive tried it and the archive's reason.
struct MissingPart
{
    std::string url;
    std::string reason;
};

// The lines of the export's lists: at most ten, then "……" when there were more.
[[nodiscard]] std::string listLines(const std::vector<std::string>& lines);

// Written, with local files kept out (paths as the page names them, decoded).
[[nodiscard]] std::string exportedWithoutLocalFiles(const std::vector<std::string>& localFiles);
// Nothing written because resources could not be fetched. pageUrl is the URL the page was fetched
// from: resources beside it are named as the page names them.
[[nodiscard]] std::string exportResourcesMissing(const std::string& pageUrl,
    const std::vector<MissingPart>& missing, const std::vector<std::string>& localFiles);
// The page itself could not be fetched; `archiveError` is the archive's account.
[[nodiscard]] std::string exportPageNotFetched(
    const std::filesystem::path& documentFile, std::string_view archiveError);
// The archive could not be written; `archiveError` is the archive's account.
[[nodiscard]] std::string exportNotWritten(
    const std::filesystem::path& target, std::string_view archiveError);

// The sentence for one of the archive's fetch results ("the server answered with status 404", the
// network library's words, "it is larger than ...", a system error's words).
[[nodiscard]] std::string fetchReasonSentence(std::string_view reason);

// A URL as the user wrote it: percent escapes decoded; a file:// URL as its path.
[[nodiscard]] std::string readableUrl(std::string_view url);

} // namespace inkwell::texts
