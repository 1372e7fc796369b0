#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Health": the check that tells when the program is ready, and the check that watches it while
// it runs, with what the host does after failed checks.
class ServiceHealthPage : public EditorPage {
public:
    ServiceHealthPage();

    void FromRecord(const ServiceDefinition& record) override { fields_ = FieldsFromRecord(Page::Health, record); }
    void ToRecord(ServiceDefinition& record) const override { FieldsToRecord(fields_, record); }
    ValidationFailure ValidateTexts() const override { return ValidateHealth(fields_); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    TableFields fields_{Page::Health};
};

}  // namespace editor
