// The one table from a control of the main window and its event to the command it runs.
#pragma once

#include <span>

namespace inkwell {

class MainWindow;

enum class ControlEvent
{
    Click, // a button was clicked
    ItemChosen, // the user chose an item of a combo box (not a change made by the program)
};

struct CommandBinding
{
    const char* control; // object name of the control
    ControlEvent event;
    void (*command)(MainWindow&);
};

[[nodiscard]] std::span<const CommandBinding> CommandMap();

// Connects every row of the table to the window's controls.
void BindCommands(MainWindow& window);

// Ctrl+S, Ctrl+O and Ctrl+N run Save, Open and New as their buttons do, and F12 shows the page in the
// user's browser, wherever the focus is in the main window; over a dialog or capture mode, which are
// windows of their own, they do nothing.
void BindFileKeys(MainWindow& window);

} // namespace inkwell
