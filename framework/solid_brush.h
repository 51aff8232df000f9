// A solid brush for colour handlers: made on first use, kept until the
// program ends (an object of static storage duration deletes it at exit).
#pragma once
#include <windows.h>

class CSolidBrush {
public:
    explicit CSolidBrush(COLORREF colour) : m_colour(colour) {}
    ~CSolidBrush();
    CSolidBrush(const CSolidBrush&) = delete;
    CSolidBrush& operator=(const CSolidBrush&) = delete;

    HBRUSH Get();

private:
    COLORREF m_colour;
    HBRUSH m_hBrush = nullptr;
};
