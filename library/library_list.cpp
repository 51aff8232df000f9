#include "library/library_list.h"

#include <cstdio>
#include <cstdlib>

#include "library/file_tools.h"
#include "library/system_image_list.h"

namespace {

int s_nSortColumn = 0;
int s_nLastSortColumn = 0;
int s_bSortAscending = 1;

const COLORREF kListBackground = RGB(189, 195, 234);

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

int FindByParam(HWND list, LPARAM param)
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = param;
    return static_cast<int>(::SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(&find)));
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
        {"Type", LVCFMT_CENTER, 40},
    };
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = kColumns[i].format;
        col.cx = kColumns[i].width;
        col.pszText = const_cast<char*>(kColumns[i].heading);
        col.iSubItem = i;
        Send(LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    Send(LVM_SETBKCOLOR, 0, kListBackground);
    Send(LVM_SETTEXTBKCOLOR, 0, kListBackground);

    if (images && images->Attach())
        Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images->Handle()));
}

bool CLibraryList::Fill(const std::string& folder, const CFileTools& fileTools)
{
    if (folder.empty() || !fileTools.FolderExists(folder))
        return false;

    Send(LVM_DELETEALLITEMS);
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        int i = 0;
        do {
            const std::string name = fd.cFileName;
            const std::string ext = CFileTools::UpperCase(fileTools.GetFileExtension(name));
            if (ext != "BMP" && ext != "JPG")
                continue;
            const std::string full = folder + "\\" + name;
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = const_cast<char*>(name.c_str());
            item.iImage = CSystemImageList::GetSmallIconIndex(full.c_str());
            const int index = static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            if (index < 0)
                continue;

            char size[24];
            std::snprintf(size, sizeof size, "%lu", static_cast<unsigned long>(fd.nFileSizeLow / 1024));
            LVITEMA sub = {};
            sub.iSubItem = kColumnSize;
            sub.pszText = size;
            Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
            sub.iSubItem = kColumnType;
            sub.pszText = const_cast<char*>(ext.c_str());
            Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));

            LVITEMA param = {};
            param.mask = LVIF_PARAM;
            param.iItem = index;
            param.lParam = i;
            Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&param));
            ++i;
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    Sort();
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
    Send(LVM_SORTITEMS, reinterpret_cast<WPARAM>(m_hWnd),
         reinterpret_cast<LPARAM>(&CLibraryList::CompareListItems));
    Send(LVM_REDRAWITEMS, 0, GetItemCount());
}

int CALLBACK CLibraryList::CompareListItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    HWND list = reinterpret_cast<HWND>(lParamSort);
    const std::string text1 = ItemText(list, FindByParam(list, lParam1), s_nSortColumn);
    const std::string text2 = ItemText(list, FindByParam(list, lParam2), s_nSortColumn);
    int result;
    if (s_nSortColumn == kColumnSize) {
        // Sizes compare by their number, so 200 KB comes before 1500 KB.
        const unsigned long long a = std::strtoull(text1.c_str(), nullptr, 10);
        const unsigned long long b = std::strtoull(text2.c_str(), nullptr, 10);
        result = a < b ? -1 : (a > b ? 1 : 0);
    } else {
        result = ::lstrcmpA(text1.c_str(), text2.c_str());
    }
    if (!s_bSortAscending)
        result = -result;
    s_nLastSortColumn = s_nSortColumn;
    return result;
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

int CLibraryList::SortColumn() { return s_nSortColumn; }
bool CLibraryList::SortAscending() { return s_bSortAscending != 0; }
