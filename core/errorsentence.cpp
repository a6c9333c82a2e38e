#include "core/errorsentence.h"

#include "core/regularfile.h"

#include <array>
#include <cerrno>

namespace inkwell {
namespace {

// The errors every file operation can meet, in the order the sentences are looked up.
constexpr std::array kCommonCodes = { EACCES, EPERM, ENOSPC, EDQUOT, EFBIG, EROFS, ENOENT, ENOTDIR,
    ENAMETOOLONG, ELOOP, EMLINK, EISDIR, kNotARegularFile, kPrivateFileIsALink };

std::string_view actionPhrase(FileAction action)
{
    switch (action) {
    case FileAction::Read:
        return "读取文件时出错";
    case FileAction::Write:
        return "写入文件时出错";
    case FileAction::Use:
        break;
    }
    return "使用文件时出错";
}

} // namespace

std::optional<std::string> commonErrorSentence(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return "没有权限使用这个文件或它所在的文件夹，请检查权限，或换一个文件夹后重试。";
    case ENOSPC:
    case EDQUOT:
        return "磁盘空间不足，请清理后重试。";
    case EFBIG:
        return "文件超出了系统允许的大小，请删减内容，或换一个位置后重试。";
    case EROFS:
        return "这个位置只能读取、不能写入，请换一个文件夹后重试。";
    case ENOENT:
    case ENOTDIR:
        return "文件或文件夹不存在，请检查路径后重试。";
    case ENAMETOOLONG:
        return "文件名或路径太长，请换一个短一些的名称后重试。";
    case ELOOP:
    case EMLINK:
        return "路径中的链接太多或互相指向，请检查路径中的链接后重试。";
    case EISDIR:
        return "这是一个文件夹，不是文件，请选择一个文件。";
    case kNotARegularFile:
        return "这不是普通的文件（可能是设备、管道或套接字），请选择一个普通文件。";
    case kPrivateFileIsALink:
        return "程序自己的文件被换成了指向别处的链接，为保护链接指向的文件，没有写入；请删除这个链接后重试。";
    default:
        return std::nullopt;
    }
}

std::string errorSentence(const Error& error, FileAction action)
{
    if (auto sentence = commonErrorSentence(error.code))
        return std::move(*sentence);
    std::string sentence(actionPhrase(action));
    // The system's own words, without the program's English lead-in when the message has one.
    std::string words = error.code != 0 ? systemReason(error.code) : error.message;
    if (words.empty())
        return sentence + "。";
    return sentence + "（" + words + "）。";
}

int commonErrorCodeOfText(std::string_view text)
{
    for (const int code : kCommonCodes) {
        const std::string words = systemReason(code);
        if (!words.empty() && text.ends_with(words))
            return code;
    }
    return 0;
}

} // namespace inkwell
