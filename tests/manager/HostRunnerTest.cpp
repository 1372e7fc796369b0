#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "HostRunner.h"
#include "Messages.h"
#include "ResourceIds.h"
#include "Seams.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

fs::path ProgramFolder()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// An installation folder holding the test host as Velmora.exe, and TMP pointed at a folder of
// its own so that every log file the runner leaves behind can be seen.
class HostRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::copy_file(ProgramFolder() / "velmora_test_host.exe", install_.Path() / "Velmora.exe");
        fs::create_directories(LogFolder());
        const char* tmp = std::getenv("TMP");
        savedTmp_ = tmp ? tmp : "";
        PointTmpAt(LogFolder());
    }
    void TearDown() override { _putenv(("TMP=" + savedTmp_).c_str()); }

    void PointTmpAt(const fs::path& folder) { _putenv(("TMP=" + folder.string()).c_str()); }
    virtual fs::path LogFolder() const { return logs_.Path() / "logs"; }
    std::string Install() const { return install_.Path().string(); }
    bool LeftNothingIn(const fs::path& folder) const { return fs::is_empty(folder); }

    TempDir install_;
    TempDir logs_;
    TempDir data_;
    std::string savedTmp_;
};

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(HostRunnerTest, OutcomeFollowsTheExitCodeAndOutputIsCapturedByteForByte)
{
    std::string printed = "first line\r\nunix line\nbare return\rtab\there \x01\x7f\xff";
    printed += std::string(1, '\0') + " after a NUL\n";
    for (int i = 0; i < 1200; ++i) printed += "line " + std::to_string(i) + " of a long output\r\n";
    printed += "no final line end";
    const std::string file = data_.Write("printed.bin", printed);

    struct Case {
        std::string arguments;
        runner::RunOutcome outcome;
        std::string output;
    };
    const Case cases[] = {
        {"exit 0", runner::RunSucceeded, ""},
        {"exit 3", runner::RunFailed, ""},
        {"print " + file + " 0", runner::RunSucceeded, printed},
        {"print " + file + " 5", runner::RunFailed, printed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const runner::HostRun run = runner::RunHostProgram(Install(), c.arguments);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_TRUE(run.output == c.output) << "captured " << run.output.size() << " bytes of " << c.output.size();
        EXPECT_TRUE(LeftNothingIn(LogFolder()));
    }
}

TEST_F(HostRunnerTest, HostRunsInTheInstallationFolderWithTheArgumentsAsGiven)
{
    const runner::HostRun run = runner::RunHostProgram(Install(), "args -u \"Two Words\" C:\\Temp\\def.xml");
    EXPECT_EQ(run.outcome, runner::RunSucceeded);
    EXPECT_EQ(run.output, "cwd=" + Install() + "\narg=-u\narg=Two Words\narg=C:\\Temp\\def.xml\n");
}

TEST_F(HostRunnerTest, AnInputLineReachesTheHostOnlyOnItsStandardInputWhichThenEnds)
{
    // The host copies its input until the input ends: a write end left open anywhere would
    // keep it waiting until the runner's patience ran out.
    const std::string inputs[] = {"s3cr\xc3\xa9t pa%ss \"word\"", "", std::string(runner::kInputLineLimit, 'p')};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.size());
        const runner::HostRun run = runner::RunHostProgram(Install(), "input", input);
        EXPECT_EQ(run.outcome, runner::RunSucceeded);
        EXPECT_EQ(run.output, input + "\r\n");
        EXPECT_TRUE(LeftNothingIn(LogFolder()));
    }
    const runner::HostRun tooLong =
        runner::RunHostProgram(Install(), "input", std::string(runner::kInputLineLimit + 1, 'p'));
    EXPECT_EQ(tooLong.outcome, runner::RunNotStarted);
    EXPECT_EQ(tooLong.errorCode, DWORD(ERROR_INSUFFICIENT_BUFFER));

    // Without a line the host's input is what it always was, and the line is no argument.
    const runner::HostRun args = runner::RunHostProgram(Install(), "args", std::string_view("hidden"));
    EXPECT_EQ(args.output, "cwd=" + Install() + "\n");
}

class BlankTempFolder : public HostRunnerTest {
protected:
    fs::path LogFolder() const override { return logs_.Path() / "temporary folder with blanks"; }
};

TEST_F(BlankTempFolder, LogFileInAFolderWithBlanksWorks)
{
    const std::string file = data_.Write("out.txt", "banner\r\n");
    const runner::HostRun run = runner::RunHostProgram(Install(), "print " + file + " 0");
    EXPECT_EQ(run.outcome, runner::RunSucceeded);
    EXPECT_EQ(run.output, "banner\r\n");
    EXPECT_TRUE(LeftNothingIn(LogFolder()));
}

TEST_F(HostRunnerTest, HostThatCannotBeStartedGivesTheSystemsReason)
{
    const runner::HostRun run = runner::RunHostProgram((install_.Path() / "missing").string(), "exit 0");
    EXPECT_EQ(run.outcome, runner::RunNotStarted);
    EXPECT_NE(run.errorCode, 0u);
    EXPECT_FALSE(messages::SystemErrorText(run.errorCode).empty());
    EXPECT_TRUE(LeftNothingIn(LogFolder()));
}

TEST_F(HostRunnerTest, CommandLineOverTheLimitIsNotRun)
{
    const fs::path marker = data_.Path() / "ran";
    const runner::HostRun run = runner::RunHostProgram(Install(), "touch " + marker.string() + std::string(600, ' '));
    EXPECT_EQ(run.outcome, runner::RunNotStarted);
    EXPECT_EQ(run.errorCode, DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(LeftNothingIn(LogFolder()));

    // The same command within the limit runs.
    EXPECT_EQ(runner::RunHostProgram(Install(), "touch " + marker.string()).outcome, runner::RunSucceeded);
    EXPECT_TRUE(fs::exists(marker));
}

TEST_F(HostRunnerTest, HostThatNeverEndsIsEndedWithItsLogFile)
{
    const fs::path pidFile = data_.Path() / "pid";
    const runner::HostRun run = runner::RunHostProgram(Install(), "hang " + pidFile.string());
    EXPECT_EQ(run.outcome, runner::RunTimedOut);
    EXPECT_TRUE(LeftNothingIn(LogFolder()));

    const DWORD pid = static_cast<DWORD>(std::strtoul(ReadAll(pidFile).c_str(), nullptr, 10));
    ASSERT_NE(pid, 0u);
    if (HANDLE host = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        EXPECT_EQ(WaitForSingleObject(host, 5000), WAIT_OBJECT_0) << "the host program still runs";
        CloseHandle(host);
    }
}

TEST(RunOutcomeReport, EachOutcomeIsToldItsOwnWay)
{
    struct Case {
        runner::HostRun run;
        DWORD success;
        DWORD failure;
        std::string boxText;
        UINT boxStyle;
        std::string dialogText;
    };
    const std::string noFile = messages::SystemErrorText(ERROR_FILE_NOT_FOUND);
    const Case cases[] = {
        {{runner::RunSucceeded, "", 0}, MSG_INSTALL_SUCCEEDED, MSG_INSTALL_FAILED,
         "The service was successfully installed.\r\n", MB_OK | MB_ICONINFORMATION, ""},
        {{runner::RunSucceeded, "", 0}, MSG_REMOVE_SUCCEEDED, MSG_REMOVE_FAILED, "The service was successfully removed.\r\n",
         MB_OK | MB_ICONINFORMATION, ""},
        {{runner::RunTimedOut, "", 0}, MSG_INSTALL_SUCCEEDED, MSG_INSTALL_FAILED,
         "Error: The Velmora installer program has failed to respond.\r\n", MB_OK | MB_ICONSTOP, ""},
        {{runner::RunNotStarted, "", ERROR_FILE_NOT_FOUND}, MSG_REMOVE_SUCCEEDED, MSG_REMOVE_FAILED,
         "Error while attempting to run the Velmora installer program.\r\nError detail: " + noFile + "\r\n",
         MB_OK | MB_ICONSTOP, ""},
        {{runner::RunFailed, "no such service\r\n", 0}, MSG_REMOVE_SUCCEEDED, MSG_REMOVE_FAILED, "", 0,
         "Error: The service removal failed."},
        {{runner::RunFailed, "", 0}, MSG_INSTALL_SUCCEEDED, MSG_INSTALL_FAILED, "", 0,
         "Error: The service installation failed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.boxText + c.dialogText);
        MessageBoxRecorder boxes;
        std::string title, text;
        ModalRecorder dialogs([&](ui::Dialog& dialog) {
            title = dialog.Title();
            text = ControlText(dialog.Handle(), IDC_RESULT_TEXT);
        });
        runner::ReportRunOutcome(c.run, c.success, c.failure, nullptr);
        if (c.boxText.empty()) {
            EXPECT_TRUE(boxes.boxes.empty());
            ASSERT_EQ(dialogs.templates.size(), 1u);
            EXPECT_EQ(dialogs.templates[0], IDD_INSTALLER_RESULT);
            EXPECT_EQ(title, "Velmora Installer Result");
            EXPECT_EQ(text, c.dialogText);
        } else {
            EXPECT_TRUE(dialogs.templates.empty());
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, c.boxText);
            EXPECT_EQ(boxes.boxes[0].style, c.boxStyle);
        }
    }
}

}  // namespace
