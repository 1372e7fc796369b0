// Times RefreshServiceList with 300 of our services installed against a bare loop of the same
// enumeration and configuration queries, in one run (scripts/bench-refresh.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "MainWindowIds.h"
#include "ScmConnection.h"
#include "ServiceManagerWindow.h"
#include "UniqueResource.h"

namespace {

constexpr int kServices = 300;
constexpr int kRounds = 7;

std::string Name(int i) { return "vlbench" + std::to_string(i); }

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

template <typename Work>
double Time(Work work)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

// What a refresh asks the service manager, without the list.
int BareLoop()
{
    scm::ScmConnection connection;
    const int count = connection.Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL);
    int own = 0;
    for (int i = 0; i < count; ++i) {
        auto service = connection.OpenService(connection.NameAt(i), SERVICE_ALL_ACCESS);
        if (!service || !service->QueryConfig()) continue;
        service->SetState(connection.StateAt(i));
        if (service->IsOwnService()) ++own;
    }
    return own;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main()
{
    UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    for (int i = 0; i < kServices; ++i) {
        const std::string name = Name(i), display = "Bench Service " + std::to_string(1000 + i);
        UniqueScHandle created(CreateServiceA(manager.get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              "C:\\bench\\Velmora.exe -s", nullptr, nullptr, nullptr, nullptr,
                                              nullptr));
        if (!created) {
            std::printf("could not create %s (%lu)\n", name.c_str(), GetLastError());
            return 1;
        }
    }
    app::ServiceManagerWindow window("C:\\bench", true);
    if (!window.Create(nullptr)) return 1;
    std::vector<double> refresh, bare;
    int own = 0;
    for (int round = 0; round < kRounds; ++round) {
        refresh.push_back(Time([&] { window.RefreshServiceList(); }));
        bare.push_back(Time([&] { own = BareLoop(); }));
    }
    std::printf("services listed: %d (bare loop found %d of ours)\n", window.ItemCount(), own);
    std::printf("RefreshServiceList: median %.1f ms of %d rounds\n", Median(refresh) * 1000, kRounds);
    std::printf("bare loop:          median %.1f ms of %d rounds\n", Median(bare) * 1000, kRounds);
    std::printf("ratio: %.2fx (goal: within 1.15x)\n", Median(refresh) / Median(bare));

    for (int i = 0; i < kServices; ++i) {
        UniqueScHandle service(OpenServiceA(manager.get(), Name(i).c_str(), DELETE));
        if (service) DeleteService(service.get());
    }
    return 0;
}
