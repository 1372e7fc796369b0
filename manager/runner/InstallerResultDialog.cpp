#include "InstallerResultDialog.h"

#include "Messages.h"
#include "OutputDetailsDialog.h"
#include "ResourceIds.h"

namespace runner {

namespace {
std::string WithoutTrailingSpace(std::string text)
{
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}
}  // namespace

InstallerResultDialog::InstallerResultDialog(DWORD messageId, std::string caption, std::string details)
    : Dialog(IDD_INSTALLER_RESULT),
      messageText_(WithoutTrailingSpace(messages::FormatMessageText(messageId))),
      caption_(std::move(caption)),
      details_(std::move(details))
{
}

BOOL InstallerResultDialog::OnInitDialog()
{
    SetTitle(caption_);
    SetItemText(IDC_RESULT_TEXT, messageText_);
    return Dialog::OnInitDialog();
}

bool InstallerResultDialog::OnCommand(int id, int, HWND)
{
    if (id != IDC_RESULT_DETAILS) return false;
    OutputDetailsDialog(caption_ + " Details", details_).DoModal(Handle());
    return true;
}

}  // namespace runner
