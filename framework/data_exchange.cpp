#include "framework/data_exchange.h"

#include <climits>
#include <cstdio>

#include "framework/window.h"

CDataExchange::CDataExchange(HWND hDlg, ErrorHook& errors, bool saveAndValidate)
    : m_hDlg(hDlg), m_errors(errors), m_bSaveAndValidate(saveAndValidate)
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
        m_errors.ReportDataExchangeError(id, "Please enter an integer.");
        return;
    }
    value = parsed;
}

void CDataExchange::IntRange(int id, int& value, int minimum, int maximum)
{
    int read = value;
    Int(id, read);
    if (!m_bSaveAndValidate || m_bFailed)
        return;
    value = read < minimum ? minimum : read > maximum ? maximum : read;
}

void CDataExchange::RadioIndex(const int* ids, std::size_t count, int& index)
{
    if (m_bFailed)
        return;
    if (m_bSaveAndValidate) {
        index = -1;
        for (std::size_t i = 0; i < count && index < 0; ++i)
            if (::IsDlgButtonChecked(m_hDlg, ids[i]) == BST_CHECKED)
                index = static_cast<int>(i);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        ::CheckDlgButton(m_hDlg, ids[i], static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED);
}
