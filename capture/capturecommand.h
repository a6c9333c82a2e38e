// The two capture commands of the main window: capture mode, then the picture written as a
// BMP file into the document folder and inserted into the page.
#pragma once

#include "core/messageservice.h"
#include "core/result.h"

#include <QSize>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace inkwell {

enum class CaptureEntry
{
    MinimiseFirst, // 超级按钮_截图: the editor gets out of the way first
    KeepWindow, // 超级按钮_全截图
};

struct CaptureOutputContext
{
    // The command's boxes.
    MessageService& messages;
    std::filesystem::path documentFolder; // the current document's folder
    std::function<std::string()> timeStampName {}; // a new name for every capture
    // The design view's insertImage. A picture from a scaled screen comes with the selection's
    // logical size, so that it shows as large as it was selected; at ratio 1 it comes without one.
    std::function<void(const std::filesystem::path& picture, std::optional<QSize> logicalSize)> insertImage {};
};

// The whole command. With MinimiseFirst the main window is minimised and the screen frozen
// only once it is really hidden (or after a bounded wait); it is restored after the output
// steps, and stays minimised when the run is cancelled. Failures of the output steps are
// reported in a "提示" box.
void runCaptureCommand(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& output);

// The output steps alone, for a picture already on the clipboard, taken from a screen of
// `ratio` device pixels per logical pixel: the written file's path, after the picture was
// inserted; an error (and no insert) when the clipboard holds no picture or the file could
// not be written.
[[nodiscard]] Result<std::filesystem::path> runCaptureOutputSteps(
    const CaptureOutputContext& output, qreal ratio = 1.0);

// Minimises the window and waits until the desktop no longer shows it, at most `maxMs`.
// True when it was seen hidden in time.
bool minimiseAndWaitHidden(QWidget* window, int maxMs);

} // namespace inkwell
