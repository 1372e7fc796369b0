#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Output": the files that keep the program's standard output and errors, when a new file is
// started and how many old ones stay, and time stamps on the lines.
class ServiceOutputPage : public EditorPage {
public:
    ServiceOutputPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = OutputFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { OutputToRecord(values_, record); }
    ValidationFailure ValidateTexts() const override { return ValidateFields(values_.fields); }

protected:
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    OutputValues values_;
};

}  // namespace editor
