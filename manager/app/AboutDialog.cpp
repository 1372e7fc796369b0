#include "AboutDialog.h"

#include "Formatting.h"
#include "MainWindowIds.h"
#include "Product.h"
#include "SupportDetails.h"
#include "SystemTools.h"

namespace app {

AboutDialog::AboutDialog(std::string installationDir) : Dialog(IDD_ABOUT), installationDir_(std::move(installationDir))
{
}

BOOL AboutDialog::OnInitDialog()
{
    versionLine_ = Format("Velmora %s Service Manager %s Build %s", kEdition, kVersion, kBuildDate);
    SetItemText(IDC_ABOUT_VERSION, versionLine_);
    SetItemText(IDC_ABOUT_WEB, std::string("Web: ") + kWebSite + "\r\n");
    return Dialog::OnInitDialog();
}

bool AboutDialog::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_ABOUT_DETAILS:
        ShowSupportDetails(versionLine_, installationDir_, Handle());
        return true;
    case IDC_ABOUT_SYSTEM_INFO:
        OpenSystemInformation();
        return true;
    default:
        return false;
    }
}

}  // namespace app
