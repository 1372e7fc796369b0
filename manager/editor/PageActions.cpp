#include "PageActions.h"

#include "Messages.h"
#include "PageValues.h"
#include "ShellDialogs.h"

namespace editor {

bool ShowFailure(const ValidationFailure& failure)
{
    if (failure.messageId == 0) return false;
    if (failure.detail.empty()) {
        messages::ShowMessage(messages::kError, failure.messageId);
    } else {
        messages::ShowMessage(messages::kError, failure.messageId, {failure.detail.c_str()});
    }
    return true;
}

bool RefuseInDialog(ui::Dialog& dialog, const ValidationFailure& failure)
{
    if (!ShowFailure(failure)) return false;
    SetFocus(dialog.Item(failure.control));
    return true;
}

void TrimField(ui::Dialog& page, int field)
{
    // Only this field is touched: taking every value here would report a bad number elsewhere
    // on the page each time the focus moves.
    const std::string text = page.ItemText(field);
    const std::string trimmed = Trimmed(text);
    if (trimmed != text) page.SetItemText(field, trimmed);
}

void DefaultTime(ui::Dialog& page, int field)
{
    if (NeedsDefaultTime(page.ItemText(field))) page.SetItemText(field, std::to_string(ServiceDefinition::kDefaultDelay));
    page.UpdateData(true);
}

void LeaveField(ui::Dialog& page, settings::Page tab, int field)
{
    const settings::Setting* row = FindFieldSetting(tab, field);
    const bool number = row && row->editor.control == settings::Control::Edit && !settings::HoldsText(*row);
    if (number && !row->editor.blankWhenDefault && Trimmed(page.ItemText(field)).empty()) {
        page.SetItemText(field, std::to_string(row->defaultValue));
        return;
    }
    TrimField(page, field);
}

void FillExitActions(ui::Dialog& dialog, int combo)
{
    for (const char* name : kExitActionNames)
        SendMessageA(dialog.Item(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void ExchangeFields(ui::DataExchange& exchange, TableFields& fields)
{
    for (auto& [control, text] : fields.text) ui::DdxText(exchange, control, text);
    for (auto& [control, state] : fields.state) {
        if (FieldSetting(fields.page, control).editor.control == settings::Control::Combo)
            ui::DdxComboIndex(exchange, control, state);
        else
            ui::DdxCheck(exchange, control, state);
    }
}

void BrowseFolder(ui::Dialog& page, int folderField)
{
    if (const auto folder = ChooseFolder(page.Handle())) page.SetItemText(folderField, *folder);
}

void BrowseExecutable(ui::Dialog& page, int executableField, int folderField)
{
    FileRequest request;
    request.owner = page.Handle();
    request.defaultExtension = "exe";
    request.initialName = page.ItemText(executableField);
    if (request.initialName.empty() && folderField != 0) request.initialFolder = page.ItemText(folderField);
    request.filters = {{"Applications (*.exe)", "*.exe"}, {"Batch Files (*.bat)", "*.bat"}, {"All Files (*.*)", "*.*"}};
    const auto chosen = ChooseFile(request);
    if (!chosen) return;
    page.SetItemText(executableField, *chosen);
    if (folderField != 0 && page.ItemText(folderField).empty()) page.SetItemText(folderField, FolderPart(*chosen));
}

void BrowseLogFile(ui::Dialog& page, int logField, bool toWrite)
{
    FileRequest request;
    request.owner = page.Handle();
    request.save = toWrite;
    request.defaultExtension = "log";
    request.initialName = page.ItemText(logField);
    request.filters = {{"Log Files (*.log)", "*.log"}, {"All Files (*.*)", "*.*"}};
    if (const auto chosen = ChooseFile(request)) page.SetItemText(logField, *chosen);
}

void CentreOverOwner(ui::Dialog& dialog)
{
    HWND owner = GetWindow(dialog.Handle(), GW_OWNER);
    if (!owner) return;
    RECT ownerRect{}, own{};
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(dialog.Handle(), &own);
    const int x = (ownerRect.left + ownerRect.right - (own.right - own.left)) / 2;
    const int y = (ownerRect.top + ownerRect.bottom - (own.bottom - own.top)) / 2;
    SetWindowPos(dialog.Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace editor
