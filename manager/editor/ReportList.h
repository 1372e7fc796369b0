#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <string>

// The list views of the editor's pages: a report view whose rows mirror a container the page
// owns, row i showing entry i.
namespace editor {

struct ListColumn {
    const char* title;
    int width;
};
constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// Full-row selection and these left-aligned columns.
void SetUpReportList(HWND list, std::initializer_list<ListColumn> columns);
// Shows a row's cells, first column first; `insert` adds the row at that position first.
void ShowListRow(HWND list, std::size_t row, std::initializer_list<std::string> cells, bool insert);
// The row the user chose last, or kNoRow when there is none among the first `rows`.
std::size_t MarkedRow(HWND list, std::size_t rows);

}  // namespace editor
