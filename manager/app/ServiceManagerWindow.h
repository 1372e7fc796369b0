#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Dialog.h"
#include "EditorOwner.h"
#include "LiveFigures.h"
#include "ScmService.h"
#include "Toolbar.h"
#include "UniqueResource.h"

namespace app {

namespace detail {
inline HIMAGELIST NullImageList() { return nullptr; }
inline void DestroyImageList(HIMAGELIST list) { ImageList_Destroy(list); }
}  // namespace detail
using UniqueImageList = UniqueResource<HandleTraits<HIMAGELIST, detail::NullImageList, detail::DestroyImageList>>;

// The program's main window: the service list with its filter, the toolbar, menu and
// accelerators, and the commands on the selected service. The window owns the listed services
// until the next refresh; each list item carries its service's index.
class ServiceManagerWindow : public ui::Dialog, public editor::EditorOwner {
public:
    // The pause after a start, stop, install or remove, before the list is read again.
    static constexpr DWORD kSettleMs = 500;
    // How often the run figures of the listed Velmora services are read again.
    static constexpr UINT kFiguresMs = 2000;

    ServiceManagerWindow(std::string installationDir, bool useManagementConsole);
    ~ServiceManagerWindow() override;

    void InstallServiceDefinition(const std::string& serviceName, const std::string& definitionPath,
                                  bool startAfterInstall, const ui::SecretText* password) override;
    std::string InstallationDir() const override { return installationDir_; }
    HWND OwnerWindow() const override { return Handle(); }

    // Lists the services again, keeping the selection by key name where it can.
    void RefreshServiceList();
    // Enables the hidden Edit, Start, Stop and Restart buttons for the selected service; true
    // when it is one of ours.
    bool UpdateCommandState();
    void RemoveSelectedService();

    // The service of the item at the list's selection mark, or null.
    scm::ScmService* SelectedService() const;
    int ItemCount() const;
    scm::ScmService* ServiceAt(int index) const;

    // Appends an item for the service, which the window then owns.
    void AddServiceItem(std::unique_ptr<scm::ScmService> service);
    // Selects the first item whose key name equals `keyName` exactly, with case; without one,
    // the item before `previousIndex` (or the first when that was 0).
    void RestoreSelection(const std::string& keyName, int previousIndex);

    bool PreTranslateMessage(MSG& message) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

private:
    HWND List() const;
    void SetUpList();
    void ClearList();
    void Select(int index);
    // Stop and/or start the selected service, then pause and refresh.
    void SendToSelected(bool stop, bool start);
    void NewDefinition();
    void EditSelected();
    // The run figures: asked of the reader for the listed Velmora services, then shown in
    // place, each text only when it changed, so the list neither flickers nor loses its selection.
    void RequestFigures();
    void ShowFigures();
    void ShowFiguresAt(int index, const LiveFigures& figures);
    // The selected service's output file or debug log, as its settings name it; empty when
    // there is none or the file is not there.
    std::string SelectedFile(bool debugLog) const;
    void ViewSelectedFile(bool debugLog);

    std::string installationDir_;
    bool useManagementConsole_;
    int ownOnly_ = BST_CHECKED;
    UniqueImageList images_;
    ui::Toolbar toolbar_;
    HACCEL accelerators_ = nullptr;
    // An item's lParam indexes this; the list sorts its items, so positions differ.
    std::vector<std::unique_ptr<scm::ScmService>> services_;
    // The editors opened from this window; an earlier one stays open when another is opened,
    // and the last one is the one Exit closes first.
    std::vector<std::unique_ptr<ui::Dialog>> editors_;
    std::unique_ptr<LiveFigureReader> figures_;
    std::map<std::string, LiveFigures> figuresShown_;  // the last read, by service name

public:
    // The most recently opened editor, or none.
    ui::Dialog* LastEditor() const { return editors_.empty() ? nullptr : editors_.back().get(); }
};

}  // namespace app
