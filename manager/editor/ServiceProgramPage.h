#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Program": the service's identity and the program that runs as the service.
class ServiceProgramPage : public EditorPage {
public:
    ServiceProgramPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = ProgramFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { ProgramToRecord(values_, record); }

protected:
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void SuggestDisplayName();

    ProgramValues values_;
};

}  // namespace editor
