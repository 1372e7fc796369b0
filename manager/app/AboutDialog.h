#pragma once

#include <string>

#include "Dialog.h"

namespace app {

// The About box. Escape and the close box send the id of "Details...", so they open the support
// report; only OK closes the box.
class AboutDialog : public ui::Dialog {
public:
    explicit AboutDialog(std::string installationDir);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string installationDir_;
    std::string versionLine_;
};

}  // namespace app
