#pragma once

#include "PageValues.h"
#include "PropertySheet.h"

// "Settings": start-up, window, job, exit action with its monitoring interval, priority,
// processor binding (shown, never changed here) and debug logging.
class ServiceOptionsPage : public ui::PropertyPage {
public:
    ServiceOptionsPage();

    void FromRecord(const ServiceDefinition& record) { values_ = page_values::OptionsFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const { page_values::OptionsToRecord(values_, record); }
    // The log file and its button follow the debugging flag; the interval follows the exit
    // action. Applied from the page values, which the editor shows right after.
    void ApplyEnableRules();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ApplyDebugRule(bool debugging);
    void ApplyMonitoringRule(int exitAction);

    page_values::OptionsValues values_;
};
