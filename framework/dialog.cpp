#include "framework/dialog.h"

#include "framework/gdi_owners.h"
#include "framework/win_app.h"

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        Unregister();
        HWND hWnd = Detach();
        ::DestroyWindow(hWnd);
    }
}

bool CDialog::Create(HWND parent)
{
    m_bModal = false;
    HWND hWnd = ::CreateDialogParamA(CWinApp::Instance()->ResourceInstance(),
                                     MAKEINTRESOURCEA(m_nTemplateId), parent,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal(HWND parent)
{
    m_bModal = true;
    return ::DialogBoxParamA(CWinApp::Instance()->ResourceInstance(),
                             MAKEINTRESOURCEA(m_nTemplateId), parent,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(m_hWnd, *this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::EndDialog(int result)
{
    if (m_bModal)
        ::EndDialog(m_hWnd, result);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::ReportDataExchangeError(int id, const char* text)
{
    const int outer = m_nErrorFieldId;
    m_nErrorFieldId = id;
    OnDataExchangeError(id, text);
    m_nErrorFieldId = outer;
}

void CDialog::OnDataExchangeError(int id, const char* text)
{
    HWND field = Item(id);
    CWinApp::Instance()->MessageBox(m_hWnd, text, MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(field);
}

bool CDialog::PreTranslateMessage(MSG* msg)
{
    const bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
                       (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
    if (!input || !m_hWnd)
        return false;
    return ::IsDialogMessageA(m_hWnd, msg) != FALSE;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

HBRUSH CDialog::DefaultCtlColor(HDC hdc, HWND control, UINT kind)
{
    return reinterpret_cast<HBRUSH>(::DefWindowProcA(m_hWnd, WM_CTLCOLORMSGBOX + kind,
                                                     reinterpret_cast<WPARAM>(hdc),
                                                     reinterpret_cast<LPARAM>(control)));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        self->m_hWnd = hWnd;
        self->Register();
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    ++self->m_nDispatchDepth;
    const INT_PTR result = self->HandleMessage(msg, wParam, lParam);
    if (--self->m_nDispatchDepth == 0 && self->m_bPostNcDestroyDue) {
        self->m_bPostNcDestroyDue = false;
        self->PostNcDestroy();  // may delete self
    }
    return result;
}

INT_PTR CDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG)
        return OnInitDialog();

    if (msg == WM_NCDESTROY) {
        HWND hWnd = m_hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        Unregister();
        m_hWnd = nullptr;
        CWinApp* app = CWinApp::Instance();
        if (app && app->MainWindow() == this) {
            app->SetMainWindow(nullptr);
            ::PostQuitMessage(0);
        }
        m_bPostNcDestroyDue = true;  // DialogProc runs it once no handler is left
        return FALSE;
    }

    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        if (!m_pCtlColors)
            return FALSE;
        HDC hdc = reinterpret_cast<HDC>(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        const UINT kind = msg - WM_CTLCOLORMSGBOX;
        return reinterpret_cast<INT_PTR>(m_pCtlColors->Brush(hdc, control, kind, DefaultCtlColor(hdc, control, kind)));
    }

    // The focus moves of an error report are not the user's.
    if (msg == WM_COMMAND && m_nErrorFieldId && lParam && LOWORD(wParam) == m_nErrorFieldId)
        return FALSE;

    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType == ODT_BUTTON) {
            if (CWindow* control = CWindow::FromHandle(dis->hwndItem)) {
                control->DrawItem(dis);
                return TRUE;
            }
        }
    }

    LRESULT result = 0;
    const bool outer = m_bMsgHandled;
    m_bMsgHandled = true;
    const bool handled = OnMessage(msg, wParam, lParam, result);
    const bool wantsDefault = !m_bMsgHandled;
    m_bMsgHandled = outer;
    if (handled && wantsDefault)
        return FALSE;
    if (handled) {
        // Messages whose result is the return value itself, not DWLP_MSGRESULT.
        if (msg == WM_QUERYDRAGICON || msg == WM_CTLCOLORDLG)
            return static_cast<INT_PTR>(result);
        if (m_hWnd)
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }

    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

bool CDialog::PaintIconic(HICON icon)
{
    if (!::IsIconic(m_hWnd))
        return false;
    const CPaintDC dc(m_hWnd);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon);
    return true;
}
