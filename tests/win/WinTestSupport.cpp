#include "WinTestSupport.h"

#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "PngFile.h"

namespace WinTest {

std::string AppDataFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

std::string VendorFolder() { return AppDataFolder() + "\\TORVA"; }
std::string SettingsFolder() { return VendorFolder() + "\\InkPanel"; }
std::string SettingsFile() { return SettingsFolder() + "\\T_Tonedot.ini"; }

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out);
}

namespace {

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

SettingsFolderGuard::SettingsFolderGuard() {
    const std::string vendor = VendorFolder();
    if (FolderExists(vendor)) {
        aside_ = vendor + ".test-aside";
        RemoveTree(aside_);
        if (!MoveFileA(vendor.c_str(), aside_.c_str())) aside_.clear();
    }
    RemoveTree(vendor);
}

SettingsFolderGuard::~SettingsFolderGuard() {
    RemoveVendorTree();
    if (!aside_.empty()) MoveFileA(aside_.c_str(), VendorFolder().c_str());
}

void SettingsFolderGuard::RemoveVendorTree() { RemoveTree(VendorFolder()); }

std::string TestOutputFolder() {
    std::string folder = TONEDOT_TEST_OUTPUT_DIR;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// ---- dialogs ------------------------------------------------------------------------------

std::string WindowText(HWND window) {
    char text[1024] = {};
    // WM_GETTEXT, also across threads.
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

void Press(HWND button) {
    // BM_CLICK sends the button's own WM_LBUTTONDOWN/UP and the dialog its WM_COMMAND; a
    // sent (not posted) message returns once the dialog thread has handled it.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
}

bool PressToEnd(HWND dialog, int id) {
    Press(GetDlgItem(dialog, id));
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(50);
    return !IsWindow(dialog);
}

namespace {

struct FindDialog {
    std::string caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<FindDialog*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    if (ClassOf(window) != "#32770") return TRUE;
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));  // direct read of the caption, no message
    if (find->caption == text) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

DialogDriver::DialogDriver(std::string caption, Script script, DWORD timeoutMs)
    : caption_(std::move(caption)), script_(std::move(script)), timeoutMs_(timeoutMs),
      thread_([this] { Run(); }) {}

DialogDriver::~DialogDriver() { Finish(); }

bool DialogDriver::Finish() {
    if (thread_.joinable()) thread_.join();
    return found_;
}

void DialogDriver::Run() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    FindDialog find{caption_};
    while (!find.found && std::chrono::steady_clock::now() < deadline) {
        Sleep(50);
        EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&find));
    }
    if (!find.found) return;
    found_ = true;
    // Let the dialog finish its first paint before the script looks at it.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(find.found, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Sleep(200);
    script_(find.found);
    // Close a dialog the script left open: Escape's command ends it with "changes nothing".
    for (int i = 0; i < 100 && IsWindow(find.found); ++i) {
        PostMessageA(find.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Sleep(50);
    }
}

double CaptureWindowPng(HWND window, const std::string& path) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Sleep(300);

    RECT r;
    if (!GetWindowRect(window, &r)) return -1;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return -1;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    double mean = -1;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
        const auto* bgra = static_cast<const uint8_t*>(bits);
        double sum = 0;
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
            rgb[3 * i] = bgra[4 * i + 2];
            rgb[3 * i + 1] = bgra[4 * i + 1];
            rgb[3 * i + 2] = bgra[4 * i];
            sum += (rgb[3 * i] + rgb[3 * i + 1] + rgb[3 * i + 2]) / 3.0;
        }
        SelectObject(memory, old);
        if (PngFile::WriteRgb(path, width, height, rgb)) mean = sum / (double(width) * height);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return mean;
}

// ---- processes ----------------------------------------------------------------------------

std::string ThisProgram() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

int RunProcess(const std::string& exe, const std::string& arguments,
               const std::vector<std::string>& environment, DWORD timeoutMs) {
    // The current environment with the given entries added or replaced.
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const std::string& add : environment) {
        const std::string name = add.substr(0, add.find('=') + 1);
        for (auto it = entries.begin(); it != entries.end();)
            it = _strnicmp(it->c_str(), name.c_str(), name.size()) == 0 ? entries.erase(it) : it + 1;
        entries.push_back(add);
    }
    std::string block;
    for (const std::string& e : entries) block += e + '\0';
    block += '\0';

    std::string command = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, &block[0], nullptr,
                        &startup, &process))
        return -1;
    int code = -1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        if (GetExitCodeProcess(process.hProcess, &exit)) code = int(exit);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

}  // namespace WinTest
