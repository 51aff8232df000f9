// Helpers shared by the tests: temporary folders, message pumping, answering
// modal boxes, and small files.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/win_app.h"

// The application object of the test process.
class CTestApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
};

// A fresh folder under %TEMP%, made current while the object lives and
// removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }
private:
    std::string m_path;
    std::string m_previousDir;
};

namespace testing_support {

// Dispatches pending messages through the application's pre-translation for
// about the given time.
void Pump(DWORD milliseconds = 0);
// Pumps until the predicate holds or the time runs out; returns the predicate.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Answers the next modal dialog of this process whose caption is `caption`
// (a message box or any #32770 dialog) by pressing the button `buttonId`,
// once it appears. Works from inside the modal loop through a thread timer.
// Records the dialog's static text in `seenText` when given.
void AnswerNextDialog(const std::string& caption, int buttonId, std::string* seenText = nullptr);
// Whether the last AnswerNextDialog request has been answered.
bool DialogAnswered();
// Stops a pending request.
void CancelAnswer();

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
std::string WindowText(HWND hWnd);

// Runs `action` once on the next visible dialog of this thread captioned
// `caption`, from a thread timer, so it works inside modal loops. One
// request at a time; DialogHandled tells whether the action has run.
void OnNextDialog(const std::string& caption, std::function<void(HWND)> action);
bool DialogHandled();
void CancelDialogAction();

// While it lives, now and then cancels every modal dialog of this thread
// (one whose owner is disabled) and records its caption: a fault then fails
// the test instead of hanging it in a modal loop.
class DialogWatchdog {
public:
    explicit DialogWatchdog(DWORD periodMs = 15000);
    ~DialogWatchdog();
    const std::vector<std::string>& Closed() const;
private:
    UINT_PTR m_timer;
};

// Chooses files of `folder` in an open-file dialog as a user would: one by
// typing its full path, several by going to the folder first and typing the
// quoted names. False when the dialog did not reach the folder.
bool ChooseFilesInOpenDialog(HWND dialog, const std::string& folder, const std::vector<std::string>& names);

// Saves a w x h test picture (JPEG or BMP by extension) with a colour pattern.
bool MakeImageFile(const std::string& path, int w, int h, COLORREF colour = RGB(200, 40, 40));

}  // namespace testing_support
