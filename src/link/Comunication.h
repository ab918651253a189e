#pragma once

#include "link/SerialControl.h"

#include <QString>

#include <functional>

namespace Comunication {

// Longest reply accepted, terminator included; a line that runs on without a
// terminator is treated as a failed read.
constexpr int MaxReplyLength = 4096;

// Time the controller gets to send its reply before it is read.
constexpr float SettleDelayMs = 40.0f;

// Reads one reply from the port: everything up to and including the first "*".
// Returns "" when the port is not open (nothing read, no wait), and "?" when the
// input runs dry, the read fails or the line runs past MaxReplyLength; the port
// is then closed and reopened and what was read is dropped. What follows the
// "*" stays buffered for the next call. A failure to reopen the port is thrown
// as LinkError.
QString ReadReply(SerialControl &VANTOSerComm);

// Blocks the calling thread for about ms milliseconds without processing
// events. Non-positive or NaN waits return at once.
void WaitMs(float ms);

// The wait ReadReply uses for its settle delay; an empty function restores
// WaitMs. Lets tests and benchmarks skip or record the delay.
void setSettleWait(std::function<void(float ms)> wait);

} // namespace Comunication
