#include "projects/historyrows.h"

#include <set>
#include <system_error>

namespace inkwell {
namespace {

// A number no project type has: DocumentLocation adds no extension for it.
constexpr auto kKindWithoutExtension = static_cast<DocumentKind>(-1);

DocumentLocation locationOf(const std::filesystem::path& file)
{
    const std::string extension = file.extension().string();
    for (const DocumentKind kind : { DocumentKind::Html, DocumentKind::StyleSheet }) {
        if (extension == extensionOfKind(kind))
            return { file.parent_path(), file.stem().string(), kind };
    }
    return { file.parent_path(), file.filename().string(), kKindWithoutExtension };
}

} // namespace

std::vector<HistoryRow> historyRows(const std::vector<std::string>& entries,
    const std::filesystem::path& runFolder,
    const std::function<bool(const std::filesystem::path&)>& fileExists)
{
    std::vector<HistoryRow> rows;
    std::set<std::filesystem::path> seen;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        std::filesystem::path file(*entry);
        if (file.is_relative())
            file = runFolder / file;
        file = file.lexically_normal();
        // An entry ending in "/" (or empty) names a folder, never a project's file.
        if (entry->empty() || !file.has_filename() || !seen.insert(file).second)
            continue;
        HistoryRow row;
        row.file = file;
        row.document = locationOf(file);
        row.name = row.document.kind == kKindWithoutExtension ? row.document.name : file.stem().string();
        row.missing = !fileExists(file);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string missingProjectText(const HistoryRow& row)
{
    return "无法打开工程“" + row.name + "”：它的文件已不存在，可能已被移动或删除。\n文件："
        + row.file.string();
}

bool projectFileExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace inkwell
