#pragma once

#include <string>

#include "Dialog.h"

namespace editor {

// One environment variable: a new one (empty name) or an existing one, whose name is fixed.
class ServiceEnvVarDialog : public ui::Dialog {
public:
    ServiceEnvVarDialog(std::string name = {}, std::string value = {});

    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;

private:
    std::string name_;
    std::string value_;
};

}  // namespace editor
