// The library list (control 1003): one row per image file of the library
// folder, with icon, size in KB and type, sortable by any column.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/window.h"

class CLibrary;
class CSystemImageList;

class CLibraryList : public CWindow {
public:
    enum Column { kColumnName = 0, kColumnSize = 1, kColumnType = 2 };

    // Extended styles, shared image lists, columns, colours and icons.
    void SetUp(CSystemImageList* images);
    // The list's pop-up menu at the cursor, its commands going to `owner`:
    // "Set as wallpaper" for one selected row, and "Set on screen 1" to N
    // (commands ID_LIST_SET_ON_SCREEN and on) when there are several screens.
    static const unsigned kMaxScreenItems = 16;
    void ShowContextMenu(HWND owner, HMENU popup, size_t screens) const;
    // Rebuilds every row from the library's pictures and sorts them by the
    // current sort state. False (rows untouched) when the folder is missing.
    bool Fill(const CLibrary& library);
    // Sorts by the clicked column: ascending for a new column, reversed for
    // the column compared last.
    void OnColumnClick(int column);
    void Sort();

    int GetItemCount() const;
    int GetSelectedCount() const;
    // The next selected row after `item` (-1: from the top); -1 when none.
    int GetNextSelected(int item) const;
    std::string GetItemText(int item, int subItem = 0) const;
    void SetItemSelected(int item, bool selected);
    void ClearSelection();
    // First row from the top whose text equals (or, when partial, begins
    // with) the text; -1 when none.
    int FindItem(const std::string& text, bool partial) const;
    void EnsureVisible(int item);
    // The row whose name matches (see FindItem) alone selected, focused and
    // in view; the other selections go first when `only`.
    void SelectAndShow(const std::string& text, bool partial, bool only);
    // The names of the selected rows, in list order.
    std::vector<std::string> SelectedNames() const;

    // lParam1 and lParam2 are rows' item data, lParamSort the SortKeys of
    // the fill: the list must not be sent messages from inside its sort.
    static int CALLBACK CompareListItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

    // The sort state lives for the whole run; tests start from the initial one.
    static void ResetSortState();

private:
    // What a comparison needs of one row, indexed by the row's item data.
    struct SortKey {
        std::string name;
        unsigned long kilobytes;
        std::string type;
    };
    using SortKeys = std::vector<SortKey>;

    SortKeys m_sortKeys;
};
