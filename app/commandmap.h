// The one table of the main window's toolbar buttons: where each sits, its tooltip, its picture and the
// command its click runs; and the keys that run file commands.
#pragma once

#include "app/mainwindowlayout.h"

#include <span>

namespace inkwell {

class MainWindow;

// The three strips above the tab control.
enum class Strip
{
    File, // 图片框2
    Format, // 图片框1
    Capture, // 图片框3
};

enum class ButtonKind
{
    Push,
    Toggle, // pressed while the caret's text has the format (see MainWindow::showCaretFormat)
};

struct ToolbarButton
{
    const char* name; // object name of the button
    Strip strip;
    LayoutRect geometry; // pixels in its strip; most buttons are 22 x 22
    const char* tooltip; // the command, with its key where it has one
    const char* icon; // a name of the icon theme, or a resource path of our own drawings (":/...")
    void (*command)(MainWindow&); // run by a click
    ButtonKind kind = ButtonKind::Push;
};

[[nodiscard]] std::span<const ToolbarButton> toolbarButtons();

// Ctrl+S, Ctrl+O and Ctrl+N run Save, Open and New as their buttons do, and F12 shows the page in the
// user's browser, wherever the focus is in the main window; over a dialog or capture mode, which are
// windows of their own, they do nothing.
void bindFileKeys(MainWindow& window);

} // namespace inkwell
