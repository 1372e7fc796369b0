#include "PasswordDialog.h"

#include <string>

#include "Dialog.h"
#include "EditorIds.h"
#include "Messages.h"
#include "PageActions.h"

namespace editor {

namespace {

constexpr int kFields[] = {IDC_PASSWORD, IDC_PASSWORD_CONFIRM};

// Overwrites what the field holds before emptying it, so that its memory keeps no password.
void WipeField(HWND edit)
{
    const int length = GetWindowTextLengthA(edit);
    if (length > 0) SetWindowTextA(edit, std::string(static_cast<std::size_t>(length), '*').c_str());
    SetWindowTextA(edit, "");
}

class PasswordDialog : public ui::Dialog {
public:
    explicit PasswordDialog(const std::string& account) : Dialog(IDD_PASSWORD), account_(account) {}

    ui::SecretText& Password() { return password_; }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Dialog::OnInitDialog();
        CentreOverOwner(*this);
        SetItemText(IDC_PASSWORD_ACCOUNT, "The service logs on as " + account_ + ".");
        for (int id : kFields) SendMessageA(Item(id), EM_LIMITTEXT, ui::SecretText::kMaxChars, 0);
        return result;
    }

    void OnOK() override
    {
        ui::SecretText confirmation;
        const bool read = password_.ReadFrom(Item(IDC_PASSWORD)) && confirmation.ReadFrom(Item(IDC_PASSWORD_CONFIRM));
        for (int id : kFields) WipeField(Item(id));
        if (!read || !password_.SameAs(confirmation)) {
            password_.Wipe();
            messages::ShowMessage(messages::kError, MSG_PASSWORD_MISMATCH);
            SetFocus(Item(IDC_PASSWORD));
            return;
        }
        EndDialog(IDOK);
    }

    void OnDestroy() override
    {
        for (int id : kFields) WipeField(Item(id));
    }

private:
    std::string account_;
    ui::SecretText password_;
};

}  // namespace

std::optional<ui::SecretText> AskPassword(HWND owner, const std::string& account)
{
    PasswordDialog dialog(account);
    if (dialog.DoModal(owner) != IDOK) return std::nullopt;
    return std::move(dialog.Password());
}

}  // namespace editor
