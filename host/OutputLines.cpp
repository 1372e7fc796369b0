#include "OutputLines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace output {

namespace {

// "." and the rotation time: ".20261209-213005-123".
constexpr std::size_t kTimeLength = 1 + 8 + 1 + 6 + 1 + 3;

// File names compare without regard to ASCII letter case, as the file system does.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameLetters(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// The name without its extension, and the extension with its dot (possibly empty).
std::pair<std::string, std::string> SplitExtension(const std::string& fileName)
{
    const std::string::size_type dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {fileName, std::string()};
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

bool IsTimePart(const std::string& text)
{
    if (text.size() != kTimeLength || text[0] != '.' || text[9] != '-' || text[16] != '-') return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (i == 9 || i == 16) continue;
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

}  // namespace

std::string Stamp(const LocalTime& t)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100, t.milliseconds % 1000);
    return text;
}

void LineCutter::Emit(const char* data, std::size_t size, const std::string& stamp, std::string& out)
{
    if (!stamped_) {
        out.append(data, size);
        if (size) lineStart_ = data[size - 1] == '\n';
        return;
    }
    while (size) {
        if (lineStart_) out += stamp;
        const void* end = std::memchr(data, '\n', size);
        const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) + 1 : size;
        out.append(data, length);
        lineStart_ = end != nullptr;
        data += length;
        size -= length;
    }
}

void LineCutter::Feed(const char* data, std::size_t size, const std::string& stamp, std::string& out)
{
    std::size_t whole = size;
    while (whole && data[whole - 1] != '\n') --whole;
    if (whole == 0) {
        held_.append(data, size);
        if (held_.size() > kHoldLimit) Flush(stamp, out);
        return;
    }
    Flush(stamp, out);
    Emit(data, whole, stamp, out);
    held_.assign(data + whole, size - whole);
}

void LineCutter::Flush(const std::string& stamp, std::string& out)
{
    if (held_.empty()) return;
    Emit(held_.data(), held_.size(), stamp, out);
    held_.clear();
}

void LineCutter::Finish(const std::string& stamp, std::string& out)
{
    Flush(stamp, out);
    if (!lineStart_) out += "\r\n";
    lineStart_ = true;
}

std::string FileNameOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RotatedName(const std::string& path, const LocalTime& t)
{
    const std::string folder = path.substr(0, path.size() - FileNameOf(path).size());
    const auto [name, extension] = SplitExtension(FileNameOf(path));
    char time[kTimeLength + 8];
    std::snprintf(time, sizeof time, ".%04u%02u%02u-%02u%02u%02u-%03u", t.year % 10000, t.month % 100, t.day % 100,
                  t.hour % 100, t.minute % 100, t.second % 100, t.milliseconds % 1000);
    return folder + name + time + extension;
}

bool IsRotatedOf(const std::string& path, const std::string& fileName)
{
    const auto [name, extension] = SplitExtension(FileNameOf(path));
    if (fileName.size() != name.size() + kTimeLength + extension.size()) return false;
    return SameLetters(fileName.substr(0, name.size()), name) &&
           IsTimePart(fileName.substr(name.size(), kTimeLength)) &&
           SameLetters(fileName.substr(name.size() + kTimeLength), extension);
}

std::vector<std::string> BeyondKept(std::vector<std::string> rotated, std::size_t keep)
{
    if (rotated.size() <= keep) return {};
    // The time part is fixed-width and sits at the same place in every name: sorting the names
    // sorts by age. Letter case may differ only in the fixed part, so compare without it.
    std::sort(rotated.begin(), rotated.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return Lower(x) < Lower(y); });
    });
    rotated.resize(rotated.size() - keep);
    return rotated;
}

std::size_t WholeLinesWithin(const char* data, std::size_t size, std::size_t room)
{
    std::size_t end = std::min(size, room);
    while (end && data[end - 1] != '\n') --end;
    return end;
}

std::size_t FirstLine(const char* data, std::size_t size)
{
    const void* end = std::memchr(data, '\n', size);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) + 1 : size;
}

void OutputTail::Add(const char* data, std::size_t size)
{
    text_.append(data + (size > 2 * kBytes ? size - 2 * kBytes : 0), std::min(size, 2 * kBytes));
    if (text_.size() <= 2 * kBytes) return;
    // Cut to the last kBytes, from the start of a line when one starts there.
    const std::size_t cut = text_.size() - kBytes;
    const std::size_t lineStart = text_[cut - 1] == '\n' ? cut : text_.find('\n', cut);
    text_.erase(0, lineStart == std::string::npos || lineStart == cut ? cut : lineStart + 1);
}

std::string OutputTail::Text() const
{
    std::size_t end = text_.size();
    while (end && (text_[end - 1] == '\n' || text_[end - 1] == '\r')) --end;
    const std::size_t floor = end > kBytes ? end - kBytes : 0;
    // Back from the end a line at a time, while the lines fit; a first line too long is cut.
    std::size_t start = end, lines = 0;
    for (std::size_t pos = end;;) {
        const std::size_t lineEnd = pos == 0 ? std::string::npos : text_.rfind('\n', pos - 1);
        const std::size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
        if (lineStart < floor) {
            if (lines == 0) start = floor;
            break;
        }
        start = lineStart;
        if (++lines == kLines || lineEnd == std::string::npos) break;
        pos = lineEnd;
    }
    return text_.substr(start, end - start);
}

}  // namespace output
