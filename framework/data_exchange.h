// Moves values between dialog controls and members, in either direction.
#pragma once
#include <windows.h>

class CDialog;
class CWindow;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate);

    bool Failed() const { return m_bFailed; }

    // Binds a member control object to the dialog item (once).
    void Control(int id, CWindow& control);
    // A whole decimal number. Reading text that is not one keeps the value
    // and reports "Please enter an integer." to the dialog.
    void Int(int id, int& value);

    // Whole decimal number with optional blanks around and a sign;
    // false for anything else, including values that do not fit an int.
    static bool ParseInteger(const char* text, int& value);

private:
    CDialog& m_dialog;
    HWND m_hDlg;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};
