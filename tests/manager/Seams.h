#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Dialog.h"
#include "MessageBox.h"

// Records every message box shown while it lives and answers each with `answer`.
class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT style;
    };

    explicit MessageBoxRecorder(int answer = IDOK) : answer_(answer)
    {
        previous_ = ui::SetMessageBoxHandler([this](HWND, const std::string& text, const std::string& caption, UINT style) {
            boxes.push_back({text, caption, style});
            return answer_;
        });
    }
    ~MessageBoxRecorder() { ui::SetMessageBoxHandler(std::move(previous_)); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<Box> boxes;

private:
    int answer_;
    ui::MessageBoxHandler previous_;
};

// Runs every modal dialog as a modeless window instead: `inspect` looks at the open window,
// then the window is closed and `result` returned as the dialog's answer.
class ModalRecorder {
public:
    explicit ModalRecorder(std::function<void(ui::Dialog&)> inspect, INT_PTR result = IDOK)
        : inspect_(std::move(inspect)), result_(result)
    {
        previous_ = ui::SetModalHandler([this](ui::Dialog& dialog, HWND owner) -> INT_PTR {
            templates.push_back(dialog.TemplateId());
            if (!dialog.Create(owner)) return -1;
            inspect_(dialog);
            if (dialog.Handle()) DestroyWindow(dialog.Handle());
            return result_;
        });
    }
    ~ModalRecorder() { ui::SetModalHandler(std::move(previous_)); }
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    std::vector<int> templates;

private:
    std::function<void(ui::Dialog&)> inspect_;
    INT_PTR result_;
    ui::ModalHandler previous_;
};

// Text of a control of any window.
std::string ControlText(HWND window, int id);
