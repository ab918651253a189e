#pragma once

#include "link/SerialControl.h"

#include <QString>
#include <QStringList>

#include <functional>

class LineRecord;

namespace Comunication {

// Longest reply accepted, terminator included; a line that runs on without a
// terminator is treated as a failed read.
constexpr int MaxReplyLength = 4096;

// Time the controller gets to send its reply before it is read.
constexpr float SettleDelayMs = 40.0f;

// Characters taken by each Input: the receive buffer's size.
constexpr int InputChunk = 1024;
// Most taken off the port in one read; a flood beyond it waits for the next.
constexpr int MaxReadBytes = 64 * 1024;

// Reads every complete reply waiting on the port, oldest first, each up to and
// including its "*": a controller or a network path that held its replies back
// hands them over together, and the newest is the present. pending holds the
// start of a reply that had not all arrived at the last read; it goes in front
// of what arrives now, and what follows the last "*" is kept there for the
// next read.
//
// Never empty. {""} when the port is not open (nothing read, no wait, pending
// dropped). {"?"} when no complete reply arrived, the read failed or a reply
// ran past MaxReplyLength: what was read is dropped, and the port drops its
// buffers where it can (SerialControl::dropBuffers), else (and always after a
// failed read) it is closed and reopened. A failure to reopen the port is
// thrown as LinkError.
// Every byte read goes to line too, when there is one.
QStringList ReadReplies(SerialControl &VANTOSerComm, QByteArray &pending, LineRecord *line = nullptr);

// Blocks the calling thread for about ms milliseconds without processing
// events. Non-positive or NaN waits return at once.
void WaitMs(float ms);

// The wait ReadReplies uses for its settle delay; an empty function restores
// WaitMs. Lets tests and benchmarks skip or record the delay.
void setSettleWait(std::function<void(float ms)> wait);

} // namespace Comunication
