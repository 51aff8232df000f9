// The library folder: which of its entries are pictures, a picture's path
// from its name, and the changes the user makes to it. The list, the random
// pick and the start-up decision all see the folder through this one rule.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "library/file_tools.h"

class CLibrary {
public:
    // One picture of the folder as the file search reports it.
    struct Entry {
        std::string name;
        DWORD sizeLow;     // the low 32 bits of its size in bytes
        DWORD attributes;  // a folder named like a picture is listed too
    };

    explicit CLibrary(const std::string& folder) : m_strFolder(folder) {}
    virtual ~CLibrary() = default;

    bool Exists() const;
    // "<folder>\<name>"
    std::string PathOf(const std::string& name) const;

    // A picture is a name ending in ".bmp", ".jpg", ".jpeg", ".jpe", ".jfif",
    // ".png" or ".webp", in any case. What the file holds decides only how
    // it is decoded.
    static bool IsPictureName(const std::string& name);
    // The open-file dialog's filter for the same names: "All pictures" first,
    // then one entry per format, each a description and its patterns, ended
    // by a second NUL.
    static const char* OpenDialogFilter();
    // The path of the first picture whose title (name without extension)
    // is `title`, in any letter case; empty when there is none.
    std::string FindByTitle(const std::string& title) const;
    // The folder's pictures in file-search order.
    std::vector<Entry> ListPictures() const;
    // True when the folder holds any entry at all, picture or not.
    bool HasEntries() const;

    // Copies the files (full paths) into the folder through the shell, which
    // asks before replacing and shows its progress. The folder is made first;
    // *folderMade says whether that worked (nothing is copied otherwise).
    // False when anything failed or the user cancelled.
    bool CopyIn(HWND owner, const std::vector<std::string>& sources, bool* folderMade) const;
    // Deletes the named pictures in order, read-only ones too, stopping at
    // the first that cannot go (which keeps its read-only flag); its path is
    // then in *failedPath. Pictures already gone are passed over.
    bool Delete(const std::vector<std::string>& names, std::string* failedPath) const;

private:
    // Calls back for every entry but "." and ".."; stops when it says false.
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

    std::string m_strFolder;
    CFileTools m_fileTools;
};
