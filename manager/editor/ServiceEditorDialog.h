#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "DefinitionValidation.h"
#include "Dialog.h"
#include "EditorIds.h"
#include "EditorOwner.h"
#include "EditorPage.h"
#include "PropertySheet.h"
#include "Quillon.h"
#include "ServiceDepsPage.h"
#include "ServiceEnvPage.h"
#include "ServiceLogOnPage.h"
#include "ServiceNotifyPage.h"
#include "ServiceOptionsPage.h"
#include "ServiceOutputPage.h"
#include "ServicePrePostPage.h"
#include "ServiceProgramPage.h"
#include "ServiceSupervisionPage.h"
#include "TableFieldsPage.h"
#include "Toolbar.h"

namespace editor {

// The service definition editor: one record shown on eleven pages, saved as a definition file,
// shown as XML and installed through the owner. A modeless window; each editor has its own
// record and its own temporary file, which goes when the editor closes.
class ServiceEditorDialog : public ui::Dialog {
public:
    // A new definition.
    explicit ServiceEditorDialog(EditorOwner& owner);
    // The definition of an installed service, read from its registry parameters; the defaults
    // with an empty name when they cannot be read.
    ServiceEditorDialog(EditorOwner& owner, const std::string& serviceName);
    ~ServiceEditorDialog() override;

    // Creates the window, owned by the owner's window, with this title and shows it.
    bool Open(const std::string& title);

    const ServiceDefinition& Record() const { return record_; }
    // Empty once the editor has closed.
    const std::string& TemporaryPath() const { return temporaryPath_; }
    const std::string& CurrentPath() const { return currentPath_; }
    ui::PropertySheetWindow& Sheet() { return sheet_; }
    HWND Toolbar() const { return toolbar_.Handle(); }

    void ResetRecord();
    // Copies the record into the pages' values; `refresh` also shows them in the controls.
    void RecordToPages(bool refresh);
    // Every page takes its values from its controls, then the record is copied from them.
    void PagesToRecord();
    // Activates the page of a failed rule and puts the focus on its control.
    void FocusOn(const ValidationFailure& failure);

    bool PreTranslateMessage(MSG& message) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnOK() override { Close(); }
    void OnCancel() override { Close(); }

private:
    // Puts Install and Cancel below the sheet and fits the window around both.
    void PlaceButtonsBelowSheet();
    void Install();
    void ViewXml();
    void Save();
    void SaveAs();
    void NewDefinition();
    void OpenFile();
    void Close();
    // Writes the record; on failure tells the user what was not written and why.
    bool WriteReporting(const std::string& path, const char* what);
    // Shows a failed rule's message and focuses its control; false when nothing failed.
    bool Refuse(const ValidationFailure& failure);
    // Pages to record before a write: false, after saying why, when an output, supervision, log
    // on, health, limits or notify setting cannot be stored.
    bool GatherStorable();
    // Before the record is saved: a recovery that restarts the computer is asked about once for
    // the failures it names, until another definition is begun or opened; false when the user
    // would rather change it. (An install says so in its output.)
    bool ConfirmComputerRestart();
    void DeleteTemporaryFile();
    // The rules of the page texts that must hold before anything is written, then those that
    // join settings of several pages (the pages' values are in the record by then).
    ValidationFailure ValidateStorable() const;

    EditorOwner& owner_;
    ServiceDefinition record_;
    std::string temporaryPath_;
    std::string currentPath_;
    std::string confirmedRestart_;  // the failures the user agreed may restart the computer
    HICON icon_ = nullptr;
    ui::Toolbar toolbar_;
    // The pages outlive the sheet, whose window holds theirs.
    ServiceProgramPage program_;
    ServiceOptionsPage options_;
    ServiceDepsPage dependencies_;
    ServiceEnvPage environment_;
    ServicePrePostPage prePost_;
    ServiceOutputPage output_;
    ServiceSupervisionPage supervision_;
    ServiceLogOnPage logOn_;
    TableFieldsPage health_{IDD_PAGE_HEALTH, Page::Health, IDC_LIVE_ACTION, ValidateHealth};
    // The job's cap also needs the Settings page's job type: the editor checks it on the record.
    TableFieldsPage limits_{IDD_PAGE_LIMITS, Page::Limits, IDC_LIMIT_ACTION, ValidateFields};
    ServiceNotifyPage notify_;
    // In sheet order, which every walk follows: the Log On page's record after the Program
    // page's (the virtual account is named after the service), its rules after those of Output
    // and Supervision.
    const std::array<EditorPage*, 11> pages_{&program_, &options_,     &dependencies_, &environment_,
                                             &prePost_, &output_,      &supervision_,  &logOn_,
                                             &health_,  &limits_,      &notify_};
    ui::PropertySheetWindow sheet_;
};

}  // namespace editor
