#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Messages.h"
#include "Seams.h"

namespace {

struct Entry {
    DWORD id;
    const char* text;
};

const Entry kMessages[] = {
    {0x1, "The service was successfully installed.\r\n"},
    {0x2, "The service was successfully removed.\r\n"},
    {0x3, "The service is not stopped.  Do you wish to stop the service and proceed with the install?\r\n"},
    {0x4, "The service is not stopped.  Do you wish to stop the service and proceed with the removal?\r\n"},
    {0x65, "Unable to open the Velmora product registry key.\r\n"},
    {0x67, "Error: The service installation failed.\r\n"},
    {0x68, "Error: The service removal failed.\r\n"},
    {0x69, "Error: The Velmora installer program has failed to respond.\r\n"},
    {0x6a, "Error while attempting to run the Velmora installer program.\r\nError detail: %2\r\n"},
    {0x6b, "Cannot read registry value '%1'.\r\nError detail: %2\r\n"},
    {0x6c, "Cannot write registry value %1.\r\nError detail: %2\r\n"},
    {0x6d, "Error: The service name has not been entered.\r\n"},
    {0x6e, "Error: The service display name has not been entered.\r\n"},
    {0x6f, "Error: The service name must begin with an alphabetic character.\r\n"},
    {0x70, "Error: The service name must be a single word containing only alpha-numeric characters.\r\n"},
    {0x71, "Error: The process monitoring frequency must not be a negative number!\r\n"},
    {0x72, "Error: Invalid service config; file not loaded.\r\n"},
    {0x4b0, "Error: The service application executable has not been entered.\r\n"},
    {0x4b1, "Error: The service application executable is invalid.\r\n"},
    {0x4b2, "Error: The service application executable is not a regular file.\r\n"},
    {0x4b3, "Error: The service application executable is not executable.\r\n"},
    {0x4b4, "Error: The versions of the service application executable and the UI do not match.\r\n"},
    {0x4b5, "Error: The service working directory has not been entered.\r\n"},
    {0x4b6, "Error: The service working directory is invalid.\r\n"},
    {0x4b7, "Error: The service working directory is not a directory.\r\n"},
    {0x4b8, "Error: The service start-up time must not be a negative number!\r\n"},
    {0x4b9, "Error: The service start-up time must not be longer than 600000 ms (10 minutes).\r\n"},
    {0x4c9, "Error: The pre-service application executable has not been entered.\r\n"},
    {0x4ca, "Error: The pre-service application executable is invalid.\r\n"},
    {0x4cb, "Error: The pre-service application executable is not a regular file.\r\n"},
    {0x4cc, "Error: The pre-service application executable is not executable.\r\n"},
    {0x4cd, "Error: The pre-service working directory has not been entered.\r\n"},
    {0x4ce, "Error: The pre-service working directory is invalid.\r\n"},
    {0x4cf, "Error: The pre-service working directory is not a directory.\r\n"},
    {0x4d0, "Error: The pre-service execution time must not be a negative number!\r\n"},
    {0x4d1, "Error: The pre-service execution time must not be longer than 600000 ms (10 minutes).\r\n"},
    {0x4e2, "Error: The post-service application executable has not been entered.\r\n"},
    {0x4e3, "Error: The post-service application executable is invalid.\r\n"},
    {0x4e4, "Error: The post-service application executable is not a regular file.\r\n"},
    {0x4e5, "Error: The post-service application executable is not executable.\r\n"},
    {0x4e6, "Error: The post-service working directory has not been entered.\r\n"},
    {0x4e7, "Error: The post-service working directory is invalid.\r\n"},
    {0x4e8, "Error: The post-service working directory is not a directory.\r\n"},
    {0x4e9, "Error: The post-service execution time must not be a negative number!\r\n"},
    {0x4ea, "Error: The post-service execution time must not be longer than 600000 ms (10 minutes).\r\n"},
};

const Entry kStrings[] = {
    {103, "Bad Windows Version"},
    {104, "Velmora will not run on Windows 95, 98, or ME."},
    {105, "Velmora requires Windows NT 4.0 or higher."},
    {106, "Service Definition"},
    {108, "New service definition"},
    {109, "Open a service definition file"},
    {110, "Save the service definition to the current file"},
    {111, "Save the service definition as a chosen file"},
    {112, "View the service definition (as XML)"},
    {113, "Install the current service definition on the system"},
    {114, "Close"},
    {115, "Create a new service definition"},
    {116, "Edit the selected service"},
    {117, "Remove the selected service"},
    {118, "Start the selected service"},
    {119, "Stop the selected service"},
    {120, "Restart the selected service"},
    {121, "Refresh (F5)"},
    {122, "Exit"},
};

// The formatter itself, as every caller of the catalogue asks it: this module, language 0x400.
std::string FormatDirectly(DWORD id)
{
    char buffer[8192] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

TEST(MessageCatalogue, EveryMessageHasItsExactTextInTheNeutralLanguage)
{
    for (const Entry& entry : kMessages) {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(FormatDirectly(entry.id), entry.text);
        EXPECT_EQ(messages::FormatMessageText(entry.id), entry.text);
    }
}

TEST(MessageCatalogue, IsFoundWhateverTheThreadLanguage)
{
    const LANGID before = GetThreadUILanguage();
    for (LANGID language : {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)}) {
        SetThreadUILanguage(language);
        SCOPED_TRACE(language);
        EXPECT_EQ(FormatDirectly(0x1), "The service was successfully installed.\r\n");
        EXPECT_EQ(messages::StringResource(104), "Velmora will not run on Windows 95, 98, or ME.");
    }
    SetThreadUILanguage(before);
}

TEST(MessageCatalogue, InsertsFillTheirPlaces)
{
    EXPECT_EQ(messages::FormatMessageText(0x6b, {"InstallationDir", "Access is denied.\r\n"}),
              "Cannot read registry value 'InstallationDir'.\r\nError detail: Access is denied.\r\n\r\n");
    // The first insert of 0x6a is not part of its text.
    EXPECT_EQ(messages::FormatMessageText(0x6a, {"unused", "File not found.\r\n"}),
              "Error while attempting to run the Velmora installer program.\r\nError detail: File not found.\r\n\r\n");
    EXPECT_EQ(messages::FormatMessageText(0x6c, {"Start"}), "Cannot write registry value Start.\r\nError detail: \r\n");
}

TEST(MessageCatalogue, MissingIdGivesAnEmptyTextNotAnEarlierOne)
{
    EXPECT_FALSE(messages::FormatMessageText(0x1).empty());
    EXPECT_EQ(messages::FormatMessageText(0x5), "");
    MessageBoxRecorder boxes;
    messages::ShowMessage(messages::kError, 0x1);
    messages::ShowMessage(messages::kError, 0x7777);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "");
}

TEST(MessageCatalogue, StringTableHoldsItsTexts)
{
    for (const Entry& entry : kStrings) {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(messages::StringResource(entry.id), entry.text);
    }
}

TEST(MessageCatalogue, SystemErrorTextIsTheSystemsWording)
{
    EXPECT_EQ(messages::SystemErrorText(0), "N/A");

    char expected[2048] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 2,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), expected, sizeof expected, nullptr);
    ASSERT_GT(length, 2u);
    const std::string text = messages::SystemErrorText(2);
    EXPECT_EQ(text, std::string(expected, length));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // A code without a text gives nothing rather than the previous code's text.
    EXPECT_EQ(messages::SystemErrorText(0x2fffffff), "");
}

TEST(MessageCatalogue, BoxesCarryTextCaptionAndStyle)
{
    const std::string title = ui::AppTitle();
    EXPECT_EQ(title, "manager_message_tests");  // the program file's base name
    {
        MessageBoxRecorder boxes(IDOK);
        EXPECT_EQ(messages::ShowMessage(messages::kInformation, 0x1), IDOK);
        EXPECT_EQ(messages::ShowMessage(messages::kError, 0x6b, {"InstallationDir", "Gone.\r\n"}), IDOK);
        EXPECT_TRUE(messages::AskOkCancel(0x3));
        ASSERT_EQ(boxes.boxes.size(), 3u);
        EXPECT_EQ(boxes.boxes[0].text, "The service was successfully installed.\r\n");
        EXPECT_EQ(boxes.boxes[0].caption, title);
        EXPECT_EQ(boxes.boxes[0].style, UINT(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(boxes.boxes[1].text, "Cannot read registry value 'InstallationDir'.\r\nError detail: Gone.\r\n\r\n");
        EXPECT_EQ(boxes.boxes[1].style, UINT(MB_OK | MB_ICONSTOP));
        EXPECT_EQ(boxes.boxes[2].text, kMessages[2].text);
        EXPECT_EQ(boxes.boxes[2].style, UINT(MB_OKCANCEL | MB_ICONQUESTION));
    }
    MessageBoxRecorder cancel(IDCANCEL);
    EXPECT_FALSE(messages::AskOkCancel(0x4));
}

}  // namespace
