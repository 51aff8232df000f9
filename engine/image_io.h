// FreeImage's I/O over Win32 file handles, and whole-buffer writes. Files are
// opened through the same "A" calls as everywhere else in the program.
#pragma once
#include <windows.h>

// windows.h must come before FreeImage.h.
#include <FreeImage.h>

#include <string>

namespace image_io {

// Read, write, seek and tell over a HANDLE passed as fi_handle (item counts,
// as fread/fwrite).
FreeImageIO HandleIo();
// An existing file for reading; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenForReading(const std::string& path);
// All `size` bytes, in pieces a DWORD can count; false at the first failure.
bool WriteAll(HANDLE file, const BYTE* data, ULONGLONG size);

}  // namespace image_io
