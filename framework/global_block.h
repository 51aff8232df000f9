// A global memory block of ours (a packed DIB).
#pragma once
#include <windows.h>

#include "framework/handle_owner.h"

// An imported function's address is no constant for every compiler: a local one.
inline void FreeGlobalBlock(HGLOBAL block) { ::GlobalFree(block); }
using CGlobalBlock = CHandleOwner<HGLOBAL, &FreeGlobalBlock>;
