// The texts of the program's boxes: every reason a Chinese sentence, the common system errors and
// fetch results each with their own, and every text the program can show kept to the rule of its
// texts (no ASCII letters outside names, URLs and numbers; full-width punctuation; no inner words).
#include "archive/archivebuilder.h"
#include "archive/curlfetcher.h"
#include "core/atomicfile.h"
#include "core/errorsentence.h"
#include "core/filedescriptor.h"
#include "core/filesignature.h"
#include "core/messageservice.h"
#include "core/messagetexts.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "projects/historyrows.h"
#include "projects/projectcreation.h"
#include "tests/support/messagerules.h"
#include "tests/support/tempfolder.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

namespace fs = std::filesystem;
using inkwell::testing::messageFault;
using inkwell::testing::TempFolder;

// The common errors: each has a sentence of its own, which says what the user can do, and never
// the system's English.
struct CommonCase
{
    const char* label;
    int code;
    const char* sentence;
};

class CommonErrors : public ::testing::TestWithParam<CommonCase>
{
};

TEST_P(CommonErrors, HaveTheirOwnChineseSentence)
{
    const auto& c = GetParam();
    for (const auto action : { FileAction::Read, FileAction::Write, FileAction::Use }) {
        const std::string sentence
            = errorSentence(Error { c.code, "cannot write /x: " + systemReason(c.code) }, action);
        EXPECT_EQ(sentence, c.sentence);
        EXPECT_EQ(messageFault(sentence), "");
    }
    EXPECT_EQ(
        commonErrorCodeOfText("the archive /a b.mht could not be written: " + systemReason(c.code)) != 0,
        true)
        << "found by the system's words alone";
    EXPECT_EQ(*commonErrorSentence(commonErrorCodeOfText("x: " + systemReason(c.code))), c.sentence);
}

INSTANTIATE_TEST_SUITE_P(Table, CommonErrors,
    ::testing::Values(CommonCase { "no_permission", EACCES,
                          "没有权限使用这个文件或它所在的文件夹，请检查权限，或换一个文件夹后重试。" },
        CommonCase { "not_permitted", EPERM,
            "没有权限使用这个文件或它所在的文件夹，请检查权限，或换一个文件夹后重试。" },
        CommonCase { "no_space", ENOSPC, "磁盘空间不足，请清理后重试。" },
        CommonCase { "quota", EDQUOT, "磁盘空间不足，请清理后重试。" },
        CommonCase { "file_too_large", EFBIG, "文件超出了系统允许的大小，请删减内容，或换一个位置后重试。" },
        CommonCase { "read_only", EROFS, "这个位置只能读取、不能写入，请换一个文件夹后重试。" },
        CommonCase { "missing", ENOENT, "文件或文件夹不存在，请检查路径后重试。" },
        CommonCase { "not_a_folder_on_the_way", ENOTDIR, "文件或文件夹不存在，请检查路径后重试。" },
        CommonCase { "name_too_long", ENAMETOOLONG, "文件名或路径太长，请换一个短一些的名称后重试。" },
        CommonCase { "too_many_links", ELOOP, "路径中的链接太多或互相指向，请检查路径中的链接后重试。" },
        CommonCase { "is_a_folder", EISDIR, "这是一个文件夹，不是文件，请选择一个文件。" },
        CommonCase { "not_a_file", kNotARegularFile,
            "这不是普通的文件（可能是设备、管道或套接字），请选择一个普通文件。" },
        CommonCase { "private_file_is_a_link", kPrivateFileIsALink,
            "程序自己的文件被换成了指向别处的链接，为保护链接指向的文件，没有写入；请删除这个链接后重试。" }),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// The question before a large drop is copied says how many pictures and how large, as Open's does.
TEST(DroppedPictures, TheQuestionNamesTheCountAndTheSize)
{
    const std::string question = texts::droppedPicturesQuestion(3, (std::uint64_t { 100 } << 20) + 60 * 1024);
    EXPECT_EQ(question, "拖入了 3 个图片文件（100.1 MB），是否复制到文档文件夹？");
    EXPECT_EQ(messageFault(question), "");
    EXPECT_EQ(texts::pageFilesQuestion(2, 1536 * 1024),
        "该页面引用了 2 个本地文件（1.5 MB），是否复制到文档文件夹？");
}

// Any other error says in Chinese what failed and gives the system's words in brackets.
TEST(ErrorSentence, OtherErrorsSayWhatFailedWithTheSystemsWordsInBrackets)
{
    const std::string io = systemReason(EIO);
    EXPECT_EQ(errorSentence(Error { EIO, "cannot write /x: " + io }, FileAction::Write),
        "写入文件时出错（" + io + "）。");
    EXPECT_EQ(errorSentence(Error { EIO, "" }, FileAction::Read), "读取文件时出错（" + io + "）。");
    EXPECT_EQ(errorSentence(Error { 0, "no unused temporary name" }, FileAction::Use),
        "使用文件时出错（no unused temporary name）。");
    EXPECT_EQ(errorSentence(Error { 0, "" }, FileAction::Write), "写入文件时出错。");
    EXPECT_EQ(commonErrorSentence(EIO), std::nullopt);
    EXPECT_EQ(commonErrorCodeOfText("the temporary file is shorter than written"), 0);
}

// The errors the kit really returns for the common cases reach the user as their sentences.
TEST(ErrorSentence, RealFailuresOfTheKitReadAsTheirSentences)
{
    TempFolder dir;
    const fs::path folder = dir.path();
    ::mkfifo((folder / "pipe").c_str(), 0600);
    fs::create_directory(folder / "sub");
    fs::create_symlink(folder / "loop-b", folder / "loop-a");
    fs::create_symlink(folder / "loop-a", folder / "loop-b");
    const std::string longName(300, 'n');

    const std::map<std::string, std::pair<Error, int>> seen {
        { "missing folder", { writeFileAtomically(folder / "nowhere" / "a.html", "x").error(), ENOENT } },
        { "missing file", { readFile(folder / "none.html").error(), ENOENT } },
        { "long name", { writeFileAtomically(folder / longName, "x").error(), ENAMETOOLONG } },
        { "link loop", { openRegularFile(folder / "loop-a").error(), ELOOP } },
        { "folder", { readFile(folder / "sub").error(), EISDIR } },
        { "named pipe", { readFile(folder / "pipe").error(), kNotARegularFile } },
        { "link at a private file",
            { writeFileAtomically(folder / "loop-a", "x", FileAccess::OwnerOnly).error(),
                kPrivateFileIsALink } },
    };
    for (const auto& [label, errorAndCode] : seen) {
        SCOPED_TRACE(label);
        const auto& [error, code] = errorAndCode;
        EXPECT_EQ(error.code, code) << error.message;
        const std::string text = texts::saveFailed(error, folder / "a b.html");
        EXPECT_EQ(text,
            std::string(texts::kSaveFailed) + "\n" + *commonErrorSentence(code) + "\n文件："
                + (folder / "a b.html").string());
        EXPECT_EQ(messageFault(text, { (folder / "a b.html").string() }), "");
    }
    if (::geteuid() != 0) {
        fs::create_directory(folder / "locked");
        fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        const Error error = writeFileAtomically(folder / "locked" / "a.html", "x").error();
        EXPECT_EQ(texts::saveFailed(error, "/a.html"),
            std::string(texts::kSaveFailed) + "\n" + *commonErrorSentence(EACCES) + "\n文件：/a.html");
        fs::permissions(folder / "locked", fs::perms::owner_all);
    }
}

// The archive's fetch results, each in the user's words.
struct FetchCase
{
    const char* label;
    std::string reason;
    std::string sentence;
};

class FetchReasons : public ::testing::TestWithParam<FetchCase>
{
};

TEST_P(FetchReasons, ReadAsChineseSentences)
{
    const std::string sentence = texts::fetchReasonSentence(GetParam().reason);
    EXPECT_EQ(sentence, GetParam().sentence);
    EXPECT_EQ(messageFault(sentence, { GetParam().reason }), "");
}

const std::string kNotFound = "找不到这个文件，请检查名称和位置是否写对。";
const std::string kTooLarge = "文件太大，无法放入 MHT 文件。";

INSTANTIATE_TEST_SUITE_P(Table, FetchReasons,
    ::testing::Values(FetchCase { "status_404", "the server answered with status 404", kNotFound },
        FetchCase {
            "status_403", "the server answered with status 403", "对方不允许取得这个文件（状态 403）。" },
        FetchCase { "status_500", "the server answered with status 500",
            "对方没有提供这个文件（状态 500），请稍后重试。" },
        FetchCase { "missing_local_file", "No such file or directory", kNotFound },
        FetchCase {
            "refused", "Couldn't connect to server", "对方拒绝连接，请确认网址正确、网站可以访问后重试。" },
        FetchCase { "timed_out", "Timeout was reached", "等了很久也没有应答，请检查网络后重试。" },
        FetchCase { "unknown_host", "Couldn't resolve host name", "找不到这个网站，请检查网址是否写对。" },
        FetchCase { "fetcher_limit", "it is larger than the limit of 1073741824 bytes", kTooLarge },
        FetchCase { "archive_limit", "it is larger than the archive's limit of 100 MiB", kTooLarge },
        FetchCase { "document_limit",
            "it is larger than the 16 MiB the archive reads of a page or style sheet", kTooLarge },
        FetchCase { "not_a_picture", "it is not a picture", "这不是图片文件，没有放入。" },
        FetchCase { "nested",
            "it is nested deeper than the archive's limit of 16 levels, and so are 3 more references",
            "页面里框架或样式表嵌套的层数太多（超过 16 层），没有放入。另有 3 处引用也是如此。" },
        FetchCase { "too_many_parts", "the archive holds at most 10000 parts",
            "页面引用的文件太多，一个 MHT 文件最多放入 10000 个。" },
        FetchCase {
            "elsewhere", "it does not name a file on this computer", "它指向的不是这台电脑上的文件。" },
        FetchCase { "local_no_permission", "cannot open /srv/a.png: " + systemReason(EACCES),
            *commonErrorSentence(EACCES) },
        FetchCase { "anything_else", "SSL connect error", "无法取得这个文件（SSL connect error）。" }),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// A port on 127.0.0.1 that nothing listens on any more.
int closedPort()
{
    FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// The network library's words as it really gives them, so that a library that words them anew
// shows up here instead of as English in the export's list.
TEST(FetchReasons, TheFetchersRealResultsHaveSentencesOfTheirOwn)
{
    TempFolder dir;
    CurlFetcher::Limits limits;
    limits.connectTimeout = std::chrono::milliseconds(2000);
    limits.transferTimeout = std::chrono::milliseconds(300);
    limits.maxBytes = 4;
    CurlFetcher fetcher(limits);

    const auto sentenceOf = [&](const std::string& url) {
        const Result<FetchedResource> result = fetcher.fetch(url);
        EXPECT_FALSE(result.ok()) << url;
        return result ? std::string() : texts::fetchReasonSentence(result.error().message);
    };
    EXPECT_EQ(sentenceOf("file://" + (dir.path() / "missing.png").string()), kNotFound);
    EXPECT_EQ(sentenceOf("http://127.0.0.1:" + std::to_string(closedPort()) + "/a.png"),
        "对方拒绝连接，请确认网址正确、网站可以访问后重试。");

    inkwell::testing::writeFile(dir.path() / "big.png", "0123456789");
    EXPECT_EQ(sentenceOf("file://" + (dir.path() / "big.png").string()), kTooLarge);

    // A server that takes the connection and never answers.
    FileDescriptor silent(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent.get(), 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(silent.get(), reinterpret_cast<sockaddr*>(&address), &length);
    EXPECT_EQ(sentenceOf("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a.png"),
        "等了很久也没有应答，请检查网络后重试。");
}

// What the archive itself says of a resource it could not fetch, and of an archive it could not
// write, reaches the export's box in Chinese.
TEST(ExportTexts, TheArchivesOwnAccountsReadInChinese)
{
    TempFolder dir;
    const fs::path site = dir.path() / "站点";
    inkwell::testing::writeFile(
        site / "首页 1.html", "<img src=\"图片/猫.png\"><img src=\"file:///nowhere/dog.png\">");
    const std::string page = "file://" + (site / "首页 1.html").string();
    ArchiveOptions options;
    options.missing = MissingResources::RefuseArchive;
    options.trustedFolders = { dir.path(), "/nowhere" };
    const ArchiveResult incomplete = buildMhtArchive(page, dir.path() / "a.mht", options);
    ASSERT_EQ(incomplete.status, ArchiveResult::Status::Incomplete) << incomplete.error.message;
    std::vector<texts::MissingPart> missing;
    for (const auto& part : incomplete.notFetched)
        missing.push_back({ part.url, part.reason });
    const std::string text = texts::exportResourcesMissing(page, missing, {});
    EXPECT_EQ(text,
        "导出失败：以下资源无法取得，没有写入文件：\n图片/猫.png：" + kNotFound + "\n/nowhere/dog.png："
            + kNotFound);
    EXPECT_EQ(messageFault(text), "");

    const ArchiveResult unwritten = buildMhtArchive(page, dir.path() / "无此文件夹" / "a.mht", {});
    ASSERT_EQ(unwritten.status, ArchiveResult::Status::NotWritten);
    const fs::path target = dir.path() / "无此文件夹" / "a.mht";
    EXPECT_EQ(texts::exportNotWritten(target, unwritten.error.message),
        "导出失败：无法写入文件 " + target.string() + "，原有文件保持不变。\n"
            + *commonErrorSentence(ENOENT));

    const ArchiveResult notFetched
        = buildMhtArchive("file://" + (site / "无.html").string(), dir.path() / "b.mht", {});
    ASSERT_EQ(notFetched.status, ArchiveResult::Status::PageNotFetched);
    const fs::path document = site / "无.html";
    EXPECT_EQ(texts::exportPageNotFetched(document, notFetched.error.message),
        "导出失败：无法读取刚保存的页面 " + document.string() + "，没有写入文件。\n" + kNotFound);
}

TEST(ExportTexts, UrlsAndPathsAreShownAsTheUserWroteThem)
{
    EXPECT_EQ(texts::readableUrl("http://127.0.0.1:8889/tmp/%E5%9B%BE%20%E7%89%87.png"),
        "http://127.0.0.1:8889/tmp/图 片.png");
    EXPECT_EQ(texts::readableUrl("file:///home/u/%E7%8C%AB.png"), "/home/u/猫.png");
    EXPECT_EQ(texts::readableUrl("file://localhost/home/u/a%20b.png"), "/home/u/a b.png");

    const std::vector<texts::MissingPart> missing { { "http://127.0.0.1:8889/tmp/%E5%9B%BE/%E7%8C%AB.png",
                                                        "the server answered with status 404" },
        { "http://example.com/%E7%8B%97.png", "Couldn't resolve host name" } };
    EXPECT_EQ(texts::exportResourcesMissing(
                  "http://127.0.0.1:8889/tmp/%E9%A1%B5.html", missing, { "/home/u/猫.png" }),
        "导出失败：以下资源无法取得，没有写入文件：\n图/猫.png：" + kNotFound
            + "\nhttp://example.com/"
              "狗.png：找不到这个网站，请检查网址是否写对。\n另有以下本机文件不会放入 MHT "
              "文件：\n/home/u/猫.png");

    std::vector<std::string> many;
    for (int i = 0; i < 12; ++i)
        many.push_back("/a/" + std::to_string(i) + ".png");
    EXPECT_EQ(texts::listLines(many),
        "/a/0.png\n/a/1.png\n/a/2.png\n/a/3.png\n/a/4.png\n/a/5.png\n/a/6.png\n/a/7.png\n/a/8.png\n/a/"
        "9.png\n……");
}

// Every text the program can show, as the program composes it, with the names and system words
// that may stand in it as they are.
struct ShownCase
{
    const char* label;
    std::string text;
    std::vector<std::string> verbatim {};
};

std::vector<ShownCase> everyShownText()
{
    const fs::path file = "/home/用户/My Pages/project/首页/首页.html";
    const fs::path lock = "/run/user/1000/ssssssffffffffffddddddddd";
    const std::string io = systemReason(EIO);
    std::vector<ShownCase> all {
        { "unpack_first", texts::kUnpackFirst },
        { "lock_permission", texts::lockFailed(lock, Error { EACCES, "" }) },
        { "lock_not_a_file", texts::lockFailed(lock, Error { kNotARegularFile, "" }) },
        { "lock_other_user", texts::lockFailed(lock, Error { kLockOwnedByAnotherUser, "" }) },
        { "lock_other_error", texts::lockFailed(lock, Error { EIO, "" }), { io } },
        { "recovery_question", texts::kRecoveryQuestion },
        { "recovery_question_with_file", texts::recoveryQuestion(file), { file.string() } },
        { "recovery_incomplete", texts::recoveryDamaged("the copy is incomplete") },
        { "recovery_unreadable", texts::recoveryDamaged("cannot read /x/system/recovery.html") },
        { "recovery_other", texts::recoveryDamaged("the record of the copy is damaged") },
        { "recovery_copy_not_written", texts::recoveryCopyFailed(Error { EROFS, "" }, file.parent_path()),
            { file.parent_path().string() } },
        { "recovery_copy_not_written_other", texts::recoveryCopyFailed(Error { EIO, "" }, file.parent_path()),
            { io, file.parent_path().string() } },
        { "renderer_ended", texts::kRendererEnded },
        { "save_question", texts::kSaveQuestion },
        { "save_unreadable_page", std::string(texts::kSaveFailed) + "\n" + texts::kPageUnreadable },
        { "save_no_space", texts::saveFailed(Error { ENOSPC, "" }, file), { file.string() } },
        { "save_other", texts::saveFailed(Error { EIO, "" }, file), { io, file.string() } },
        { "open_missing", texts::openFailed(Error { ENOENT, "" }, file), { file.string() } },
        { "open_not_a_file", texts::openFailed(Error { kNotARegularFile, "" }, file), { file.string() } },
        { "open_not_a_page", texts::openFailed(Error { kNotAWebPage, "" }, file),
            { file.filename().string() } },
        { "picture_not_a_file", texts::pictureNotInserted(Error { kNotARegularFile, "" }, file),
            { file.string() } },
        { "preview_no_port", texts::previewRefused(texts::PreviewRefusal::NoPort, file) },
        { "preview_outside", texts::previewRefused(texts::PreviewRefusal::OutsideRunFolder, file),
            { file.string() } },
        { "pasted_picture_read_only", texts::pastedPictureNotSaved(Error { EACCES, "" }, file.parent_path()),
            { file.parent_path().string() } },
        { "pasted_picture_other", texts::pastedPictureNotSaved(Error { EIO, "" }, file.parent_path()),
            { io, file.parent_path().string() } },
        { "dropped_not_pictures", texts::droppedFilesNotPictures({ "/home/u/a b.txt", file.string() }),
            { "/home/u/a b.txt", file.string() } },
        { "page_files_question", texts::pageFilesQuestion(201, 123456789), { "MB" } },
        { "page_files_not_copied",
            texts::pageFilesNotCopied(
                { { "图/a b.png", texts::PageFileRefusal::Missing },
                    { "img/pipe.png", texts::PageFileRefusal::NotAFile },
                    { "图片", texts::PageFileRefusal::Folder },
                    { "../../etc/x.png", texts::PageFileRefusal::OutsideSite },
                    { "img/link.png", texts::PageFileRefusal::LinkOutside },
                    { "img/notes.png", texts::PageFileRefusal::NotAPicture },
                    { "css/big.css", texts::PageFileRefusal::TooLarge },
                    { "img/c.png", texts::PageFileRefusal::Unreadable, Error { EIO, "" } },
                    { "img/d.png", texts::PageFileRefusal::NotWritten, Error { ENOSPC, "" } },
                    { "img/e.png", texts::PageFileRefusal::AddressNotRewritable } },
                file.parent_path()),
            { "图/a b.png", io, file.parent_path().string() } },
        { "screen_not_readable", texts::kScreenNotReadable },
        { "clipboard_no_picture", texts::kClipboardHasNoPicture },
        { "capture_not_saved", texts::captureNotSaved(Error { EACCES, "" }, file.parent_path()),
            { file.parent_path().string() } },
        { "capture_not_saved_other", texts::captureNotSaved(Error { EIO, "" }, file.parent_path()),
            { io, file.parent_path().string() } },
        { "export_save_failed", texts::exportNotSaved(texts::saveFailureReason(Error { ENOSPC, "" }, file)),
            { file.string() } },
        { "export_page_unreadable", texts::exportNotSaved(texts::kPageUnreadable) },
        { "dropped_not_inserted",
            texts::droppedFilesNotInserted({ "/home/u/a b.txt" },
                { { file.string(), Error { EACCES, "" } }, { "/x/y.png", Error { EIO, "" } } }),
            { "/home/u/a b.txt", file.string(), io } },
        { "exported", texts::kExported },
        { "export_no_port", texts::kExportNoPort },
        { "exported_without_local_files", texts::exportedWithoutLocalFiles({ "/home/u/a b.png" }),
            { "/home/u/a b.png" } },
        { "export_missing",
            texts::exportResourcesMissing("http://127.0.0.1:8889/tmp/a.html",
                { { "http://127.0.0.1:8889/tmp/b.png", "Timeout was reached" } }, {}) },
        { "export_page_not_fetched",
            texts::exportPageNotFetched(file,
                "the page http://127.0.0.1:8889/tmp/a.html could not be fetched: the server answered with "
                "status 404"),
            { file.string() } },
        { "export_bad_url",
            texts::exportPageNotFetched(file, "\"x\" is not an http://, https:// or file:// URL"),
            { file.string() } },
        { "export_not_written",
            texts::exportNotWritten(
                file, "the archive " + file.string() + " could not be written: " + systemReason(EROFS)),
            { file.string() } },
        { "project_type", std::string(kNoProjectTypeChosen) },
        { "project_name", std::string(kNoProjectName) },
        { "project_name_invalid", std::string(kUnusableProjectName) },
        { "project_name_too_long", std::string(kProjectNameTooLong) },
        { "project_folder", projectFolderNotCreated(Error { EACCES, {} }, file.parent_path()),
            { file.parent_path().string() } },
        { "project_exists", std::string(kProjectExists) },
        { "project_missing",
            missingProjectText({ "My 主页", file, DocumentLocation { file.parent_path(), "首页" }, true }),
            { "My 主页", file.string() } },
        { "hint_title", kHintTitle },
        { "info_title", kInfoTitle },
    };
    for (const int code : { EACCES, ENOSPC, EROFS, ENOENT, ENAMETOOLONG, ELOOP, EISDIR, kNotARegularFile })
        all.push_back({ "error", texts::openFailed(Error { code, "" }, file), { file.string() } });
    return all;
}

TEST(EveryShownText, KeepsTheRuleOfTheProgramsTexts)
{
    for (const ShownCase& shown : everyShownText()) {
        SCOPED_TRACE(shown.label);
        EXPECT_EQ(messageFault(shown.text, shown.verbatim), "");
    }
}

// The question before a large site names its files and megabytes; the box afterwards one line per file.
TEST(PageFiles, QuestionAndListOfWhatWasNotCopied)
{
    EXPECT_EQ(texts::pageFilesQuestion(201, 123456789),
        "该页面引用了 201 个本地文件（117.7 MB），是否复制到文档文件夹？");
    EXPECT_EQ(texts::pageFilesQuestion(12, 100ULL * 1024 * 1024 + 1),
        "该页面引用了 12 个本地文件（100.0 MB），是否复制到文档文件夹？");
    EXPECT_EQ(texts::pageFilesNotCopied({ { "../a.png", texts::PageFileRefusal::OutsideSite },
                                            { "图/b.png", texts::PageFileRefusal::Missing } },
                  "/home/u/工程"),
        "页面已打开，但以下文件没有复制到文档文件夹，页面将找不到它们：\n"
        "../a.png：它不在网页所在的文件夹里，为安全起见没有复制。\n"
        "图/b.png：找不到这个文件，请检查名称和位置是否写对。\n"
        "需要时请把它们复制到文档文件夹 /home/u/工程 中。");
}

// The rule itself, so that a text that breaks it cannot pass for one that keeps it.
TEST(EveryShownText, TheRuleCatchesEnglishHalfWidthPunctuationAndInnerWords)
{
    EXPECT_EQ(messageFault("保存失败！\n磁盘空间不足，请清理后重试。"), "");
    EXPECT_EQ(messageFault("无法写入文件 /tmp/a b.html，原有文件保持不变。", { "/tmp/a b.html" }), "");
    EXPECT_EQ(messageFault("图/猫.png：状态 404。"), "");
    EXPECT_NE(messageFault("保存失败！\ncannot write /tmp/a: Permission denied"), "");
    EXPECT_NE(messageFault("保存成功!"), "");
    EXPECT_NE(messageFault("导出失败:无法写入"), "");
    EXPECT_EQ(messageFault("写入文件时出错（Input/output error）。"), "") << "the system's words";
    EXPECT_NE(messageFault("页面 OK"), "");
    EXPECT_NE(messageFault("Input/output error"), "") << "never alone";
    EXPECT_NE(messageFault("导出失败：无法从页面服务取得页面"), "");
    EXPECT_NE(messageFault("显示页面的进程意外结束"), "");
    EXPECT_NE(messageFault("此页面不在运行目录下，无法预览。"), "");
    EXPECT_NE(messageFault("锁文件 /run/x 无法使用。", { "/run/x" }), "");
    EXPECT_NE(messageFault("页面显示部分没有应答。"), "");
    EXPECT_NE(messageFault("请稍候再试一次。"), "");
    EXPECT_NE(messageFault("已保存，以下本机文件未放入文档："), "") << "the archive is no 文档";
    EXPECT_EQ(messageFault("已保存，以下本机文件未放入 MHT 文件：\n文档文件夹：/a", { "/a" }), "");
}

} // namespace
} // namespace inkwell
