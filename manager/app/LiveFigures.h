#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app {

// What the main window shows of a Velmora service's run, as the list's texts; empty: nothing
// to show (stopped, or the host publishes nothing).
struct LiveFigures {
    std::string name;
    std::string processId, runTime, restarts, memory, cpu;
};

// Reads the figures on a thread of its own, so the window never waits on the registry or the
// processes: Request() hands it the services to read, and once they are read `window` gets
// `message`, on which Take() gives them. The program's id, run time and restarts are what its
// host publishes; memory and CPU are those it publishes with limits (the program's tree), else
// the program's own as measured here. The service control manager is not asked: the host clears
// what it published when the service stops, and a program that is no longer there shows nothing.
class LiveFigureReader {
public:
    LiveFigureReader(HWND window, UINT message);
    ~LiveFigureReader();
    LiveFigureReader(const LiveFigureReader&) = delete;
    LiveFigureReader& operator=(const LiveFigureReader&) = delete;

    // False while the last request is still being read: the next one comes on the next tick.
    bool Request(std::vector<std::string> names);
    std::vector<LiveFigures> Take();

private:
    struct CpuSeen {
        std::uint64_t cpu100ns;
        ULONGLONG tick;
    };
    void Loop();
    LiveFigures Read(const std::string& name, std::map<DWORD, CpuSeen>& seen);

    HWND window_;
    UINT message_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> asked_;
    std::vector<LiveFigures> read_;
    bool busy_ = false, quit_ = false;
    std::map<DWORD, CpuSeen> cpu_;  // the worker's alone: each program's processor time at the last read
    std::thread thread_;  // last: it uses everything above
};

}  // namespace app
