// The install and remove flows of the main window: both run the host program and report
// through the message catalogue.
#include "HostRunner.h"
#include "Messages.h"
#include "ServiceControl.h"
#include "ServiceManagerWindow.h"
#include "WaitCursor.h"

namespace app {

void ServiceManagerWindow::InstallServiceDefinition(const std::string& serviceName, const std::string& definitionPath,
                                                    bool startAfterInstall, const ui::SecretText* password)
{
    ui::WaitCursor wait;
    bool proceed = true;
    for (const std::unique_ptr<scm::ScmService>& service : services_) {
        if (service->Name() != serviceName) continue;
        proceed = scm::EnsureStopped(*service, MSG_STOP_BEFORE_INSTALL);
        wait.Restore();
        // The list's handle would keep a replaced service from going away.
        if (proceed) service->CloseHandle();
        break;
    }
    if (proceed) {
        std::optional<std::string_view> input;
        if (password) input = password->View();
        const runner::HostRun run = runner::RunHostProgram(installationDir_, "-i " + definitionPath, input);
        runner::ReportRunOutcome(run, MSG_INSTALL_SUCCEEDED, MSG_INSTALL_FAILED, Handle());
        wait.Restore();
        if (run.outcome == runner::RunSucceeded && startAfterInstall) scm::StartOrStopService(serviceName, true);
        Sleep(kSettleMs);
    }
    RefreshServiceList();
}

void ServiceManagerWindow::RemoveSelectedService()
{
    ui::WaitCursor wait;
    UpdateData(true);
    if (scm::ScmService* service = SelectedService()) {
        const bool proceed = scm::EnsureStopped(*service, MSG_STOP_BEFORE_REMOVE);
        wait.Restore();
        if (proceed) {
            // The list's handle would keep the removed service from going away.
            service->CloseHandle();
            const runner::HostRun run = runner::RunHostProgram(installationDir_, "-u \"" + service->Name() + "\"");
            runner::ReportRunOutcome(run, MSG_REMOVE_SUCCEEDED, MSG_REMOVE_FAILED, Handle());
            wait.Restore();
            Sleep(kSettleMs);
        }
    }
    RefreshServiceList();
}

}  // namespace app
