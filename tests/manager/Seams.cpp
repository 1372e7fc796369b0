#include "Seams.h"

#include <gtest/gtest.h>

std::string ControlText(HWND window, int id) { return ui::WindowText(GetDlgItem(window, id)); }

namespace {
// No test may block on a box or a modal dialog: outside a recorder, one is a failure that is
// answered at once.
class NothingBlocks : public ::testing::Environment {
public:
    void SetUp() override
    {
        ui::SetMessageBoxHandler([](HWND, const std::string& text, const std::string&, UINT) {
            ADD_FAILURE() << "unexpected message box: " << text;
            return IDCANCEL;
        });
        ui::SetModalHandler([](ui::Dialog& dialog, HWND) -> INT_PTR {
            ADD_FAILURE() << "unexpected modal dialog " << dialog.TemplateId();
            return IDCANCEL;
        });
    }
};

[[maybe_unused]] ::testing::Environment* const nothingBlocks = ::testing::AddGlobalTestEnvironment(new NothingBlocks);
}  // namespace
