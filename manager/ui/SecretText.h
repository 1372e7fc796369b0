#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

namespace ui {

// A password in one buffer of fixed size: never copied, never grown (growth would leave the old
// buffer behind unwiped), and wiped when it goes.
class SecretText {
public:
    static constexpr int kMaxChars = 256;  // the longest password Windows takes
    // In UTF-8 a character takes up to three bytes; one beyond the basic plane takes four, but
    // counts as two.
    static constexpr std::size_t kMaxBytes = 3 * kMaxChars;

    SecretText() : bytes_(std::make_unique<char[]>(kMaxBytes + 1)) {}
    ~SecretText() { Wipe(); }
    SecretText(SecretText&& other) noexcept : bytes_(std::move(other.bytes_)), length_(std::exchange(other.length_, 0)) {}
    SecretText& operator=(SecretText&& other) noexcept
    {
        if (this != &other) {
            Wipe();
            bytes_ = std::move(other.bytes_);
            length_ = std::exchange(other.length_, 0);
        }
        return *this;
    }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Takes the text of an edit control; false, holding nothing, when it does not fit.
    bool ReadFrom(HWND edit)
    {
        Wipe();
        if (!bytes_ || GetWindowTextLengthA(edit) > static_cast<int>(kMaxBytes)) return false;
        const int got = GetWindowTextA(edit, bytes_.get(), static_cast<int>(kMaxBytes + 1));
        length_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return true;
    }

    std::string_view View() const { return bytes_ ? std::string_view(bytes_.get(), length_) : std::string_view(); }
    bool SameAs(const SecretText& other) const { return View() == other.View(); }

    void Wipe()
    {
        if (bytes_) SecureZeroMemory(bytes_.get(), kMaxBytes + 1);
        length_ = 0;
    }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t length_ = 0;
};

}  // namespace ui
