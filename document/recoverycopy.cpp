#include "document/recoverycopy.h"

#include "document/ownfolders.h"
#include "core/atomicfile.h"
#include "core/inifile.h"
#include "core/readfile.h"

#include <optional>

namespace inkwell {
namespace {

constexpr std::string_view kSection = "恢复";
constexpr std::string_view kFolderKey = "文件夹";
constexpr std::string_view kNameKey = "名称";
constexpr std::string_view kKindKey = "类型";
constexpr std::string_view kEncodingKey = "编码";

// Only the kinds a project can have, as this program writes them.
std::optional<DocumentKind> parseKind(std::string_view text)
{
    if (text == "0")
        return DocumentKind::Html;
    if (text == "1")
        return DocumentKind::StyleSheet;
    return std::nullopt;
}

// Only the names this program writes for an encoding: a label it would read but never writes is not
// from one of its records.
std::optional<TextEncoding> parseEncoding(std::string_view text)
{
    const auto encoding = encodingFromLabel(text);
    if (!encoding || encodingName(*encoding) != text)
        return std::nullopt;
    return encoding;
}

// A document name is the last part of one path: the file goes into the recorded folder and nowhere
// else.
bool isSingleFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

} // namespace

RecoveryCopy::RecoveryCopy(const RunFolder& runFolder)
    : m_runFolder(runFolder)
    , m_pagePath(runFolder.recoveryPageFile())
    , m_recordPath(runFolder.recoveryRecordFile())
{
}

std::uint64_t RecoveryCopy::generation() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

Result<void> RecoveryCopy::write(
    const DocumentLocation& document, TextEncoding encoding, std::string_view html)
{
    return write(document, encoding, html, generation());
}

Result<void> RecoveryCopy::write(
    const DocumentLocation& document, TextEncoding encoding, std::string_view html, std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return {}; // the page was saved or discarded meanwhile; this copy is no longer wanted
    // The record goes first and the page after it, so that a page on disk always has its record:
    // a run killed between the two leaves a record alone (nothing of the page was copied yet) or a
    // new record beside the previous page, never a page that the next start must call damaged.
    // The whole record in one replacement, so that a reader never sees half of an old and half of a
    // new one. A line break cannot be held in a settings value; such a folder has no copy.
    const std::string folder = document.folder.string();
    if (folder.find_first_of("\r\n") != std::string::npos
        || document.name.find_first_of("\r\n") != std::string::npos)
        return Error { 0, "the document's path cannot be recorded" };
    std::string record;
    record.append("[").append(kSection).append("]\n");
    record.append(kFolderKey).append("=").append(folder).append("\n");
    record.append(kNameKey).append("=").append(document.name).append("\n");
    record.append(kKindKey).append("=").append(std::to_string(static_cast<int>(document.kind))).append("\n");
    record.append(kEncodingKey).append("=").append(encodingName(encoding)).append("\n");
    // Both hold unsaved work: other users of a shared run folder must not read them.
    if (auto result = writeFileAtomically(recordPath(), record, FileAccess::OwnerOnly); !result.ok())
        return result;
    return writeFileAtomically(pagePath(), html, FileAccess::OwnerOnly);
}

bool RecoveryCopy::exists() const
{
    std::error_code ec;
    return std::filesystem::exists(pagePath(), ec) || std::filesystem::exists(recordPath(), ec);
}

RecoveryReadResult RecoveryCopy::read() const
{
    std::lock_guard lock(m_mutex);
    std::error_code ec;
    const bool hasPage = std::filesystem::exists(pagePath(), ec);
    const bool hasRecord = std::filesystem::exists(recordPath(), ec);
    if (!hasPage && !hasRecord)
        return {};
    RecoveryReadResult result;
    result.status = RecoveryReadResult::Status::Damaged;
    if (!hasPage || !hasRecord) {
        result.reason = "the copy is incomplete";
        return result;
    }

    // The page was written as UTF-8 by this program, whatever charset it declares; bytes that are not
    // UTF-8 are not a copy it made.
    Result<std::string> read = readFile(pagePath());
    if (!read) {
        result.reason = "cannot read " + pagePath().string();
        return result;
    }
    std::string html = std::move(*read);
    if (!isValidUtf8(html)) {
        result.reason = "the copied page is not UTF-8 text";
        return result;
    }

    // The record says where a Save of the recovered page writes. Only what this program would have
    // written is taken: a folder of its own, one file name and a kind and encoding it knows. Anything
    // else, whoever wrote it, would send the page somewhere the user never chose.
    if (Result<std::string> bytes = readFile(recordPath()); !bytes) {
        result.reason = "cannot read " + recordPath().string();
        return result;
    }
    const IniFile record(recordPath());
    const std::string folder = record.read(kSection, kFolderKey, "");
    const std::string name = record.read(kSection, kNameKey, "");
    const auto kind = parseKind(record.read(kSection, kKindKey, ""));
    const auto encoding = parseEncoding(record.read(kSection, kEncodingKey, ""));
    if (folder.empty() || !isSingleFileName(name) || !kind || !encoding) {
        result.reason = "the record of the copy is damaged";
        return result;
    }
    if (!isOwnDocumentFolder(m_runFolder, folder)) {
        result.reason = "the record of the copy names a folder the program does not use";
        return result;
    }
    result.status = RecoveryReadResult::Status::Found;
    result.page = { DocumentLocation { folder, name, *kind }, *encoding, std::move(html) };
    return result;
}

void RecoveryCopy::remove()
{
    std::lock_guard lock(m_mutex);
    ++m_generation;
    std::error_code ec;
    std::filesystem::remove(pagePath(), ec);
    std::filesystem::remove(recordPath(), ec);
}

} // namespace inkwell
