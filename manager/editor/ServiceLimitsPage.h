#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Limits": the memory, CPU and handles the program and its descendants may use before the host
// acts, what it does then, and the job's memory cap.
class ServiceLimitsPage : public EditorPage {
public:
    ServiceLimitsPage();

    void FromRecord(const ServiceDefinition& record) override { fields_ = FieldsFromRecord(Page::Limits, record); }
    void ToRecord(ServiceDefinition& record) const override { FieldsToRecord(fields_, record); }
    // The job's cap also needs the Settings page's job type: the editor checks it on the record.
    ValidationFailure ValidateTexts() const override { return ValidateFields(fields_); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    TableFields fields_{Page::Limits};
};

}  // namespace editor
