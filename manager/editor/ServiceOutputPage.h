#pragma once

#include "PageValues.h"
#include "PropertySheet.h"

namespace editor {

// "Output": the files that keep the program's standard output and errors, when a new file is
// started and how many old ones stay, and time stamps on the lines.
class ServiceOutputPage : public ui::PropertyPage {
public:
    ServiceOutputPage();

    void FromRecord(const ServiceDefinition& record) { values_ = OutputFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const { OutputToRecord(values_, record); }
    const OutputValues& Values() const { return values_; }

protected:
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    OutputValues values_;
};

}  // namespace editor
