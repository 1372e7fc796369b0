#pragma once

#include <cstddef>

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Supervision": the program run first when the service stops and how long a stop waits for
// the service's program, the actions chosen by exit code, and the restart limit.
class ServiceSupervisionPage : public EditorPage {
public:
    ServiceSupervisionPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = SupervisionFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { SupervisionToRecord(values_, record); }
    ValidationFailure ValidateTexts() const override { return ValidateFields(values_.fields); }
    // One row per exit action, in list order.
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void AddAction();
    void EditAction();
    void RemoveAction();
    void ShowRow(std::size_t row, bool insert);

    SupervisionValues values_;
};

}  // namespace editor
