#pragma once

#include <cstddef>
#include <string>

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Environment": the variables given to the program, one row each, edited in their own dialog.
class ServiceEnvPage : public EditorPage {
public:
    ServiceEnvPage();

    void FromRecord(const ServiceDefinition& record) override { variables_ = record.Environment; }
    void ToRecord(ServiceDefinition& record) const override { record.Environment = variables_; }
    // One row per variable, in list order.
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void NewVariable();
    void EditVariable();
    void RemoveVariable();
    // The row the user chose last, or kNoVariable.
    std::size_t MarkedRow() const;
    void ShowRow(std::size_t row, bool insert);

    Variables variables_;
};

}  // namespace editor
