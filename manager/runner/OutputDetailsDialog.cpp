#include "OutputDetailsDialog.h"

#include <utility>

#include "DataExchange.h"
#include "ResourceIds.h"

namespace runner {

std::string WithEditLineEnds(const std::string& text)
{
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' && (i == 0 || text[i - 1] != '\r')) {
            shown += "\r\n";
        } else if (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
            shown += "\r\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

OutputDetailsDialog::OutputDetailsDialog(std::string title, std::string text)
    : Dialog(IDD_OUTPUT_DETAILS), title_(std::move(title)), text_(WithEditLineEnds(text))
{
}

BOOL OutputDetailsDialog::OnInitDialog()
{
    SetTitle(title_);
    Dialog::OnInitDialog();
    // Focus given by the dialog manager would select the whole text and scroll to its end.
    SetFocus(Item(IDC_OUTPUT_TEXT));
    return FALSE;
}

void OutputDetailsDialog::DoDataExchange(ui::DataExchange& exchange)
{
    // Only shown: taking the text back would change nothing the caller reads.
    if (!exchange.Saving()) ui::DdxText(exchange, IDC_OUTPUT_TEXT, text_);
}

}  // namespace runner
