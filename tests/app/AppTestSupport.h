#pragma once

#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ServiceManagerWindow.h"
#include "TempDir.h"
#include "UniqueResource.h"
#include "WinTestUtil.h"

// Services the tests create are named in lower case: Wine's service manager finds a service
// created since it started only by its lower-case name.
class ServiceSet {
public:
    ServiceSet() = default;
    ~ServiceSet()
    {
        for (const std::string& name : names_) wintest::RemoveServiceQuietly(name.c_str());
    }
    ServiceSet(const ServiceSet&) = delete;
    ServiceSet& operator=(const ServiceSet&) = delete;

    bool Create(const std::string& name, const std::string& displayName, const std::string& binaryPath,
                DWORD startType = SERVICE_DEMAND_START)
    {
        names_.push_back(name);
        UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(CreateServiceA(manager.get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                              binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        return static_cast<bool>(service);
    }
    // Removed at the end even when created by someone else (the host program).
    void Track(const std::string& name) { names_.push_back(name); }

private:
    std::vector<std::string> names_;
};

// A service program that really runs, under the host program's file name, so that the services
// it serves count as ours.
class OwnServiceProgram {
public:
    OwnServiceProgram()
    {
        std::filesystem::copy_file(wintest::ProgramFolder() + "\\velmora_test_service.exe",
                                   dir_.Path() / "Velmora.exe");
    }
    std::string CommandLine() const { return (dir_.Path() / "Velmora.exe").string() + " -s"; }

private:
    TempDir dir_;
};

inline std::string ItemText(HWND list, int item, int subItem)
{
    char text[512] = {};
    LVITEMA column{};
    column.iSubItem = subItem;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&column));
    return text;
}

inline int ItemImage(HWND list, int item)
{
    LVITEMA image{};
    image.mask = LVIF_IMAGE;
    image.iItem = item;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&image));
    return image.iImage;
}

// The position of the service with this key name in the window's list, or -1.
inline int IndexOf(const app::ServiceManagerWindow& window, const std::string& name)
{
    for (int i = 0; i < window.ItemCount(); ++i) {
        if (window.ServiceAt(i)->Name() == name) return i;
    }
    return -1;
}

inline int SelectionMark(const app::ServiceManagerWindow& window, int listId)
{
    return static_cast<int>(SendMessageA(window.Item(listId), LVM_GETSELECTIONMARK, 0, 0));
}

// Selects an item the way a click does, and tells the window of the click.
inline void ClickItem(app::ServiceManagerWindow& window, int listId, int index)
{
    HWND list = window.Item(listId);
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, index);
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(listId);
    click.hdr.code = NM_CLICK;
    click.iItem = index;
    SendMessageA(window.Handle(), WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&click));
}

inline void Command(const ui::Dialog& window, int id)
{
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Runs `step` from inside whatever message loop is running at the time.
inline std::function<void()>& PendingStep()
{
    static std::function<void()> step;
    return step;
}
inline void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    auto step = std::move(PendingStep());
    PendingStep() = nullptr;
    if (step) step();
}
inline void Soon(std::function<void()> step)
{
    PendingStep() = std::move(step);
    SetTimer(nullptr, 0, 50, RunPendingStep);
}
