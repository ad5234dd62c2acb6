#pragma once

#include "SequenceRuns.h"

// The same sequences once more through the program's windows (main window, date and time
// window) with the whole program on a simulated gauge.
namespace WindowRuns
{
enum class Window {
    Read,     // the information window's read button
    Upload,   // the information window's probe upload from a PC folder
    Factory,  // the information window's factory overwrite
    Transfer, // the main window's language-file transfer
    Reset,    // the main window's memory reset, answered Yes
    Time,     // the date and time window: polling, the set button
};
QList<Window> all();
QString name(Window window);
// Command k counts from the first command the window sends after the connection.
RunOutcome run(Window window, int k, SimFault fault);
} // namespace WindowRuns
