// Moves values between dialog controls and members, in either direction.
#pragma once
#include <windows.h>

class CWindow;

class CDataExchange {
public:
    CDataExchange(HWND hDlg, bool saveAndValidate)
        : m_hDlg(hDlg), m_bSaveAndValidate(saveAndValidate) {}

    bool IsSaving() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }

    // Binds a member control object to the dialog item (once).
    void Control(int id, CWindow& control);
    // A whole decimal number. Reading text that is not one shows
    // "Please enter an integer.", puts the focus back and keeps the value.
    void Int(int id, int& value);

    // Whole decimal number with optional blanks around and a sign;
    // false for anything else, including values that do not fit an int.
    static bool ParseInteger(const char* text, int& value);

private:
    HWND m_hDlg;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};
