#include "framework/data_exchange.h"

#include <climits>
#include <cstdio>

#include "framework/dialog.h"
#include "framework/window.h"

CDataExchange::CDataExchange(CDialog& dialog, bool saveAndValidate)
    : m_dialog(dialog), m_hDlg(dialog.m_hWnd), m_bSaveAndValidate(saveAndValidate)
{
}

void CDataExchange::Control(int id, CWindow& control)
{
    if (m_bFailed || control.m_hWnd)
        return;
    control.Attach(::GetDlgItem(m_hDlg, id));
}

bool CDataExchange::ParseInteger(const char* text, int& value)
{
    if (!text)
        return false;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (*p < '0' || *p > '9')
        return false;
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            return false;
        ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '\0')
        return false;
    if (negative)
        v = -v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    value = static_cast<int>(v);
    return true;
}

void CDataExchange::Int(int id, int& value)
{
    if (m_bFailed)
        return;
    HWND item = ::GetDlgItem(m_hDlg, id);
    if (!m_bSaveAndValidate) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        ::SetWindowTextA(item, text);
        return;
    }
    char text[64] = {};
    ::GetWindowTextA(item, text, sizeof text);
    int parsed = 0;
    if (!ParseInteger(text, parsed)) {
        m_bFailed = true;
        m_dialog.ReportDataExchangeError(id, "Please enter an integer.");
        return;
    }
    value = parsed;
}
