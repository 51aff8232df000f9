// The system's open-file dialog, choosing one or several existing files.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct FileChoice {
    // The chosen files' full paths in the dialog's order; empty when the
    // user cancelled or the dialog failed.
    std::vector<std::string> paths;
    // The dialog's own path result: the folder of several files, or the one
    // file's full path.
    std::string pathResult;
    // CommDlgExtendedError of a failed dialog; 0 when chosen or cancelled.
    DWORD error = 0;
};

// Explorer style, resizable, read-only box hidden. `filter` is the
// platform's list ("description\0pattern\0\0"); no initial folder when
// empty. A choice too long for the result buffer opens the dialog again with
// a larger one, up to 16 MB; past that the error is FNERR_BUFFERTOOSMALL.
FileChoice OpenFilesDialog(HWND owner, const char* title, const char* filter, const std::string& initialFolder,
                           DWORD bufferSize = 65535);
