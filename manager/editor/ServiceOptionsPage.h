#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Settings": start-up, window, job, exit action with its monitoring interval, priority,
// processor binding (shown, never changed here) and debug logging.
class ServiceOptionsPage : public EditorPage {
public:
    ServiceOptionsPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = OptionsFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { OptionsToRecord(values_, record); }
    // The log file and its button follow the debugging flag; the interval follows the exit
    // action. Applied from the page values, which the editor shows right after.
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ApplyDebugRule(bool debugging);
    void ApplyMonitoringRule(int exitAction);

    OptionsValues values_;
};

}  // namespace editor
