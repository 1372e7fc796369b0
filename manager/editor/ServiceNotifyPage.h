#pragma once

#include <cstddef>

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Notify": the programs run (hooks) and the URLs posted to (webhooks) on the service's events,
// in the order they are told, and how long a hook may run.
class ServiceNotifyPage : public EditorPage {
public:
    ServiceNotifyPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = NotifyFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { NotifyToRecord(values_, record); }
    ValidationFailure ValidateTexts() const override { return ValidateFields(values_.fields); }
    // One row per hook or webhook, in list order.
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void AddEntry();
    void EditEntry();
    void RemoveEntry();
    void ShowRow(std::size_t row, bool insert);

    NotifyValues values_;
};

}  // namespace editor
