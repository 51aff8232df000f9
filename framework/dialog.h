// Base class of every window of the program: a dialog built from a template,
// modeless or modal, with a message table, data exchange and the standard
// dialog keyboard handling.
#pragma once
#include <windows.h>

#include "framework/ctl_colors.h"
#include "framework/data_exchange.h"
#include "framework/message_table.h"
#include "framework/window.h"

class CDialog : public CWindow, protected CDataExchange::ErrorHook {
public:
    explicit CDialog(UINT templateId) : m_nTemplateId(templateId) {}
    ~CDialog() override;

    // Modeless: creates the window (hidden unless the template says otherwise).
    bool Create(HWND parent);
    // Modal: runs until EndDialog and returns its result (-1 on failure).
    INT_PTR DoModal(HWND parent);

    // Reads the controls into the members (true) or writes them (false);
    // false when a field could not be read.
    bool UpdateData(bool saveAndValidate = true);
    // A modal dialog ends; a modeless one is only hidden.
    void EndDialog(int result);

    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }

    // Keyboard and mouse input goes through the dialog manager (Tab, arrows,
    // Enter as IDOK, Escape as IDCANCEL).
    bool PreTranslateMessage(MSG* msg) override;

protected:
    // WM_PAINT of a minimised window: the icon, centred; false (nothing
    // painted) when the window is not minimised.
    bool PaintIconic(HICON icon);

    // A field could not be read: runs OnDataExchangeError, during which the
    // field's own notifications (the focus leaving it for a message box and
    // coming back) do not reach the message table, so that they cannot read
    // the field a second time.
    void ReportDataExchangeError(int id, const char* text) override;

    virtual BOOL OnInitDialog();              // first data exchange; TRUE = default focus
    virtual void DoDataExchange(CDataExchange&) {}
    virtual void OnOK();                      // read back, then end with IDOK
    virtual void OnCancel();                  // end with IDCANCEL
    // A field could not be read: by default the application's message box
    // shows `text`, then the focus goes back into the field.
    virtual void OnDataExchangeError(int id, const char* text);
    // Self-deleting windows delete here. Runs once the window is gone and no
    // handler of this dialog is still on the stack (a handler whose message
    // box outlived the window returns into a live object).
    virtual void PostNcDestroy() {}

    // The message table of the derived class; true when a handler ran.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Colours of the dialog and its controls (kept by the caller); without
    // them the system's.
    void SetCtlColors(CCtlColors& colours) { m_pCtlColors = &colours; }
    // Called by a table handler that wants the message's default processing
    // as well (its result is then ignored).
    void SetMsgHandled(bool handled) { m_bMsgHandled = handled; }

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // What the dialog manager would return for a colour message.
    HBRUSH DefaultCtlColor(HDC hdc, HWND control, UINT kind);

    UINT m_nTemplateId;
    CCtlColors* m_pCtlColors = nullptr;
    int m_nErrorFieldId = 0;           // field whose read error is being reported
    bool m_bModal = false;
    bool m_bMsgHandled = true;
    int m_nDispatchDepth = 0;          // messages of this dialog being handled
    bool m_bPostNcDestroyDue = false;  // window gone; PostNcDestroy when depth is 0
};
