#include "ReportList.h"

#include <commctrl.h>

#include "Dialog.h"

namespace editor {

void SetUpReportList(HWND list, std::initializer_list<ListColumn> columns)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ListColumn& c : columns) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = ui::Scaled(list, c.width);
        column.pszText = const_cast<char*>(c.title);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&column));
    }
}

void ShowListRow(HWND list, std::size_t row, std::initializer_list<std::string> cells, bool insert)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    for (const std::string& cell : cells) {
        // The control copies the text; it never writes through the pointer.
        item.pszText = const_cast<char*>(cell.c_str());
        if (insert && item.iSubItem == 0) {
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        } else {
            SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        }
        ++item.iSubItem;
    }
    SendMessageA(list, LVM_REDRAWITEMS, row, row);
}

std::size_t MarkedRow(HWND list, std::size_t rows)
{
    const LRESULT mark = SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
    if (mark < 0 || static_cast<std::size_t>(mark) >= rows) return kNoRow;
    return static_cast<std::size_t>(mark);
}

}  // namespace editor
