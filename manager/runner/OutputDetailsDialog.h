#pragma once

#include <string>

#include "Dialog.h"

namespace runner {

// A title and a long text in a read-only, scrolling edit box.
class OutputDetailsDialog : public ui::Dialog {
public:
    OutputDetailsDialog(std::string title, std::string text);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;

private:
    std::string title_;
    std::string text_;
};

// The text with every line end as CR LF, which is what an edit box breaks lines at.
std::string WithEditLineEnds(const std::string& text);

}  // namespace runner
