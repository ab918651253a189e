#pragma once

#include <functional>

// Ctrl+C, a hang-up or a plain kill end the run the way Exit does: end is
// called on the event loop (it closes the windows, or stops the run, so the
// port is released and the files closed), then the event loop quits. The
// signal handler only wakes the event loop. Sets terminated when a signal
// ended the run.
void endOnSignal(bool &terminated, std::function<void()> end);
