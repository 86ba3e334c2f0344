// The window-system services the dialog logic needs, one thin function each.
// DialogPlatformWin32.cpp implements them with the Win32 API; DialogPlatformPosix.cpp
// with windows of its own that are shown on a terminal or driven by a script.
#pragma once
#include <vector>
#include "dialog/DialogTypes.h"

#ifdef _WIN32
#define TORVA_DLG_CALLBACK CALLBACK
#else
#define TORVA_DLG_CALLBACK
#endif

namespace torvaDlg {

// The dialog procedure every DialogBase dialog shares (dialog/DialogBase.cpp).
DlgResult TORVA_DLG_CALLBACK DialogProc(DlgWindow window, DlgMessage message, DlgWParam wparam,
                                        DlgLParam lparam);

namespace platform {

// Runs the dialog of template `templateId` in `module` modally over `owner`, routing its
// messages to DialogProc with `param` as the WM_INITDIALOG parameter.  Returns the end
// code, or -1 when the dialog cannot be created.
DlgResult RunModalDialog(DlgModule module, int templateId, DlgWindow owner, DlgLParam param);
// Ends a running modal dialog with `result`.
void EndModalDialog(DlgWindow window, DlgResult result);

void SetWindowTextOf(DlgWindow window, const char* text);
// The control `id` of a dialog, or null.
DlgWindow DialogItem(DlgWindow dialog, int id);
void SetWindowEnabled(DlgWindow window, bool enabled);
void SetWindowShown(DlgWindow window, bool shown);

// The window's parent (for a dialog: its owner), or null.
DlgWindow ParentOf(DlgWindow window);
// Screen rectangle of a window.  False when it cannot be had.
bool WindowRectOf(DlgWindow window, DlgRect& rect);
// Full rectangle of the monitor that contains the cursor.  False when there is none.
bool CursorMonitorRect(DlgRect& rect);
// Moves and sizes a window (screen coordinates), repainting it.
void MoveWindowTo(DlgWindow window, int x, int y, int width, int height);

// Every top-level window of this process that is visible and enabled.
std::vector<DlgWindow> VisibleEnabledProcessWindows();

// Registers the common-control class of link controls.
void RegisterLinkControlClass();
// Opens a web address with the desktop's opener ("open" verb).
void OpenAddress(const char* address);

// The bitmap resource `id` of `module`, or null.
DlgBitmap LoadBitmapResource(DlgModule module, int id);
void DeleteBitmap(DlgBitmap bitmap);
// Draws the whole bitmap stretched into the item's rectangle (halftone stretching).
void DrawBitmapStretched(DlgBitmap bitmap, const DlgDrawItem& item);

}  // namespace platform
}  // namespace torvaDlg
