// The About box: program name and version, credits, and one big button.
#pragma once
#include <windows.h>

#include "decor/color_button.h"
#include "framework/dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
    ~CAboutDlg() override = default;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    // The only message handling of its own; IDOK, IDCANCEL and the close
    // box end the dialog through the base class.
    HBRUSH OnCtlColor(HDC hdc, HWND control, UINT kind) override;

private:
    CColorButton m_btnOk;
};
