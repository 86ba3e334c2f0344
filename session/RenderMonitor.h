// How a session reports a render's progress and learns that it should stop.
#pragma once

namespace tonedot::session {

class RenderMonitor {
public:
    virtual ~RenderMonitor() = default;
    // The dots drawn so far of the frame the calling thread renders.
    virtual void Dots(long current, long total) = 0;
    // True when the render should stop: the effect is answered PF_Interrupt_CANCEL, and
    // the render ends with an Error of kind Stopped.
    virtual bool StopRequested() const = 0;
};

// The monitor of the calling thread's renders; null gives the process's monitor back.
void SetThreadMonitor(RenderMonitor* monitor);
// The monitor of threads that have none of their own (null: no progress, never stop).
// Set it before renders start.
void SetProcessMonitor(RenderMonitor* monitor);

}  // namespace tonedot::session
