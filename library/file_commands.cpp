#include "library/file_commands.h"

#include <cderr.h>

#include "framework/format.h"
#include "framework/open_files_dialog.h"
#include "framework/win_app.h"
#include "settings/settings.h"

std::string CFileCommands::AddFiles(const CSettings& settings, const char* filter, int rows) const
{
    const CModalScope modal;  // the file dialog, then the shell's copy questions
    const FileChoice choice =
        OpenFilesDialog(m_owner, "Add image files to your list", filter, settings.GetLastImageDirectory());
    if (choice.paths.empty()) {
        const char* outcome = choice.error == FNERR_BUFFERTOOSMALL
                                  ? "Too many files chosen at once. No files were added to Wallpaper list."
                                  : "No files were added to Wallpaper list.";
        return Format("%s %d %s", outcome, rows, "files in Wallpaper list.");
    }
    ::EnableWindow(m_owner, FALSE);
    bool folderMade = false;
    const bool copied = m_library.CopyIn(m_owner, choice.paths, &folderMade);
    ::EnableWindow(m_owner, TRUE);
    if (!folderMade)
        return "Cannot create Wallpaper directory.";
    settings.SetLastImageDirectory(choice.pathResult);
    ::SetActiveWindow(m_owner);
    rows = m_refill();
    const char* outcome = copied ? "Files successfully added to Wallpaper list." : "Error copying files to Wallpaper list.";
    return Format("%s %d %s", outcome, rows, "files in Wallpaper list.");
}

std::string CFileCommands::DeleteFiles(const std::vector<std::string>& names) const
{
    // Only a Yes deletes: a box closed any other way (the program ending
    // under it) answers 0.
    if (CWinApp::Instance()->MessageBox(m_owner, "Delete selected file(s). Are you sure ?", MB_YESNO) != IDYES)
        return std::string();
    std::string failedPath, message, fileText;
    if (!m_library.Delete(names, &failedPath)) {
        message = "Error deleting file.";
        fileText = failedPath;
    } else if (names.size() == 1) {
        message = "File deleted successfully.";
        fileText = m_library.PathOf(names.front());
    } else {
        message = "Files deleted successfully.";
        fileText = "More files deleted.";
    }
    m_refill();
    return message + " Image file : " + fileText;
}
