#pragma once

#include "DefinitionValidation.h"
#include "PropertySheet.h"
#include "Quillon.h"

namespace editor {

// One page of the service definition editor: its tab, its share of the record, and the rules
// its texts must pass before anything is written. The editor walks its pages through this.
class EditorPage : public ui::PropertyPage {
public:
    EditorPage(int templateId, Page id) : PropertyPage(templateId), id_(id) {}

    Page Id() const { return id_; }
    virtual void FromRecord(const ServiceDefinition& record) = 0;
    virtual void ToRecord(ServiceDefinition& record) const = 0;
    // After a load, before the values are shown: what the data exchange does not show itself.
    virtual void Refresh() {}
    // A number that does not convert never reaches the record, so its text is checked first.
    virtual ValidationFailure ValidateTexts() const { return {}; }

private:
    Page id_;
};

}  // namespace editor
