#pragma once

#include <functional>
#include <string>

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Log On / Recovery": the account the service runs as, delayed start and the pre-shutdown
// timeout, and what the system does when the service fails.
class ServiceLogOnPage : public EditorPage {
public:
    // `serviceName` gives the name the Program page holds now: the virtual account is named
    // after it.
    explicit ServiceLogOnPage(std::function<std::string()> serviceName);

    void FromRecord(const ServiceDefinition& record) override { values_ = LogOnFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { LogOnToRecord(values_, record); }
    ValidationFailure ValidateTexts() const override { return ValidateLogOn(values_); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // The name field holds the typed name for a kind that is typed, else the kind's own name.
    void ShowAccount();
    void ApplyRecoveryRule();

    std::function<std::string()> serviceName_;
    LogOnValues values_;
    int shownKind_ = -1;  // the kind whose name the name field holds
};

}  // namespace editor
