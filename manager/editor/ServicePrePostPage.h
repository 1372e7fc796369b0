#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Pre-service / Post-service": the programs run before the service starts and after it stops.
class ServicePrePostPage : public EditorPage {
public:
    ServicePrePostPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = PrePostFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { PrePostToRecord(values_, record); }

protected:
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    PrePostValues values_;
};

}  // namespace editor
