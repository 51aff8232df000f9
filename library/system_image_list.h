// The shell's small-icon image list, shared with the list control. The
// handle belongs to the system: this wrapper never destroys it.
#pragma once
#include <windows.h>
#include <commctrl.h>

class CSystemImageList {
public:
    CSystemImageList() = default;
    virtual ~CSystemImageList() = default;

    // Asks the shell for its small image list; false when it has none.
    bool Attach();
    // Lets go of the handle without destroying it.
    HIMAGELIST Detach();
    HIMAGELIST Handle() const { return m_hImageList; }

    // Index of the small icon the shell shows for a file of that name and
    // attributes (a folder gets the folder icon); 0 when unknown. The file
    // itself is never touched, which is what makes big folders list fast.
    static int GetSmallIconIndex(const char* name, DWORD attributes);

private:
    HIMAGELIST m_hImageList = nullptr;
};
