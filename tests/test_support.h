// Helpers shared by the tests: temporary folders, message pumping, modal boxes, files.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/win_app.h"

struct FIBITMAP;

class CTestApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
};

// A fresh folder under %TEMP%, current while the object lives, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }
private:
    std::string m_path, m_previousDir;
};

namespace testing_support {

// Dispatches messages through the application's pre-translation for about the given time.
void Pump(DWORD milliseconds = 0);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Runs `action` once on the next visible dialog of this thread captioned `caption`,
// from a thread timer, so it works inside modal loops. One request at a time.
void OnNextDialog(const std::string& caption, std::function<void(HWND)> action);
// Presses `buttonId` on that dialog, keeping its static text in `seenText` when given.
void AnswerNextDialog(const std::string& caption, int buttonId, std::string* seenText = nullptr);
bool DialogAnswered();
void CancelAnswer();

// Now and then cancels the modal dialogs of this thread, so a fault fails instead of hanging.
class DialogWatchdog {
public:
    explicit DialogWatchdog(DWORD periodMs = 15000);
    ~DialogWatchdog();
    const std::vector<std::string>& Closed() const;
private:
    UINT_PTR m_timer;
};

// Types files of `folder` into an open-file dialog; false when it did not reach the folder.
bool ChooseFilesInOpenDialog(HWND dialog, const std::string& folder, const std::vector<std::string>& names);

// Starts `exe` in `startDir`, as a shortcut would; its process handle, or null.
HANDLE StartProgram(const std::string& exe, const std::string& startDir);

void RemoveTree(const std::string& path);  // read-only files too
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
std::string WindowText(HWND hWnd);
using Image = std::unique_ptr<FIBITMAP, void (*)(FIBITMAP*)>;
// A w x h picture, colourAt(x, y) counted from the top left: 24-bit colour, 8-bit grey (the red part)
// or 32-bit CMYK (for a JPEG).
Image MakePicture(int w, int h, const std::function<COLORREF(int x, int y)>& colourAt, int bpp = 24);
// The picture's bytes as a file of that format (JPEG flags: superb quality, no chroma subsampling and these).
std::string Encode(FIBITMAP* image, bool jpeg, int jpegFlags = 0);
// The picture's bytes as a file of any FREE_IMAGE_FORMAT FreeImage writes, with its save flags.
std::string EncodeAs(FIBITMAP* image, int format, int flags = 0);
// Saves a w x h picture (JPEG, PNG, WebP by extension, else BMP) of one colour with a black left column and
// bottom row.
bool MakeImageFile(const std::string& path, int w, int h, COLORREF colour = RGB(200, 40, 40));

}  // namespace testing_support
