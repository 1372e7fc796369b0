#pragma once

#include <cstddef>
#include <string>

#include "PageValues.h"
#include "PropertySheet.h"

namespace editor {

// "Environment": the variables given to the program, one row each, edited in their own dialog.
class ServiceEnvPage : public ui::PropertyPage {
public:
    ServiceEnvPage();

    void FromRecord(const ServiceDefinition& record) { variables_ = record.Environment; }
    void ToRecord(ServiceDefinition& record) const { record.Environment = variables_; }
    // One row per variable, in list order.
    void Refresh();

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
