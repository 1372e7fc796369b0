#include "TableFieldsPage.h"

#include "DataExchange.h"
#include "PageActions.h"

namespace editor {

TableFieldsPage::TableFieldsPage(int dialogId, Page page, int actions, Validation validate)
    : EditorPage(dialogId, page), page_(page), actions_(actions), validate_(validate), fields_{page}
{
}

BOOL TableFieldsPage::OnInitDialog()
{
    FillExitActions(*this, actions_);
    return PropertyPage::OnInitDialog();
}

void TableFieldsPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, fields_);
}

bool TableFieldsPage::OnCommand(int id, int code, HWND)
{
    if (code != EN_KILLFOCUS) return false;
    LeaveField(*this, page_, id);
    return true;
}

}  // namespace editor
