// Path and file-system helpers used throughout the program.
#pragma once
#include <string>

class CFileTools {
public:
    CFileTools() = default;
    virtual ~CFileTools() = default;

    // True when the path names a file or folder; never for a name holding
    // '?' or '*'.
    bool FileExists(const std::string& path) const;
    // True when the path names a folder.
    bool FolderExists(const std::string& path) const;
    // False for a path holding '?' or '*': no file can have such a name, and
    // the "A" calls write '?' for characters outside the code page.
    static bool IsPlainName(const std::string& path);
    // Creates every missing folder along the path; true when it is a folder now.
    bool CreateFolderPath(const std::string& path) const;

    // The text after the last "."; empty when there is none.
    std::string GetFileExtension(const std::string& text) const;
    // The text before the last "."; empty when there is none.
    std::string RemoveFileExtension(const std::string& text) const;
    // The text after the last "\"; empty when there is none.
    std::string GetFileNamePart(const std::string& text) const;

    // Dispatches every waiting message through the application's
    // pre-translation, then returns.
    void PumpMessages() const;

    // Upper case in the system's code page.
    static std::string UpperCase(std::string text);

    // Double-byte-aware reverse search; npos when the character is absent.
    static std::string::size_type FindLast(const std::string& text, char ch);
};
