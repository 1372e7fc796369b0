#pragma once

#include <string>
#include <vector>

#include "EditorPage.h"
#include "PageValues.h"

namespace editor {

// "Dependencies": the services and the load-order groups the service depends on.
class ServiceDepsPage : public EditorPage {
public:
    ServiceDepsPage();

    void FromRecord(const ServiceDefinition& record) override { values_ = DependenciesFromRecord(record); }
    void ToRecord(ServiceDefinition& record) const override { DependenciesToRecord(values_, record); }
    // Fills both list boxes from the page lists.
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void Add(int listBox, const std::string& text, std::vector<std::string>& list);
    void Remove(int listBox, std::vector<std::string>& list);
    void Rebuild(int listBox, std::vector<std::string>& list) const;

    DependencyValues values_;
    std::string serviceText_, groupText_;
};

}  // namespace editor
