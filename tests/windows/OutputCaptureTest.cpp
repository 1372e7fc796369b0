#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "Definitions.h"
#include "WinTestUtil.h"

// The programs' output kept in files, end to end: Velmora.exe -i, sc.exe and a program writing
// numbered lines, under the real service control manager.
namespace {

const char kName[] = "vloutput";
constexpr DWORD kWaitMs = 30000;

std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The numbers of the lines of one stream ("out 12....") in the order they appear.
std::vector<long> Numbers(const std::vector<std::string>& lines, const std::string& stream)
{
    std::vector<long> numbers;
    const std::regex numbered("^(?:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} )?" + stream + " (\\d+)\\.*\r?$");
    std::smatch match;
    for (const std::string& line : lines)
        if (std::regex_match(line, match, numbered)) numbers.push_back(std::stol(match[1]));
    return numbers;
}

std::vector<long> Sequence(long first, long last)
{
    std::vector<long> numbers;
    for (long i = first; i <= last; ++i) numbers.push_back(i);
    return numbers;
}

bool WaitFor(const std::string& file, const std::string& part, DWORD ms = kWaitMs)
{
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        if (ReadText(file).find(part) != std::string::npos) return true;
        Sleep(50);
    }
    return false;
}

std::string Sc(const std::string& arguments) { return wintest::Run("sc.exe " + arguments).output; }

class OutputCapture : public ::testing::Test {
protected:
    void TearDown() override { wintest::RemoveServiceQuietly(kName); }

    std::string File(const std::string& name) const { return (dir_.Path() / name).string(); }
    std::string Writer() const { return wintest::ProgramFolder() + "\\output_writer.exe"; }

    void Install(const std::string& parameters, const std::string& rest)
    {
        const std::string xml = DefinitionDir::Xml(
            DefinitionDir::Required(kName, Writer(), dir_.Folder("work")) + "<Parameters>" + parameters +
                "</Parameters>",
            "<Options><UponExit>0</UponExit></Options>" + rest);
        const wintest::CommandResult installed = wintest::RunHost("-i " + dir_.Write("service.xml", xml));
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
    }
    void Start()
    {
        ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_RUNNING, kWaitMs)) << Sc(std::string("query ") + kName);
    }
    void Stop()
    {
        ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kWaitMs));
    }
    std::string Debug() const
    {
        return "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") +
               "</DebugLocation></Debug>";
    }
    // Every rotated file of a log in the folder, oldest first.
    std::vector<std::string> Rotated(const std::string& stem) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(stem + ".", 0) == 0 && name.size() == stem.size() + 24) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    DefinitionDir dir_;
};

// Both streams to their own files, stamped; half-written lines, lines without an end and a crash
// at the end lose nothing, and what the files held before stays.
TEST_F(OutputCapture, EveryLineOfEachStreamIsKeptWholeAndInOrderThroughACrash)
{
    dir_.Write("out.log", "an earlier line\r\n");
    Install("--lines 3000 --crash", "<Output><OutputLocation>" + File("out.log") + "</OutputLocation><ErrorLocation>" +
                                        File("logs\\new\\err.log") +
                                        "</ErrorLocation><TimeStamp>true</TimeStamp></Output>");
    Start();
    // The unfinished last lines are written within a second; the crash handler may hold the
    // pipes until the service stops, and then the lines are ended.
    ASSERT_TRUE(WaitFor(File("out.log"), "out tail"));
    ASSERT_TRUE(WaitFor(File("logs\\new\\err.log"), "err tail")) << "a missing folder is made";
    Stop();
    const std::vector<std::string> out = Lines(ReadText(File("out.log")));
    const std::vector<std::string> err = Lines(ReadText(File("logs\\new\\err.log")));
    EXPECT_EQ(out.front(), "an earlier line\r");
    EXPECT_EQ(Numbers(out, "out"), Sequence(1, 3000));
    EXPECT_EQ(Numbers(err, "err"), Sequence(1, 3000));
    EXPECT_EQ(out.size(), 3002u) << "nothing but the earlier line, the numbered lines and the tail";
    // A crash handler that inherited the program's pipes may add its own words to the line.
    EXPECT_TRUE(std::regex_match(out.back(), std::regex("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} out tail[\\s\\S]*\r?$")))
        << out.back();
    EXPECT_TRUE(std::regex_match(err.back(), std::regex("^.* err tail[\\s\\S]*\r?$"))) << err.back();
}

// One file for both streams: each line stays whole, each stream in its order, and a child the
// program left behind is heard after the program has ended.
TEST_F(OutputCapture, OneFileForBothStreamsKeepsLinesWholeAndHearsAGrandchild)
{
    Install("--lines 2000 --late 1500",
            "<Output><OutputLocation>" + File("both.log") + "</OutputLocation><ErrorLocation>" + File("BOTH.log") +
                "</ErrorLocation></Output>");
    Start();
    ASSERT_TRUE(WaitFor(File("both.log"), "late line\n"));
    const std::vector<std::string> lines = Lines(ReadText(File("both.log")));
    EXPECT_EQ(Numbers(lines, "out"), Sequence(1, 2000));
    EXPECT_EQ(Numbers(lines, "err"), Sequence(1, 2000));
    // 4000 whole numbered lines, then the two tails the program left without line ends, which
    // the late line ends: exactly the bytes in the order written. A torn line would add lines.
    EXPECT_EQ(lines.size(), 4001u);
    EXPECT_EQ(lines.back(), "out tailerr taillate line");
    Stop();
}

// Rotation while the program writes fast: only the kept number of rotated files remain, no line
// is lost or doubled across the renames, none is cut, and the current file is the newest.
TEST_F(OutputCapture, RotationKeepsTheNewestFilesWithoutLosingOrSplittingALine)
{
    dir_.Write("debug.log", std::string(30000, '#') + "\r\n");
    Install("--lines 6000 --width 40",
            "<Output><OutputLocation>" + File("out.log") + "</OutputLocation><RotateSize>20000</RotateSize>"
                "<RotateKeep>3</RotateKeep></Output>" + Debug());
    Start();
    // Watched through the debug log: a reader holding the output file open without sharing its
    // deletion, as this test's file reading does, would keep it from being renamed meanwhile.
    ASSERT_TRUE(WaitFor(File("debug.log"), "The service program (process"));
    Stop();

    const std::vector<std::string> rotated = Rotated("out");
    ASSERT_EQ(rotated.size(), 3u);
    std::vector<std::string> lines;
    for (const std::string& name : rotated) {
        const std::string text = ReadText(File(name));
        EXPECT_LE(text.size(), 20000u) << name;
        EXPECT_EQ(text.back(), '\n') << name << " ends with a whole line";
        for (const std::string& line : Lines(text)) lines.push_back(line);
    }
    const std::string current = ReadText(File("out.log"));
    EXPECT_EQ(current.substr(current.size() - 10), "out tail\r\n");
    for (const std::string& line : Lines(current)) lines.push_back(line);
    const std::vector<long> numbers = Numbers(lines, "out");
    ASSERT_FALSE(numbers.empty());
    EXPECT_GT(numbers.front(), 1) << "the oldest files were deleted";
    EXPECT_EQ(numbers, Sequence(numbers.front(), 6000));
    EXPECT_EQ(numbers.size() + 1, lines.size()) << "every line is a whole numbered line, and the tail";

    // The debug log rotates by the same size: the old content went aside before the first line.
    ASSERT_EQ(Rotated("debug").size(), 1u);
    EXPECT_EQ(ReadText(File(Rotated("debug")[0])), std::string(30000, '#') + "\r\n");
    EXPECT_TRUE(wintest::Contains(ReadText(File("debug.log")), " is running: program "));
}

// A file that cannot be written never holds the program up: the output is drained and counted,
// and the loss is reported once, when writing works again or when the service stops.
TEST_F(OutputCapture, AnUnwritableFileNeitherBlocksTheProgramNorGoesUnreported)
{
    const std::string blocker = dir_.Write("blocker", "a file where a folder should be");
    Install("--bytes 3000000 --lines 300 --pace 20 --done " + File("done.txt"),
            "<Output><OutputLocation>" + File("out.log") + "</OutputLocation><ErrorLocation>" + blocker +
                "\\err.log</ErrorLocation></Output>" + Debug());
    // The output file is held by another program, without sharing, for a while.
    UniqueFileHandle held(CreateFileA(File("out.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(held);
    Start();
    ASSERT_TRUE(WaitFor(File("done.txt"), "done")) << "the program finished its large write";
    EXPECT_EQ(wintest::ServiceState(kName), DWORD(SERVICE_RUNNING));
    held.reset();  // the program goes on writing lines for a few seconds
    ASSERT_TRUE(WaitFor(File("debug.log"), "Writing to the file works again"));
    Stop();

    const std::string log = ReadText(File("debug.log"));
    EXPECT_TRUE(wintest::Contains(log, "cannot create the folder for its output file")) << log;
    const std::regex lost("could not write (\\d+) bytes of its programs' output to (.+?) \\([^\\r\\n]*\\); they were "
                          "dropped(\\. Writing to the file works again)?");
    std::vector<std::string> reports;
    for (std::sregex_iterator it(log.begin(), log.end(), lost), end; it != end; ++it)
        reports.push_back((*it)[2].str() + ((*it)[3].matched ? " resumed" : " at stop"));
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::string>{blocker + "\\err.log at stop", File("out.log") + " resumed"})) << log;
}

// Without output settings nothing changes: the same registry values, and no pipes.
TEST_F(OutputCapture, WithoutOutputSettingsTheProgramGetsNoPipes)
{
    Install("--handles " + File("handles.txt"), "");
    const std::string listed =
        wintest::Run(std::string("reg.exe query HKLM\\SYSTEM\\CurrentControlSet\\Services\\") + kName + "\\Parameters")
            .output;
    std::size_t values = 0;
    for (std::string::size_type at = listed.find("REG_"); at != std::string::npos; at = listed.find("REG_", at + 1))
        ++values;
    EXPECT_EQ(values, 29u) << listed;
    EXPECT_FALSE(wintest::Contains(listed, "Output"));
    Start();
    ASSERT_TRUE(WaitFor(File("handles.txt"), "\n"));
    EXPECT_EQ(ReadText(File("handles.txt")), "out=other err=other\n");
    Stop();
}

}  // namespace
