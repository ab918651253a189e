#pragma once

// Ctrl+C, a hang-up or a plain kill end the run the way Exit does: every window
// closes (so the port is released) and the event loop quits. The signal handler
// only wakes the event loop; the work is done there. Sets terminated when a
// signal ended the run.
void endOnSignal(bool &terminated);
