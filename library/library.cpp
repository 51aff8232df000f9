#include "library/library.h"

#include <shellapi.h>

#include "framework/kernel_owners.h"

namespace {

// The picture formats, each with the name patterns its files go by. The list,
// the random pick, the Add dialog and the decoder all take pictures from here.
struct PictureFormat {
    const char* description;
    const char* patterns;  // "*.ext" separated by ';'
};
const PictureFormat kPictureFormats[] = {
    {"BMP pictures (*.bmp)", "*.bmp"},
    {"JPEG pictures (*.jpg;*.jpeg;*.jpe;*.jfif)", "*.jpg;*.jpeg;*.jpe;*.jfif"},
    {"PNG pictures (*.png)", "*.png"},
    {"WebP pictures (*.webp)", "*.webp"},
};

std::string AllPatterns()
{
    std::string all;
    for (const PictureFormat& format : kPictureFormats)
        all.append(all.empty() ? "" : ";").append(format.patterns);
    return all;
}

}  // namespace

template <typename Visit>
void CLibrary::ForEachEntry(Visit visit) const
{
    if (m_strFolder.empty())
        return;
    WIN32_FIND_DATAA fd;
    const CFindHandle search(::FindFirstFileA(PathOf("*.*").c_str(), &fd));
    if (!search.Valid())
        return;
    bool more = true;
    do {
        if (lstrcmpA(fd.cFileName, ".") != 0 && lstrcmpA(fd.cFileName, "..") != 0)
            more = visit(fd);
    } while (more && ::FindNextFileA(search, &fd));
}

bool CLibrary::Exists() const
{
    return !m_strFolder.empty() && m_fileTools.FolderExists(m_strFolder);
}

std::string CLibrary::PathOf(const std::string& name) const
{
    return m_strFolder + "\\" + name;
}

bool CLibrary::IsPictureName(const std::string& name)
{
    static const std::string patterns = CFileTools::UpperCase(";" + AllPatterns() + ";");
    const std::string extension = CFileTools::UpperCase(CFileTools().GetFileExtension(name));
    // ";*.EXT;" within ";*.BMP;*.JPG;...;"
    return !extension.empty() && extension.find(';') == std::string::npos &&
           patterns.find(";*." + extension + ";") != std::string::npos;
}

const char* CLibrary::OpenDialogFilter()
{
    static const std::string filter = [] {
        std::string text = std::string("All pictures") + '\0' + AllPatterns() + '\0';
        for (const PictureFormat& format : kPictureFormats)
            text.append(format.description).append(1, '\0').append(format.patterns).append(1, '\0');
        return text + '\0';
    }();
    return filter.c_str();
}

std::vector<CLibrary::Entry> CLibrary::ListPictures() const
{
    std::vector<Entry> pictures;
    ForEachEntry([&](const WIN32_FIND_DATAA& fd) {
        if (IsPictureName(fd.cFileName))
            pictures.push_back({fd.cFileName, fd.nFileSizeLow, fd.dwFileAttributes});
        return true;
    });
    return pictures;
}

std::string CLibrary::FindByTitle(const std::string& title) const
{
    const std::string wanted = CFileTools::UpperCase(title);
    for (const Entry& entry : ListPictures())
        if (CFileTools::UpperCase(m_fileTools.RemoveFileExtension(entry.name)) == wanted)
            return PathOf(entry.name);
    return std::string();
}

bool CLibrary::HasEntries() const
{
    bool found = false;
    ForEachEntry([&](const WIN32_FIND_DATAA&) { return !(found = true); });
    return found;
}

bool CLibrary::CopyIn(HWND owner, const std::vector<std::string>& sources, bool* folderMade) const
{
    const bool made = m_fileTools.CreateFolderPath(m_strFolder);
    if (folderMade)
        *folderMade = made;
    if (!made)
        return false;
    // Full source paths, so the copy never depends on the current directory.
    // The shell takes '?' and '*' as patterns: such a name would copy others.
    std::string from;
    for (const std::string& path : sources) {
        if (!CFileTools::IsPlainName(path))
            return false;
        from.append(path).push_back('\0');
    }
    from.push_back('\0');
    std::string to = m_strFolder;
    to.push_back('\0');
    to.push_back('\0');

    SHFILEOPSTRUCTA op = {};
    op.hwnd = owner;
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = 0;
    return ::SHFileOperationA(&op) == 0;
}

bool CLibrary::Delete(const std::vector<std::string>& names, std::string* failedPath) const
{
    const auto vanished = [] {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    };
    for (const std::string& name : names) {
        const std::string path = PathOf(name);
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES && vanished())
            continue;  // another program was first: nothing left to do
        const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
        if (readOnly)
            ::SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        if (!::DeleteFileA(path.c_str())) {
            if (vanished())
                continue;
            if (readOnly)  // a file that stays keeps its protection
                ::SetFileAttributesA(path.c_str(), attributes);
            if (failedPath)
                *failedPath = path;
            return false;
        }
    }
    return true;
}
