#pragma once

#include "session/SessionRecord.h"

// A recorded file keeps an event's text, not its kind: the kind its text
// names, a controller message when it names none.
EventKind eventKindOf(const QString &text);
