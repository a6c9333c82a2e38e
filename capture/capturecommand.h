// The two capture commands of the main window: capture mode, then the picture written as a
// BMP file into the document folder and inserted into the page.
#pragma once

#include "core/messageservice.h"

#include <QString>
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
    QString documentFolder; // the current document's folder
    std::function<std::string()> timeStampName; // a new name for every capture
    std::function<void(const QString& picturePath)> insertImage; // the design view's insertImage
    // The design view's pasteHtml. A picture from a scaled screen is pasted with width and
    // height of the selection's logical size through it, so that it shows as large as it
    // was selected; without it such a picture goes through insertImage, unsized.
    std::function<void(const QString& html)> pasteHtml {};
    // The command's boxes; null: QMessageBox boxes over the main window.
    MessageService* messages = nullptr;
};

// The whole command. With MinimiseFirst the main window is minimised and the screen frozen
// only once it is really hidden (or after a bounded wait); it is restored after the output
// steps, and stays minimised when the run is cancelled. Failures of the output steps are
// reported in a "提示" box.
void runCaptureCommand(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& ctx);

// The output steps alone, for a picture already on the clipboard, taken from a screen of
// `ratio` device pixels per logical pixel: the written file's path, after the picture was
// inserted; nothing (and no insert) when the clipboard holds no picture or the file could
// not be written. At ratio 1 the insert is insertImage with the path, as it always was.
[[nodiscard]] std::optional<QString> runCaptureOutputSteps(
    const CaptureOutputContext& ctx, qreal ratio = 1.0);

// Minimises the window and waits until the desktop no longer shows it, at most `maxMs`.
// True when it was seen hidden in time.
bool minimiseAndWaitHidden(QWidget* window, int maxMs);

} // namespace inkwell
