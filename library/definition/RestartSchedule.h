#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The daily restart times of a definition (RestartAt: "HH:MM" in local time, several joined by
// commas in the record) and when the next one falls due. Read in one place, so that the install
// checks, the editor and the host agree on every text.
namespace restart_schedule {

struct Times {
    std::vector<std::uint16_t> minutes;  // minutes after local midnight, ascending, each once
    std::string problem;                 // why the text is no list of times; empty when it is
};

// "03:00,15:30" (blanks around each time are ignored). Each time is two digits, a colon and two
// digits, from 00:00 to 23:59, and is listed once.
inline Times Parse(const std::string& joined)
{
    Times times;
    if (joined.empty()) return times;
    for (std::size_t start = 0; start <= joined.size();) {
        const std::size_t comma = std::min(joined.find(',', start), joined.size());
        std::string item = joined.substr(start, comma - start);
        start = comma + 1;
        const std::size_t first = item.find_first_not_of(" \t\r\n");
        item = first == std::string::npos ? std::string() : item.substr(first, item.find_last_not_of(" \t\r\n") - first + 1);
        const auto digit = [&item](std::size_t i) { return item[i] >= '0' && item[i] <= '9'; };
        if (item.size() != 5 || item[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
            times.problem = "\"" + item + "\" is not a time of day HH:MM";
            break;
        }
        const int hours = (item[0] - '0') * 10 + (item[1] - '0'), minutes = (item[3] - '0') * 10 + (item[4] - '0');
        if (hours > 23 || minutes > 59) {
            times.problem = "\"" + item + "\" is not a time of day from 00:00 to 23:59";
            break;
        }
        const auto minute = static_cast<std::uint16_t>(hours * 60 + minutes);
        if (std::find(times.minutes.begin(), times.minutes.end(), minute) != times.minutes.end()) {
            times.problem = "\"" + item + "\" is listed twice";
            break;
        }
        times.minutes.push_back(minute);
    }
    if (!times.problem.empty()) times.minutes.clear();
    std::sort(times.minutes.begin(), times.minutes.end());
    return times;
}

// A moment as the schedule sees it: the local wall clock, as a count of minutes (local days
// since any fixed day times 1440, plus the minute of the day), and the machine's steady clock.
struct Moment {
    std::int64_t localMinute;
    std::uint64_t steadyMs;
};

// When a restart is due. A time is taken when the local clock reaches or passes it while the
// host watches: a time skipped by a clock change forward is taken once the clock is past it, a
// time the clock passes twice (a change back) only once, since each time is taken at most once
// within 23 hours. A time that passes while the host is not watching (the machine was off, or
// a restart or stop was under way) is not made up.
class Schedule {
public:
    explicit Schedule(std::vector<std::uint16_t> minutes) : minutes_(std::move(minutes)), taken_(minutes_.size()) {}

    // Watching starts (or starts again after a restart): what passed before is not due.
    void Start(const Moment& now) { last_ = now.localMinute; watching_ = true; }
    void Pause() { watching_ = false; }

    // Whether a time has been reached since the last call; it is then taken.
    bool Due(const Moment& now)
    {
        if (!watching_ || minutes_.empty()) return false;
        const std::int64_t from = last_, to = now.localMinute;
        last_ = to;
        if (to <= from) return false;  // the same minute, or the clock went back
        bool due = false;
        for (std::size_t i = 0; i < minutes_.size(); ++i) {
            // The first minute after `from` that is this time of day: reached when it is not past `to`.
            const std::int64_t day = from - Modulo(from, 1440);
            std::int64_t at = day + minutes_[i];
            if (at <= from) at += 1440;
            if (at > to) continue;
            if (taken_[i].valid && now.steadyMs - taken_[i].steadyMs < kAgainMs) continue;
            taken_[i] = {true, now.steadyMs};
            due = true;
        }
        return due;
    }

    // Minutes from `localMinute` until the next time (0 when one is this minute); -1 without times.
    std::int64_t MinutesToNext(std::int64_t localMinute) const
    {
        if (minutes_.empty()) return -1;
        const std::int64_t ofDay = Modulo(localMinute, 1440);
        for (std::uint16_t m : minutes_)
            if (m >= ofDay) return m - ofDay;
        return 1440 - ofDay + minutes_.front();
    }

    static constexpr std::uint64_t kAgainMs = 23ull * 3600 * 1000;

private:
    static std::int64_t Modulo(std::int64_t a, std::int64_t b) { return ((a % b) + b) % b; }

    struct Taken {
        bool valid = false;
        std::uint64_t steadyMs = 0;
    };
    std::vector<std::uint16_t> minutes_;
    std::vector<Taken> taken_;
    std::int64_t last_ = 0;
    bool watching_ = false;
};

}  // namespace restart_schedule
