// What the drawing costs on the program's own windows: the transfers and
// lines the overlay's tools make on every pointer event, timed through the
// platform boundary, on whichever system the entry point hands in.
#pragma once

#include "platform/Platform.h"

namespace gdibench {

// Prints one line per measurement (median and 99th percentile in ms) and
// returns 0, or 1 when the screen could not be set up.
int Run(platform::Platform& p, int iterations);

}  // namespace gdibench
