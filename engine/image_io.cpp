#include "engine/image_io.h"

#include <climits>
#include <cstdio>

namespace image_io {
namespace {

// ReadFile/WriteFile take a DWORD; big blocks go in pieces.
constexpr ULONGLONG kIoChunk = 1ULL << 30;

unsigned DLL_CALLCONV ReadFromHandle(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    if (size == 0 || count == 0)
        return 0;
    const ULONGLONG wanted = static_cast<ULONGLONG>(size) * count;
    BYTE* out = static_cast<BYTE*>(buffer);
    ULONGLONG done = 0;
    while (done < wanted) {
        const DWORD chunk = static_cast<DWORD>(wanted - done < kIoChunk ? wanted - done : kIoChunk);
        DWORD got = 0;
        if (!::ReadFile(static_cast<HANDLE>(handle), out + done, chunk, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    return static_cast<unsigned>(done / size);
}

// Bytes written before the first failure.
ULONGLONG WriteChunks(HANDLE file, const BYTE* data, ULONGLONG size)
{
    ULONGLONG done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(size - done < kIoChunk ? size - done : kIoChunk);
        DWORD put = 0;
        if (!::WriteFile(file, data + done, chunk, &put, nullptr) || put == 0)
            break;
        done += put;
    }
    return done;
}

unsigned DLL_CALLCONV WriteToHandle(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    if (size == 0 || count == 0)
        return 0;
    const ULONGLONG wanted = static_cast<ULONGLONG>(size) * count;
    return static_cast<unsigned>(WriteChunks(static_cast<HANDLE>(handle), static_cast<const BYTE*>(buffer), wanted) / size);
}

int DLL_CALLCONV SeekHandle(fi_handle handle, long offset, int origin)
{
    DWORD method;
    switch (origin) {
    case SEEK_SET: method = FILE_BEGIN; break;
    case SEEK_CUR: method = FILE_CURRENT; break;
    case SEEK_END: method = FILE_END; break;
    default: return -1;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return ::SetFilePointerEx(static_cast<HANDLE>(handle), distance, nullptr, method) ? 0 : -1;
}

long DLL_CALLCONV TellHandle(fi_handle handle)
{
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(static_cast<HANDLE>(handle), zero, &position, FILE_CURRENT) ||
        position.QuadPart > LONG_MAX)
        return -1;
    return static_cast<long>(position.QuadPart);
}

}  // namespace

FreeImageIO HandleIo()
{
    FreeImageIO io;
    io.read_proc = &ReadFromHandle;
    io.write_proc = &WriteToHandle;
    io.seek_proc = &SeekHandle;
    io.tell_proc = &TellHandle;
    return io;
}

HANDLE OpenForReading(const std::string& path)
{
    // A picture open in an editor is still read, and ours never keeps anyone
    // from saving, renaming or deleting it; a file that changes under us
    // reads short and is refused like any cut file.
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool WriteAll(HANDLE file, const BYTE* data, ULONGLONG size)
{
    return WriteChunks(file, data, size) == size;
}

}  // namespace image_io
