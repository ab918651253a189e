// Keeps the support library non-empty; the doubles themselves are header-only.
#include "FakeSerialControl.h"
