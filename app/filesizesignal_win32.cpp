#include "app/filesizesignal.h"

// Windows has no such signal: a write beyond a limit simply fails.
void IgnoreFileSizeSignal() {}
