#include "NotificationDialog.h"

#include <cstdint>
#include <string>

#include "DataExchange.h"
#include "DefinitionValidation.h"
#include "Dialog.h"
#include "EditorIds.h"
#include "Notification.h"
#include "PageActions.h"

namespace editor {

namespace {

constexpr int kEvents = static_cast<int>(notification::Event::Count);

class NotificationDialog : public ui::Dialog {
public:
    explicit NotificationDialog(const ServiceDefinition::Notification* existing)
        : Dialog(IDD_NOTIFICATION), editing_(existing != nullptr)
    {
        if (existing) entry_ = *existing;
        webhook_ = entry_.webhook ? 1 : 0;
        target_ = entry_.target;
        header_ = entry_.header;
        const std::uint32_t mask = notification::Parse(entry_.on).mask;
        for (int i = 0; i < kEvents; ++i) events_[i] = (mask >> i) & 1u;
    }

    const ServiceDefinition::Notification& Entry() const { return entry_; }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Dialog::OnInitDialog();
        CentreOverOwner(*this);
        SetTitle(editing_ ? "Edit Notification" : "New Notification");
        for (int i = 0; i < kEvents; ++i)
            SetItemText(IDC_NOTIFY_EVENTS + i, notification::Name(static_cast<notification::Event>(i)));
        CheckRadioButton(Handle(), IDC_NOTIFY_HOOK, IDC_NOTIFY_WEBHOOK, webhook_ ? IDC_NOTIFY_WEBHOOK : IDC_NOTIFY_HOOK);
        ShowKind();
        return result;
    }

    void DoDataExchange(ui::DataExchange& exchange) override
    {
        ui::DdxCheck(exchange, IDC_NOTIFY_WEBHOOK, webhook_);
        ui::DdxText(exchange, IDC_NOTIFY_TARGET, target_);
        ui::DdxText(exchange, IDC_NOTIFY_HEADER, header_);
        for (int i = 0; i < kEvents; ++i) ui::DdxCheck(exchange, IDC_NOTIFY_EVENTS + i, events_[i]);
    }

    bool OnCommand(int id, int code, HWND) override
    {
        if ((id == IDC_NOTIFY_HOOK || id == IDC_NOTIFY_WEBHOOK) && code == BN_CLICKED) {
            ShowKind();
        } else if (id == IDC_NOTIFY_TARGET && code == EN_KILLFOCUS) {
            TrimField(*this, id);
        } else {
            return false;
        }
        return true;
    }

    void OnOK() override
    {
        if (!UpdateData(true)) return;
        ServiceDefinition::Notification entry;
        entry.webhook = webhook_ != 0;
        std::uint32_t mask = 0;
        for (int i = 0; i < kEvents; ++i)
            if (events_[i]) mask |= 1u << i;
        entry.on = EventsText(mask, entry_.on);
        entry.target = target_;
        // A hook takes no header: the box is off for hooks and what it held is not kept.
        if (entry.webhook) entry.header = header_;
        const ValidationFailure failure = CheckNotification(entry);
        if (RefuseInDialog(*this, failure)) return;
        entry_ = entry;
        EndDialog(IDOK);
    }

private:
    // The label and the header box follow the kind chosen.
    void ShowKind()
    {
        const bool webhook = SendMessageA(Item(IDC_NOTIFY_WEBHOOK), BM_GETCHECK, 0, 0) == BST_CHECKED;
        SetItemText(IDC_NOTIFY_TARGET_LABEL, webhook ? "&URL (http:// or https://):" : "Co&mmand line:");
        EnableWindow(Item(IDC_NOTIFY_HEADER), webhook);
    }

    bool editing_;
    ServiceDefinition::Notification entry_;
    int webhook_ = 0;
    std::string target_, header_;
    int events_[kEvents] = {};
};

}  // namespace

std::optional<ServiceDefinition::Notification> AskNotification(HWND owner,
                                                               const ServiceDefinition::Notification* existing)
{
    NotificationDialog dialog(existing);
    if (dialog.DoModal(owner) != IDOK) return std::nullopt;
    return dialog.Entry();
}

}  // namespace editor
