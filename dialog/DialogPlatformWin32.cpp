// The dialog backend on Windows: the real dialog manager, GDI and the shell.
#include "dialog/DialogPlatform.h"
#include <shellapi.h>

namespace torvaDlg {
namespace platform {

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM lparam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && IsWindowEnabled(window))
        search->found->push_back(window);
    return TRUE;
}

}  // namespace

DlgResult RunModalDialog(DlgModule module, int templateId, DlgWindow owner, DlgLParam param)
{
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, &DialogProc, param);
}

void EndModalDialog(DlgWindow window, DlgResult result) { EndDialog(window, result); }

void SetWindowTextOf(DlgWindow window, const char* text)
{
    if (window) SetWindowTextA(window, text ? text : "");
}

DlgWindow DialogItem(DlgWindow dialog, int id) { return dialog ? GetDlgItem(dialog, id) : nullptr; }

void SetWindowEnabled(DlgWindow window, bool enabled)
{
    if (window) EnableWindow(window, enabled ? TRUE : FALSE);
}

void SetWindowShown(DlgWindow window, bool shown)
{
    if (window) ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
}

DlgWindow ParentOf(DlgWindow window) { return window ? GetParent(window) : nullptr; }

bool WindowRectOf(DlgWindow window, DlgRect& rect)
{
    return window && GetWindowRect(window, &rect);
}

bool CursorMonitorRect(DlgRect& rect)
{
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return false;
    const RECT probe{cursor.x, cursor.y, cursor.x + 1, cursor.y + 1};
    HMONITOR monitor = MonitorFromRect(&probe, MONITOR_DEFAULTTONULL);
    if (!monitor) return false;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return false;
    rect = info.rcMonitor;
    return true;
}

void MoveWindowTo(DlgWindow window, int x, int y, int width, int height)
{
    if (window) MoveWindow(window, x, y, width, height, TRUE);
}

std::vector<DlgWindow> VisibleEnabledProcessWindows()
{
    std::vector<HWND> found;
    WindowSearch search{GetCurrentProcessId(), &found};
    EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return found;
}

void RegisterLinkControlClass()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LINK_CLASS;
    InitCommonControlsEx(&controls);
}

void OpenAddress(const char* address)
{
    if (address && *address) ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOW);
}

DlgBitmap LoadBitmapResource(DlgModule module, int id)
{
    return static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void DeleteBitmap(DlgBitmap bitmap)
{
    if (bitmap) DeleteObject(bitmap);
}

void DrawBitmapStretched(DlgBitmap bitmap, const DlgDrawItem& item)
{
    if (!bitmap || !item.hDC) return;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info)) return;
    HDC memory = CreateCompatibleDC(item.hDC);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);  // HALFTONE stretching needs the brush origin reset
    const RECT& r = item.rcItem;
    StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

}  // namespace platform
}  // namespace torvaDlg
