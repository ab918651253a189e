#pragma once

// Lamps and gauges drawn by the tool itself are known to screen readers only
// through interfaces of their own: a lamp as a check box with its caption as
// name and its state as check mark and text, a gauge as a dial with its value
// and scale. Installed once, by the first lamp or gauge made.
void installInstrumentAccessibility();
