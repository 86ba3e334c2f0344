// The window-system vocabulary the dialog code speaks.  On Windows these are the real
// Win32 types; elsewhere the dialog backend (DialogPlatformPosix.cpp) defines windows of
// its own with the same message numbers, so the dialog logic is the same code on both.
#pragma once
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

namespace torvaDlg {
using DlgWindow = HWND;
using DlgModule = HINSTANCE;
using DlgBitmap = HBITMAP;
using DlgWParam = WPARAM;
using DlgLParam = LPARAM;
using DlgResult = INT_PTR;
using DlgMessage = UINT;
using DlgNotifyHeader = NMHDR;
using DlgDrawItem = DRAWITEMSTRUCT;
using DlgRect = RECT;
}  // namespace torvaDlg

#else

namespace torvaDlg {
struct PosixWindow;   // defined by the backend
struct PosixBitmap;   // defined by the backend
using DlgWindow = PosixWindow*;
using DlgModule = void*;
using DlgBitmap = PosixBitmap*;
using DlgWParam = std::uintptr_t;
using DlgLParam = std::intptr_t;
using DlgResult = std::intptr_t;
using DlgMessage = unsigned int;

struct DlgRect {
    long left, top, right, bottom;
};

// The header of a control notification (the fields of Win32's NMHDR).
struct DlgNotifyHeader {
    DlgWindow hwndFrom;
    std::uintptr_t idFrom;
    unsigned int code;
};

// What an owner-drawn control is to be drawn into (the fields of Win32's DRAWITEMSTRUCT
// the dialog uses).
struct DlgDrawItem {
    unsigned int CtlType;
    unsigned int CtlID;
    unsigned int itemID;
    unsigned int itemAction;
    unsigned int itemState;
    DlgWindow hwndItem;
    void* hDC;
    DlgRect rcItem;
    std::uintptr_t itemData;
};
}  // namespace torvaDlg

#endif

namespace torvaDlg {

// Window messages the dialog procedure routes (the Win32 numbers).
constexpr DlgMessage kMsgDestroy = 0x0002;
constexpr DlgMessage kMsgPaint = 0x000F;
constexpr DlgMessage kMsgClose = 0x0010;
constexpr DlgMessage kMsgDrawItem = 0x002B;
constexpr DlgMessage kMsgNotify = 0x004E;
constexpr DlgMessage kMsgInitDialog = 0x0110;
constexpr DlgMessage kMsgCommand = 0x0111;
constexpr DlgMessage kMsgUserFirst = 0x8000;  // WM_APP
constexpr DlgMessage kMsgUserLast = 0xBFFF;

// Notification code of a click on a link control (NM_CLICK).
constexpr unsigned int kNotifyClick = 0u - 2u;
// Button notification of a click (BN_CLICKED).
constexpr unsigned int kButtonClicked = 0;

// Standard control ids of a dialog.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

#ifdef _WIN32
static_assert(kMsgDestroy == WM_DESTROY && kMsgPaint == WM_PAINT && kMsgClose == WM_CLOSE &&
                  kMsgDrawItem == WM_DRAWITEM && kMsgNotify == WM_NOTIFY &&
                  kMsgInitDialog == WM_INITDIALOG && kMsgCommand == WM_COMMAND &&
                  kMsgUserFirst == WM_APP,
              "message numbers");
static_assert(kNotifyClick == static_cast<unsigned int>(NM_CLICK), "NM_CLICK");
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL, "dialog ids");
#endif

}  // namespace torvaDlg
