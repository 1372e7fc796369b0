#include "ServicePrePostPage.h"

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {
constexpr int kMaxTime = 100000000;

struct Block {
    int workingDir, browseDir, executable, browseExe, parameters, time;
};
const Block kBlocks[] = {
    {IDC_PRE_WORKING_DIR, IDC_PRE_BROWSE_DIR, IDC_PRE_EXECUTABLE, IDC_PRE_BROWSE_EXE, IDC_PRE_PARAMETERS, IDC_PRE_TIME},
    {IDC_POST_WORKING_DIR, IDC_POST_BROWSE_DIR, IDC_POST_EXECUTABLE, IDC_POST_BROWSE_EXE, IDC_POST_PARAMETERS,
     IDC_POST_TIME},
};

void Exchange(ui::DataExchange& exchange, const Block& block, InvocationValues& values)
{
    ui::DdxText(exchange, block.workingDir, values.workingDir);
    ui::DdxText(exchange, block.executable, values.executable);
    ui::DdxText(exchange, block.parameters, values.parameters);
    ui::DdxInt(exchange, block.time, values.time, 0, kMaxTime);
}
}  // namespace

ServicePrePostPage::ServicePrePostPage() : EditorPage(IDD_PAGE_PREPOST, Page::PrePost) {}

void ServicePrePostPage::DoDataExchange(ui::DataExchange& exchange)
{
    Exchange(exchange, kBlocks[0], values_.pre);
    Exchange(exchange, kBlocks[1], values_.post);
}

bool ServicePrePostPage::OnCommand(int id, int code, HWND)
{
    for (const Block& block : kBlocks) {
        if (code == EN_KILLFOCUS && id == block.time) {
            DefaultTime(*this, id);
            return true;
        }
        if (code == EN_KILLFOCUS && (id == block.workingDir || id == block.executable || id == block.parameters)) {
            TrimField(*this, id);
            return true;
        }
        if (code == BN_CLICKED && id == block.browseDir) {
            BrowseFolder(*this, block.workingDir);
            return true;
        }
        if (code == BN_CLICKED && id == block.browseExe) {
            BrowseExecutable(*this, block.executable, block.workingDir);
            return true;
        }
    }
    return false;
}

}  // namespace editor
