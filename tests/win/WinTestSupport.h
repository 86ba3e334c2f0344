// Helpers for the tests that run the effect's Windows code for real: the settings file's
// place, a guard that keeps a user's own settings file safe, driving modal dialogs from a
// second thread, screenshots and child processes.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace WinTest {

// The current user's application-data folder, asked from the shell (CSIDL_APPDATA).
std::string AppDataFolder();
// "<app data>\TORVA\InkPanel\T_Tonedot.ini".
std::string SettingsFile();
std::string SettingsFolder();  // "<app data>\TORVA\InkPanel"
std::string VendorFolder();    // "<app data>\TORVA"

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The whole file as text; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& text);

// Takes the "TORVA" folder under the application-data folder out of the way for the life
// of the guard (renamed aside) and puts it back afterwards, so tests start without stored
// defaults and a user's own files survive a test run on a real machine.
class SettingsFolderGuard {
public:
    SettingsFolderGuard();
    ~SettingsFolderGuard();
    SettingsFolderGuard(const SettingsFolderGuard&) = delete;
    SettingsFolderGuard& operator=(const SettingsFolderGuard&) = delete;
    // Removes the "TORVA" tree the test left behind.
    static void RemoveVendorTree();

private:
    std::string aside_;
};

// The folder tests keep their output in (screenshots), created on demand.
std::string TestOutputFolder();

// Runs `script` on a second thread against the first visible dialog window of this process
// whose caption is `caption`, while the calling thread runs the modal dialog.  If the
// script leaves the dialog open (or fails), the driver closes it, so a test never hangs.
class DialogDriver {
public:
    using Script = std::function<void(HWND dialog)>;
    DialogDriver(std::string caption, Script script, DWORD timeoutMs = 15000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Waits for the script to end; true when the dialog was found and the script ran.
    bool Finish();

private:
    void Run();

    std::string caption_;
    Script script_;
    DWORD timeoutMs_;
    std::atomic<bool> found_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A control's text (ANSI), its enabled and visible state.
std::string WindowText(HWND window);
std::string ClassOf(HWND window);

// Presses a push button the way a click does and waits until the dialog has handled it.
void Press(HWND button);
// Presses the dialog's button `id`; true when the dialog has ended within five seconds.
bool PressToEnd(HWND dialog, int id);

// Lets the dialog paint, then copies its area of the screen into a PNG file.  Returns the
// mean brightness of the picture (0..255) so callers can tell a blank capture; -1 when
// nothing could be captured.
double CaptureWindowPng(HWND window, const std::string& path);

// Runs this platform's program `exe` with `arguments` (already quoted as needed) and the
// extra environment entries `environment` ("NAME=value"), waits for it and returns its exit
// code, or -1 when it could not be started or did not end within `timeoutMs`.
int RunProcess(const std::string& exe, const std::string& arguments,
               const std::vector<std::string>& environment, DWORD timeoutMs = 30000);

// Full path of the running test program.
std::string ThisProgram();

}  // namespace WinTest
