#include "library/library_list.h"

#include <cstdio>

#include "decor/palette.h"
#include "library/file_tools.h"
#include "library/library.h"
#include "library/system_image_list.h"
#include "resource.h"

namespace {

int s_nSortColumn = 0;
int s_nLastSortColumn = 0;
int s_bSortAscending = 1;

std::string ItemText(HWND list, int item, int subItem)
{
    char text[MAX_PATH + 1] = {};
    LVITEMA lvi = {};
    lvi.iSubItem = subItem;
    lvi.pszText = text;
    lvi.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lvi));
    text[sizeof text - 1] = '\0';
    return text;
}

}  // namespace

void CLibraryList::SetUp(CSystemImageList* images)
{
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
         LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
    LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);

    struct ColumnDef { const char* heading; int format; int width; };
    static const ColumnDef kColumns[] = {
        {"Image File Name", LVCFMT_LEFT, 150},
        {"Size", LVCFMT_RIGHT, 42},
        {"Type", LVCFMT_CENTER, 48},  // wide enough for "WEBP"
    };
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = kColumns[i].format;
        col.cx = ScaleToScreen(kColumns[i].width);
        col.pszText = const_cast<char*>(kColumns[i].heading);
        col.iSubItem = i;
        Send(LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    Send(LVM_SETBKCOLOR, 0, palette::kPaleBlue);
    Send(LVM_SETTEXTBKCOLOR, 0, palette::kPaleBlue);

    if (images && images->Attach())
        Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images->Handle()));
}

bool CLibraryList::Fill(const CLibrary& library)
{
    if (!library.Exists())
        return false;

    // One repaint at the end instead of one per row.
    Send(WM_SETREDRAW, FALSE);
    Send(LVM_DELETEALLITEMS);
    m_sortKeys.clear();
    // The shell is asked once per kind of entry, not once per file.
    struct Icon { std::string extension; DWORD attributes; int index; };
    std::vector<Icon> icons;
    CFileTools fileTools;
    for (const CLibrary::Entry& entry : library.ListPictures()) {
        const std::string ext = CFileTools::UpperCase(fileTools.GetFileExtension(entry.name));
        const DWORD kind = entry.attributes & FILE_ATTRIBUTE_DIRECTORY ? FILE_ATTRIBUTE_DIRECTORY
                                                                       : FILE_ATTRIBUTE_NORMAL;
        auto icon = icons.begin();
        while (icon != icons.end() && (icon->extension != ext || icon->attributes != kind))
            ++icon;
        if (icon == icons.end())
            icon = icons.insert(icons.end(), {ext, kind, CSystemImageList::GetSmallIconIndex(entry.name.c_str(), kind)});

        // The item data is the row's place in m_sortKeys.
        const int i = static_cast<int>(m_sortKeys.size());
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.pszText = const_cast<char*>(entry.name.c_str());
        item.iImage = icon->index;
        item.lParam = i;
        const int index = static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (index < 0)
            continue;
        const unsigned long kilobytes = entry.sizeLow / 1024;
        m_sortKeys.push_back({entry.name, kilobytes, ext});

        char size[24];
        std::snprintf(size, sizeof size, "%lu", kilobytes);
        LVITEMA sub = {};
        sub.iSubItem = kColumnSize;
        sub.pszText = size;
        Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
        sub.iSubItem = kColumnType;
        sub.pszText = const_cast<char*>(ext.c_str());
        Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
    }
    Sort();
    Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

void CLibraryList::OnColumnClick(int column)
{
    if (column != s_nLastSortColumn)
        s_bSortAscending = 1;
    else
        s_bSortAscending = !s_bSortAscending;
    s_nSortColumn = column;
    Sort();
}

void CLibraryList::Sort()
{
    // Fewer than two rows are never compared, so the last compared column stays.
    if (GetItemCount() > 1)
        s_nLastSortColumn = s_nSortColumn;
    Send(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&m_sortKeys),
         reinterpret_cast<LPARAM>(&CLibraryList::CompareListItems));
    // Only the rows in view are drawn; invalidating each of thousands of rows
    // one by one costs more than the sort.
    const int top = static_cast<int>(Send(LVM_GETTOPINDEX));
    const int perPage = static_cast<int>(Send(LVM_GETCOUNTPERPAGE));
    Send(LVM_REDRAWITEMS, top, top + perPage);
}

int CALLBACK CLibraryList::CompareListItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    const SortKeys& keys = *reinterpret_cast<const SortKeys*>(lParamSort);
    const size_t i1 = static_cast<size_t>(lParam1);
    const size_t i2 = static_cast<size_t>(lParam2);
    if (i1 >= keys.size() || i2 >= keys.size())
        return 0;
    const SortKey& a = keys[i1];
    const SortKey& b = keys[i2];
    int result;
    if (s_nSortColumn == kColumnSize)
        // Sizes compare by their number, so 200 KB comes before 1500 KB.
        result = a.kilobytes < b.kilobytes ? -1 : (a.kilobytes > b.kilobytes ? 1 : 0);
    else if (s_nSortColumn == kColumnType)
        result = ::lstrcmpA(a.type.c_str(), b.type.c_str());
    else
        result = ::lstrcmpA(a.name.c_str(), b.name.c_str());
    return s_bSortAscending ? result : -result;
}

int CLibraryList::GetItemCount() const
{
    return static_cast<int>(Send(LVM_GETITEMCOUNT));
}

int CLibraryList::GetSelectedCount() const
{
    return static_cast<int>(Send(LVM_GETSELECTEDCOUNT));
}

int CLibraryList::GetNextSelected(int item) const
{
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(item), MAKELPARAM(LVNI_SELECTED, 0)));
}

std::string CLibraryList::GetItemText(int item, int subItem) const
{
    return ItemText(m_hWnd, item, subItem);
}

void CLibraryList::SetItemSelected(int item, bool selected)
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
}

void CLibraryList::ClearSelection()
{
    int item = GetNextSelected(-1);
    while (item != -1) {
        const int next = GetNextSelected(item);
        SetItemSelected(item, false);
        item = next;
    }
}

int CLibraryList::FindItem(const std::string& text, bool partial) const
{
    LVFINDINFOA find = {};
    find.flags = partial ? LVFI_PARTIAL : LVFI_STRING;
    find.psz = text.c_str();
    return static_cast<int>(Send(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CLibraryList::EnsureVisible(int item)
{
    Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

void CLibraryList::ResetSortState()
{
    s_nSortColumn = 0;
    s_nLastSortColumn = 0;
    s_bSortAscending = 1;
}

void CLibraryList::ShowContextMenu(HWND owner, HMENU popup, size_t screens) const
{
    if (!popup)
        return;
    const UINT state = GetSelectedCount() == 1 ? MF_ENABLED : MF_GRAYED;
    ::EnableMenuItem(popup, ID_LIST_SET_WALLPAPER, MF_BYCOMMAND | state);
    for (UINT i = 0; i < kMaxScreenItems; ++i)
        ::DeleteMenu(popup, ID_LIST_SET_ON_SCREEN + i, MF_BYCOMMAND);
    for (UINT i = 0; screens > 1 && i < screens && i < kMaxScreenItems; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "Set on screen %u", i + 1);
        ::InsertMenuA(popup, 1 + i, MF_BYPOSITION | MF_STRING | state, ID_LIST_SET_ON_SCREEN + i, text);
    }
    POINT pt = {};
    ::GetCursorPos(&pt);
    // Foreground first, or the menu would not close when clicked away.
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
}

void CLibraryList::SelectAndShow(const std::string& text, bool partial, bool only)
{
    if (only)
        ClearSelection();
    const int item = FindItem(text, partial);
    if (item == -1)
        return;
    ::SetFocus(m_hWnd);
    SetItemSelected(item, true);
    EnsureVisible(item);
}

std::vector<std::string> CLibraryList::SelectedNames() const
{
    std::vector<std::string> names;
    for (int item = GetNextSelected(-1); item != -1; item = GetNextSelected(item))
        names.push_back(GetItemText(item));
    return names;
}
