#include "cli/Progress.h"

#include "cli/AtomicFile.h"

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <unistd.h>

namespace tonedot::cli {
namespace {

// The first ending signal, written by the handler and read by every render thread: a
// lock-free atomic, which is safe in a handler and between threads (a volatile
// sig_atomic_t is only the former).
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the interrupt flag must be lock-free");

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

void OnSignal(int signo) {
    int expected = 0;
    if (gSignal.compare_exchange_strong(expected, signo) || signo == SIGPIPE) return;
    // A second ending signal: the run is not waited for.  Its temporary files go, then
    // the signal ends the process as it would have without this handler.
    RemovePendingTempFilesInSignal();
    signal(signo, SIG_DFL);
    raise(signo);
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kEndingSignals) sigaddset(&action.sa_mask, s);
    action.sa_flags = 0;
    for (int s : kEndingSignals) sigaction(s, &action, nullptr);
    // A file-size limit makes the write fail (EFBIG) instead of ending the process, so the
    // run can report it and clean up.
    signal(SIGXFSZ, SIG_IGN);
    // A library that ends the process on its own still leaves no temporary file.
    std::atexit([] { RemovePendingTempFiles(); });
}

bool Interrupted() { return gSignal.load() != 0; }
int InterruptSignal() { return gSignal.load(); }
ExitCode InterruptExitCode() {
    const int s = gSignal.load();
    return static_cast<ExitCode>(s > 0 ? 128 + s : kExitCancelled);
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(bool enabled, std::string label, long frames, int slots)
    : enabled_(enabled), label_(std::move(label)), frames_(frames),
      slotPercent_(static_cast<std::size_t>(slots < 1 ? 1 : slots)) {
    for (auto& s : slotPercent_) s = 0;
    if (enabled_) Draw(true);
}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Dots(int slot, long current, long total) {
    if (!enabled_ || slot < 0 || static_cast<std::size_t>(slot) >= slotPercent_.size()) return;
    slotPercent_[static_cast<std::size_t>(slot)] = total > 0 ? static_cast<int>(current * 100 / total) : 0;
    Draw(false);
}

void ProgressBar::FrameDone(int slot) {
    if (!enabled_) return;
    ++done_;
    if (slot >= 0 && static_cast<std::size_t>(slot) < slotPercent_.size())
        slotPercent_[static_cast<std::size_t>(slot)] = 0;
    Draw(true);
}

void ProgressBar::Draw(bool force) {
    std::lock_guard<std::mutex> lock(drawMutex_);
    if (finished_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    // Frames done plus the fractions of the frames in progress.
    double partial = 0;
    for (const auto& s : slotPercent_) partial += s / 100.0;
    const double total = frames_ > 0 ? frames_ : 1;
    double fraction = (done_ + partial) / total;
    if (fraction > 1) fraction = 1;
    const int width = 30;
    const int filled = static_cast<int>(fraction * width);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '-');
    std::fprintf(stderr, "\r%s [%s] %3d%%  frame %ld/%ld ", label_.c_str(), bar.c_str(),
                 static_cast<int>(fraction * 100), std::min<long>(done_ + 1, frames_), frames_);
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    std::lock_guard<std::mutex> lock(drawMutex_);
    if (!enabled_ || finished_) return;
    finished_ = true;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
}

}  // namespace tonedot::cli
