// Owners of the kernel, registry and menu handles (see handle_owner.h). The
// system functions are wrapped: a dllimport address is no template argument
// for every compiler.
#pragma once
#include <windows.h>

#include "framework/handle_owner.h"

namespace kernel_owners {
inline bool IsOpen(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
inline void Close(HANDLE handle) { ::CloseHandle(handle); }
inline void CloseFind(HANDLE handle) { ::FindClose(handle); }
inline void CloseKey(HKEY key) { ::RegCloseKey(key); }
inline void Destroy(HMENU menu) { ::DestroyMenu(menu); }
}  // namespace kernel_owners

// CreateFile, CreateMutex and the like; INVALID_HANDLE_VALUE is empty too.
using CFileHandle = CHandleOwner<HANDLE, &kernel_owners::Close, &kernel_owners::IsOpen>;
// FindFirstFile's search.
using CFindHandle = CHandleOwner<HANDLE, &kernel_owners::CloseFind, &kernel_owners::IsOpen>;
using CRegKey = CHandleOwner<HKEY, &kernel_owners::CloseKey>;
using CMenuHandle = CHandleOwner<HMENU, &kernel_owners::Destroy>;
