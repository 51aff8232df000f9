#include "library/system_image_list.h"

#include <shellapi.h>

bool CSystemImageList::Attach()
{
    SHFILEINFOA info = {};
    m_hImageList = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    return m_hImageList != nullptr;
}

HIMAGELIST CSystemImageList::Detach()
{
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    return h;
}

int CSystemImageList::GetSmallIconIndex(const char* name, DWORD attributes)
{
    SHFILEINFOA info = {};
    if (!::SHGetFileInfoA(name, attributes, &info, sizeof info,
                          SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return 0;
    return info.iIcon;
}
