// What the wizard's "新建" does to the files beside the program: checks the request, creates the
// project folder, records the project in the history and gives the new current document. Either
// all of that happens or, on a refusal, none of it.
#pragma once

#include "core/result.h"
#include "core/runfolder.h"
#include "document/documentlocation.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

struct ProjectRequest
{
    std::optional<DocumentKind> kind; // the chosen type; none when nothing is chosen
    std::string name; // the project name as typed; it names the folder and the document file
    std::string folder; // the parent folder; a relative one lies below the run folder
};

// A request that passed every check: the project it names, worked out before anything is touched.
struct ProjectPlan
{
    DocumentLocation document; // the current document once the project is created
    bool documentFileExists = false; // its file is there already, and the first Save would replace it
};

inline constexpr std::string_view kNoProjectTypeChosen = "您没有选中任何一种工程";
inline constexpr std::string_view kNoProjectName = "您没有输入工程名称，请重新输入";
inline constexpr std::string_view kUnusableProjectName
    = "工程名称不能含有“/”或无法显示的控制字符，也不能是“.”或“..”，请重新输入";
inline constexpr std::string_view kProjectNameTooLong = "工程名称太长，请重新输入";
// The first words of projectFolderNotCreated.
inline constexpr std::string_view kProjectFolderNotCreated = "无法创建工程文件夹“";
// The project's folder could not be made: the folder, and the system's reason in a sentence.
[[nodiscard]] std::string projectFolderNotCreated(const Error& error, const std::filesystem::path& folder);
// Asked, with "是" and "否", before a project is created over an existing document file.
inline constexpr std::string_view kProjectExists = "该工程已存在，继续将在保存时覆盖原有文件，是否继续？";

// A refusal below is an error whose message is the reason, to be shown in a "提示" box.

// Whether name can be a folder name: a name empty after trimming white space is refused as missing;
// "/" or a NUL, and "." or "..", would put the document somewhere other than a new folder of that name.
[[nodiscard]] Result<void> checkProjectName(std::string_view name);

// Checks request and works out the project's document, touching no file: the type and the name are
// checked, and a name too long for the document file's name in its folder is refused, since no Save
// could ever write the file. Whether that file exists already is for the caller to ask about.
[[nodiscard]] Result<ProjectPlan> checkProject(const RunFolder& runFolder, const ProjectRequest& request);

// Creates the planned project's folder (one level, inside an existing parent) and appends its
// document file's path and CR LF to the history under runFolder; gives the new current document. A
// history that cannot be written does not stop the project: it only lists projects, nothing reads it
// back.
[[nodiscard]] Result<DocumentLocation> createPlannedProject(
    const RunFolder& runFolder, const ProjectPlan& plan);

// checkProject, then createPlannedProject, asking nothing in between.
[[nodiscard]] Result<DocumentLocation> createProject(
    const RunFolder& runFolder, const ProjectRequest& request);

} // namespace inkwell
