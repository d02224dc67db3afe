#pragma once
// Start and stop of the common services (trace, failure report, system
// utilities, code-page conversion), as an application calls them.
//
// Threads: call the start once before any other thread uses the library, and
// the stop after every other thread has stopped using it. Between the two any
// thread may trace, convert and format return codes.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Starts the layer for the product prefix (3 or 4 characters; longer ones are
// kept to 8 and named by their first 4). Returns 0 (also when the layer is
// already started with this prefix in this process), xecS_E_NONE when the
// block cannot be allocated, or the result of the conversion start-up.
VEXO_API ZO_ULONG xrkInitCommonServices(const char* prefix);

// Stops the layer: closes the trace file and releases the block. Returns 0.
VEXO_API ZO_ULONG xrkTermCommonServices();
