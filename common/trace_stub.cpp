// Placeholder trace recorder: records nothing until the trace facility lands.
#include <cstdio>

#include "common/trace.h"

int xtrTraceActive = 0;
int xtrUserTracingActive = 0;

int xtrInitialize() { return 0; }
void xtrEntry(const char*) {}
void xtrExit(const char*, ZO_ULONG) {}
void xtrText(const char*) {}
void xtrData(const void*, ZO_LONG) {}
void xtrTextF(const char*, ...) {}
