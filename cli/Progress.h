// The progress bar on a terminal, Ctrl-C, and the host progress callback that carries a
// cancel to the effect.
#pragma once
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "AEUtil/HostApi.h"
#include "cli/ExitCodes.h"

namespace tonedot::cli {

// SIGINT (Ctrl-C), SIGTERM, SIGHUP, SIGQUIT and SIGPIPE set the interrupted flag; the
// next progress report of a render then answers PF_Interrupt_CANCEL, no further frame
// starts and no frame in progress is kept.  A second such signal (SIGPIPE aside) removes
// the temporary files and ends the program at once.  SIGXFSZ is ignored, so a file-size
// limit is an ordinary write error.
void InstallInterruptHandler();
bool Interrupted();
// The signal that interrupted the run (0 when none).
int InterruptSignal();
// 128 + that signal (130 for Ctrl-C), the exit code of an interrupted run.
ExitCode InterruptExitCode();

// A one-line bar on standard error: frames done of all, and the dots of the frames in
// progress.  Silent when disabled (not a terminal, or --quiet).  Safe to call from
// several render threads.
class ProgressBar {
public:
    ProgressBar(bool enabled, std::string label, long frames, int slots);
    ~ProgressBar();
    bool Enabled() const { return enabled_; }
    // Percent of the dots of the frame a worker slot is drawing.
    void Dots(int slot, long current, long total);
    void FrameDone(int slot);
    // Clears the line (the caller prints its own final message).
    void Finish();

private:
    void Draw(bool force);

    bool enabled_;
    std::string label_;
    long frames_;
    std::atomic<long> done_{0};
    std::vector<std::atomic<int>> slotPercent_;
    std::mutex drawMutex_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool finished_ = false;
};

// True when standard error is a terminal.
bool StderrIsTerminal();

}  // namespace tonedot::cli
