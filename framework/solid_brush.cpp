#include "framework/solid_brush.h"

CSolidBrush::~CSolidBrush()
{
    if (m_hBrush)
        ::DeleteObject(m_hBrush);
}

HBRUSH CSolidBrush::Get()
{
    if (!m_hBrush)
        m_hBrush = ::CreateSolidBrush(m_colour);
    return m_hBrush;
}
