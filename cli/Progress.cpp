#include "cli/Progress.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tonedot::cli {
namespace {

// Written by the signal handler, read by every render thread: a lock-free atomic, which is
// safe in a handler and between threads (a volatile sig_atomic_t is only the former).
std::atomic<int> gInterrupted{0};
static_assert(std::atomic<int>::is_always_lock_free, "the interrupt flag must be lock-free");

void OnInterrupt(int) { gInterrupted.store(1); }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return gInterrupted.load() != 0; }
void SetInterruptedForTesting(bool value) { gInterrupted.store(value ? 1 : 0); }

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
