// A push button, check box or radio button of a dialog.
#pragma once
#include <windows.h>

#include "framework/window.h"

class CButton : public CWindow {
public:
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetCheck(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};
