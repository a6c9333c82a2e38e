// What the wizard's "新建" does to the files beside the program: checks the request, creates the
// project folder, records the project in the history and gives the new current document. Either
// all of that happens or, on a refusal, none of it.
#pragma once

#include "app/document.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

struct ProjectRequest
{
    std::optional<int>
        type; // position of the chosen type, 0 HTML page, 1 style sheet; none when nothing is chosen
    std::string name; // the project name as typed; it names the folder and the document file
    std::string folder; // the parent folder; a relative one lies below the run folder
};

struct [[nodiscard]] ProjectCreation
{
    std::optional<DocumentState> document; // the new current document when the project was created
    std::string refusal; // otherwise the reason, to be shown in a "提示" box

    [[nodiscard]] bool created() const { return document.has_value(); }
};

namespace projectmessages {
inline constexpr std::string_view NoTypeChosen = "您没有选中任何一种工程";
inline constexpr std::string_view NoName = "您没有输入工程名称，请重新输入";
inline constexpr std::string_view UnusableName = "工程名称不能含有“/”或空字符，也不能是“.”或“..”，请重新输入";
inline constexpr std::string_view NameTooLong = "工程名称太长，请重新输入";
// Followed by the folder's path and FolderNotCreatedTail.
inline constexpr std::string_view FolderNotCreated = "无法创建工程目录“";
inline constexpr std::string_view FolderNotCreatedTail = "”，请确认上级目录存在并且可以写入";
} // namespace projectmessages

// The message refusing name, or none when the name can be a folder name: a name empty after
// trimming white space is refused as missing; "/" or a NUL, and "." or "..", would put the document
// somewhere other than a new folder of that name.
[[nodiscard]] std::optional<std::string> ProjectNameRefusal(std::string_view name);

// Creates the project folder (one level, inside an existing parent) and appends its document
// file's path and CR LF to the history under runFolder. A name too long for the document file's
// name in that folder is refused, since no Save could ever write the file. A history that cannot be written
// does not stop the project: it only lists projects, nothing reads it back.
ProjectCreation CreateProject(const std::filesystem::path& runFolder, const ProjectRequest& request);

} // namespace inkwell
