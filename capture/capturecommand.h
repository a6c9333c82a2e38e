// The two capture commands of the main window: capture mode, then the picture written as a
// BMP file into the document folder and inserted into the page.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

enum class CaptureEntry
{
    MinimiseFirst, // 超级按钮_截图: the editor gets out of the way first
    KeepWindow, // 超级按钮_全截图
};

struct CaptureOutputContext
{
    QString documentFolder; // the current document's folder
    std::function<std::string()> timeStampName; // a new name for every capture
    std::function<void(const QString& picturePath)> insertImage; // the design view's InsertImage
};

// The whole command. With MinimiseFirst the main window is minimised and the screen frozen
// only once it is really hidden (or after a bounded wait); it is restored after the output
// steps, and stays minimised when the run is cancelled. Failures of the output steps are
// reported in a "提示" box.
void RunCaptureCommand(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& ctx);

// The output steps alone, for a picture already on the clipboard: the written file's path,
// after InsertImage has been called with it; nothing (and no insert) when the clipboard holds
// no picture or the file could not be written.
[[nodiscard]] std::optional<QString> RunCaptureOutputSteps(const CaptureOutputContext& ctx);

// Minimises the window and waits until the desktop no longer shows it, at most `maxMs`.
// True when it was seen hidden in time.
bool MinimiseAndWaitHidden(QWidget* window, int maxMs);
