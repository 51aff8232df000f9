// The About box: program name and version, credits, and one big button.
#pragma once
#include <windows.h>

#include "decor/color_button.h"
#include "framework/dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override = default;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;

private:
    CColorButton m_btnOk;
};
