// Shows the hourglass for the lifetime of the object (counted, so nested
// long operations keep it until the outermost one ends).
#pragma once
#include "framework/win_app.h"

class CWaitCursor {
public:
    CWaitCursor() { if (CWinApp* app = CWinApp::Instance()) app->BeginWaitCursor(); }
    ~CWaitCursor() { if (CWinApp* app = CWinApp::Instance()) app->EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
