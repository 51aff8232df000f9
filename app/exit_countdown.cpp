#include "app/exit_countdown.h"

namespace {
const UINT kPeriod = 60000;
}

void CExitCountdown::Arm(HWND owner, int minutes)
{
    Disarm();
    m_owner = owner;
    m_nTimeoutMinutes = minutes;
    m_nMinutesElapsed = 0;
    if (minutes > 0 && owner)
        ::SetTimer(owner, kTimerId, kPeriod, nullptr);
}

void CExitCountdown::Disarm()
{
    if (m_owner)
        ::KillTimer(m_owner, kTimerId);
}

bool CExitCountdown::Tick()
{
    if (++m_nMinutesElapsed < m_nTimeoutMinutes)
        return false;
    Disarm();
    return true;
}
