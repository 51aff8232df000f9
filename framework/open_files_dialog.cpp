#include "framework/open_files_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

namespace {

const DWORD kLargestBuffer = 16u << 20;

// The strings of the dialog's result, each ended by a NUL, the list by an
// empty one; false when that end is not within the buffer: a choice that
// did not fit.
bool ResultStrings(const char* result, size_t size, std::vector<std::string>& strings)
{
    size_t at = 0;
    while (at < size && result[at]) {
        const size_t length = strnlen(result + at, size - at);
        strings.emplace_back(result + at, length);
        at += length + 1;
    }
    return at < size;
}

}  // namespace

FileChoice OpenFilesDialog(HWND owner, const char* title, const char* filter, const std::string& initialFolder,
                           DWORD bufferSize)
{
    FileChoice choice;
    for (;;) {
        std::vector<char> result(static_cast<size_t>(bufferSize) + 1, '\0');
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter;
        ofn.lpstrFile = result.data();
        ofn.nMaxFile = bufferSize;
        ofn.lpstrTitle = title;
        ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
        if (!initialFolder.empty())
            ofn.lpstrInitialDir = initialFolder.c_str();
        DWORD asked = 0;
        std::vector<std::string> strings;
        if (::GetOpenFileNameA(&ofn)) {
            // Wine cuts a list of several files that does not fit instead
            // of failing: that is asked for again too.
            if (ResultStrings(result.data(), bufferSize, strings)) {
                if (strings.size() == 1)
                    choice.paths = strings;  // one file's full path
                for (size_t i = 1; i < strings.size(); ++i)
                    choice.paths.push_back(strings[0] + (strings[0].back() == '\\' ? "" : "\\") + strings[i]);
                if (!strings.empty())
                    choice.pathResult = strings[0];
                return choice;
            }
        } else {
            choice.error = ::CommDlgExtendedError();
            if (choice.error != FNERR_BUFFERTOOSMALL)
                return choice;
            asked = static_cast<BYTE>(result[0]) | static_cast<DWORD>(static_cast<BYTE>(result[1])) << 8;
        }
        if (bufferSize >= kLargestBuffer) {
            choice.error = FNERR_BUFFERTOOSMALL;
            return choice;
        }
        // The size the dialog asks for is a WORD, no help past 64 KB: at
        // least four times the room, so that a few askings reach the limit.
        bufferSize = std::min(std::max(asked, bufferSize * 4), kLargestBuffer);
        choice.error = 0;
    }
}
