#pragma once

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// A page whose every field is a setting of the table, with a list of the exit's actions:
// "Health" (the check that tells when the program is ready and the one that watches it while it
// runs, with what the host does after failed checks) and "Limits" (the memory, CPU and handles
// the program and its descendants may use before the host acts, what it does then, and the
// job's memory cap).
class TableFieldsPage : public EditorPage {
public:
    using Validation = ValidationFailure (*)(const TableFields& fields);
    // `actions`: the list that offers the same actions as the program's exit.
    TableFieldsPage(int dialogId, Page page, int actions, Validation validate);

    void FromRecord(const ServiceDefinition& record) override { fields_ = FieldsFromRecord(page_, record); }
    void ToRecord(ServiceDefinition& record) const override { FieldsToRecord(fields_, record); }
    ValidationFailure ValidateTexts() const override { return validate_(fields_); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    Page page_;
    int actions_;
    Validation validate_;
    TableFields fields_;
};

}  // namespace editor
