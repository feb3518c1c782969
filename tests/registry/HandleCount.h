#pragma once
// The number of handles this process holds, from the system's handle list (the process
// handle count query returns 0 under Wine, so it cannot show a leak).
#include <windows.h>

DWORD ProcessHandles();
