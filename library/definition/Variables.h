#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// "%NAME%" in paths and parameters, for definitions that ask for it: the install checks and the
// host expand the same way. Header-only, so that the host shares it without the library
// exporting it.
namespace variables {

// A variable's value by name, or nothing when it is not defined.
using Lookup = std::function<std::optional<std::string>(const std::string& name)>;

struct Expanded {
    std::string text;
    std::vector<std::string> undefined;  // names left as written, in order of appearance
};

// Each "%NAME%" becomes the variable's value; "%%" is a percent sign; a variable that is not
// defined stays as written ("%NAME%") and is named in `undefined`; a "%" without a closing one
// stays as it is. Values are not expanded again.
inline Expanded Expand(const std::string& text, const Lookup& lookup)
{
    Expanded out;
    std::string::size_type at = 0;
    while (at < text.size()) {
        const std::string::size_type open = text.find('%', at);
        if (open == std::string::npos) {
            out.text.append(text, at, std::string::npos);
            break;
        }
        out.text.append(text, at, open - at);
        const std::string::size_type close = text.find('%', open + 1);
        if (close == std::string::npos) {
            out.text.append(text, open, std::string::npos);
            break;
        }
        if (close == open + 1) {
            out.text += '%';
        } else {
            const std::string name = text.substr(open + 1, close - open - 1);
            if (const std::optional<std::string> value = lookup(name)) {
                out.text += *value;
            } else {
                out.text.append(text, open, close - open + 1);
                out.undefined.push_back(name);
            }
        }
        at = close + 1;
    }
    return out;
}

// Letter case of names is ignored, as Windows ignores it for environment variables.
inline bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::string::size_type i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace variables
