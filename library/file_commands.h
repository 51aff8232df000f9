// Adding pictures to the library and deleting them, as the user asks: the
// dialogs, the file work and the status line's report. The list is refilled
// by the caller's `refill`, which answers the number of rows.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "library/library.h"

class CSettings;

class CFileCommands {
public:
    CFileCommands(HWND owner, const CLibrary& library, std::function<int()> refill)
        : m_owner(owner), m_library(library), m_refill(std::move(refill))
    {
    }
    virtual ~CFileCommands() = default;

    // The open-file dialog from the last folder, then the shell's copy. The
    // status line's text; `rows` is the list's row count before.
    std::string AddFiles(const CSettings& settings, const char* filter, int rows) const;
    // The question, then the deletion of exactly the names asked about (the
    // list may change while the question is open). Empty when not confirmed.
    std::string DeleteFiles(const std::vector<std::string>& names) const;

private:
    HWND m_owner;
    CLibrary m_library;
    std::function<int()> m_refill;
};
