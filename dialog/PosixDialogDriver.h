// Control of the portable dialog backend, for tests and tools (not built on Windows).
//
// A modal dialog is answered from one of these, in this order:
//   1. a script set with SetDialogScript (in this process),
//   2. the environment variable TONEDOT_DIALOG_SCRIPT (for a host that loads the library),
//   3. an interactive prompt when standard input is a terminal.
// With none of them the dialog cannot be created (the run answers -1, as Win32 does).
//
// A script is a list of steps separated by blanks or commas:
//   <control id>  click that control (a link control gets a click notification; a disabled
//                 or hidden control ignores the click, as a window system does),
//   esc           the Escape key (command IDCANCEL),
//   close         the window's close box,
//   fail          the dialog cannot be created.
// When the steps run out while the dialog is still open, it is closed with the close box.
//
// What the dialog showed and did is written to a transcript, one line per fact; it is kept
// in memory (TakeDialogTranscript) and also appended to the file named by the environment
// variable TONEDOT_DIALOG_TRANSCRIPT when that is set.  Lines:
//   dialog <template id> caption "<text>" at <x>,<y> size <w>,<h>
//   control <id> "<text>" enabled|disabled shown|hidden
//   click <id> | click <id> ignored | esc | close
//   open "<address>"
//   end <code>
#pragma once
#ifndef _WIN32
#include <string>
#include <vector>
#include "dialog/DialogTypes.h"

namespace torvaDlg {
namespace posix {

void SetDialogScript(const std::string& script);
void ClearDialogScript();

// The transcript lines written since the last call, oldest first.
std::vector<std::string> TakeDialogTranscript();

// Top-level windows of this process, standing in for the host's own windows.
DlgWindow CreateTopLevelWindow(const DlgRect& rect, bool visible, bool enabled);
// True while a window of this backend is enabled.
bool WindowEnabled(DlgWindow window);
void DestroyTopLevelWindow(DlgWindow window);

// The screen the cursor is on (1920 x 1080 at 0, 0 unless set).
void SetCursorMonitorRect(const DlgRect& rect);

// How often the link control class has been registered in this process.
int LinkControlClassRegistrations();

}  // namespace posix
}  // namespace torvaDlg
#endif
