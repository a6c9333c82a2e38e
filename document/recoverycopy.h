// The copy of a page with unsaved changes kept in the settings folder, so that a crash, a kill or a
// logout does not take the user's work with it: the page as UTF-8 beside a small INI record of the
// document it belongs to.
#pragma once

#include "document/documentlocation.h"
#include "core/runfolder.h"
#include "core/result.h"
#include "document/textencoding.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace inkwell {

// A page read back from a recovery copy, with the document it belongs to.
struct RecoveredPage
{
    DocumentLocation document;
    TextEncoding encoding = TextEncoding::Gb18030;
    std::string html; // UTF-8
};

struct [[nodiscard]] RecoveryReadResult
{
    enum class Status
    {
        None, // no copy was kept
        Found,
        Damaged, // a copy is there but cannot be used; the reason says why
    };
    Status status = Status::None;
    RecoveredPage page;
    std::string reason;
};

// Writes may come from a worker thread while the window removes the copy: a write asked for before a
// removal never lands after it.
class RecoveryCopy
{
public:
    // The copy's two files live in the run folder's "system" folder.
    explicit RecoveryCopy(const RunFolder& runFolder);
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    [[nodiscard]] const std::filesystem::path& pagePath() const { return m_pagePath; }
    [[nodiscard]] const std::filesystem::path& recordPath() const { return m_recordPath; }

    // Taken when a write is decided on; the write is dropped if the copy was removed since.
    [[nodiscard]] std::uint64_t generation() const;

    // Replaces the copy atomically: first its record, then the page, both readable by the owner alone.
    [[nodiscard]] Result<void> write(const DocumentLocation& document, TextEncoding encoding, std::string_view html,
        std::uint64_t generation);
    [[nodiscard]] Result<void> write(const DocumentLocation& document, TextEncoding encoding, std::string_view html);

    [[nodiscard]] bool exists() const;
    // Found only when both files are regular files, the page is UTF-8 and the record names a document
    // this program could have: in the run folder's "tmp" or a project's folder (see isOwnDocumentFolder),
    // a single file name, kind 0 or 1 and an encoding by the name this program writes. Else Damaged.
    [[nodiscard]] RecoveryReadResult read() const;
    // Removes both files; writes decided on before are dropped.
    void remove();

private:
    RunFolder m_runFolder;
    std::filesystem::path m_pagePath;
    std::filesystem::path m_recordPath;
    mutable std::mutex m_mutex;
    std::uint64_t m_generation = 0;
};

} // namespace inkwell
