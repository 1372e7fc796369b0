#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "LoaderExpectations.h"
#include "EditorTestSupport.h"
#include "ParameterReader.h"
#include "Seams.h"
#include "WinTestUtil.h"

namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

using registry_data::kServicesKey;

// A service's Parameters key holding exactly the values a test writes, gone afterwards.
class ParametersKey {
public:
    explicit ParametersKey(std::string service) : service_(std::move(service))
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kServicesKey + service_).c_str());
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kServicesKey + service_ + "\\Parameters").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    ~ParametersKey()
    {
        key_.reset();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kServicesKey + service_).c_str());
    }
    ParametersKey(const ParametersKey&) = delete;
    ParametersKey& operator=(const ParametersKey&) = delete;

    // The bytes as given: a non-zero byte after them keeps the system from counting a
    // terminator in.
    void Raw(const char* name, DWORD type, const std::string& bytes)
    {
        const std::string buffer = bytes + '.';
        EXPECT_EQ(RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(buffer.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    void Text(const char* name, const std::string& text) { Raw(name, REG_SZ, text + '\0'); }
    void Number(const char* name, DWORD value) { Raw(name, REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4)); }
    const std::string& Service() const { return service_; }

private:
    std::string service_;
    UniqueHkey key_;
};

ServiceDefinition Load(const std::string& service)
{
    ServiceDefinition record = definition_writer::NewDefinition();
    EXPECT_TRUE(registry_data::ReadParameters(service, record, registry_data::kEditorRead));
    return record;
}

TEST(RegistryLoad, AKeyWithOnlyTheProgramLoadsTheMissingValuesAndTheEditorShowsThem)
{
    ParametersKey key("vlload1");
    key.Text("ServiceExe", "C:\\relay\\relay.exe");
    key.Text("ServiceWorkingDir", "C:\\relay");
    const ServiceDefinition d = Load(key.Service());
    EXPECT_EQ(d.Name, "vlload1");
    EXPECT_EQ(d.Service.Executable, "C:\\relay\\relay.exe");
    EXPECT_EQ(d.Service.WorkingDir, "C:\\relay");
    ExpectOnlyTheProgramWasStored(d);

    EditorFixture f;
    f.Reopen(key.Service());
    EXPECT_EQ(f.Editor().Title(), "Edit Service Definition");
    EXPECT_EQ(f.Text(kProgramPage, 1000), "vlload1");
    EXPECT_EQ(f.Text(kProgramPage, 1006), "C:\\relay\\relay.exe");
    EXPECT_EQ(f.Text(kProgramPage, 1010), "0");
    HWND settings = f.Page(kSettingsPage);
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, 1015), CB_GETCURSEL, 0, 0), 0);  // Manual
    EXPECT_EQ(SendMessageA(GetDlgItem(settings, 1022), CB_GETCURSEL, 0, 0), 0);  // No Action
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, 1041)));
    EXPECT_EQ(ReadFile(f.Editor().TemporaryPath()), definition_writer::DefinitionText(f.Editor().Record()));
}

TEST(RegistryLoad, ConversionsOfTheStoredValues)
{
    struct Case {
        const char* what;
        std::function<void(ParametersKey&)> write;
        std::function<void(const ServiceDefinition&)> check;
    };
    const Case cases[] = {
        {"interval floor without monitoring",
         [](ParametersKey& k) { k.Number("SMFEnabled", 0), k.Number("SMFFrequency", 20); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.SMFEnabled, 0u);
             EXPECT_EQ(d.SMFFrequency, 50u); }},
        {"older exit action", [](ParametersKey& k) { k.Number("AutoRestart", 1); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.UponExit, 1u); }},
        {"newer exit action wins", [](ParametersKey& k) { k.Number("AutoRestart", 1), k.Number("UponExit", 3); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.UponExit, 3u); }},
        {"prefix in exact case", [](ParametersKey& k) { k.Text("DisplayName", "Velmora Service: Mail Relay"); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.DisplayName, "Mail Relay"); }},
        {"prefix in another case", [](ParametersKey& k) { k.Text("DisplayName", "velmora service: Mail Relay"); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.DisplayName, "velmora service: Mail Relay"); }},
        {"dependencies",
         [](ParametersKey& k) { k.Raw("Dependencies", REG_MULTI_SZ, "Tcpip\0+NetworkProvider\0Dnscache\0\0"s); },
         [](const ServiceDefinition& d) {
             EXPECT_EQ(d.ServiceDependencies, (Strings{"Tcpip", "Dnscache"}));
             EXPECT_EQ(d.GroupDependencies, (Strings{"NetworkProvider"}));
         }},
        {"environment",
         [](ParametersKey& k) {
             k.Raw("Environment", REG_MULTI_SZ, "PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0=X\0EMPTY=\0NOEQUALS\0\0"s);
         },
         [](const ServiceDefinition& d) {
             ASSERT_EQ(d.Environment.size(), 2u);
             EXPECT_EQ(d.Environment[0].name + "|" + d.Environment[0].value, "PATH|D:\\tools;D:\\bin");
             EXPECT_EQ(d.Environment[1].name + "|" + d.Environment[1].value, "OPTS|-Dx=1");
         }},
        {"text without its terminator", [](ParametersKey& k) { k.Raw("ServiceParams", REG_SZ, "--port 25"); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.Service.Parameters, "--port 25"); }},
        // Corrupt data: the editor must still open, with the missing values where numbers fail.
        {"number stored as text", [](ParametersKey& k) { k.Text("ServiceDelay", "5000"); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.Service.Delay, 0u); }},
        {"number of eight bytes", [](ParametersKey& k) { k.Raw("JobType", REG_QWORD, std::string(8, '\2')); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.JobType, 1u); }},
        {"number of two bytes", [](ParametersKey& k) { k.Raw("Priority", REG_BINARY, "\4\0"s); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.Priority, 0u); }},
        {"four binary bytes are a number", [](ParametersKey& k) { k.Raw("Priority", REG_BINARY, "\4\0\0\0"s); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.Priority, 4u); }},
        {"multi-string without its terminators",
         [](ParametersKey& k) { k.Raw("Dependencies", REG_MULTI_SZ, "Tcpip\0+TDI"s); },
         [](const ServiceDefinition& d) {
             EXPECT_EQ(d.ServiceDependencies, (Strings{"Tcpip"}));
             EXPECT_EQ(d.GroupDependencies, (Strings{"TDI"}));
         }},
        {"empty multi-strings",
         [](ParametersKey& k) { k.Raw("Dependencies", REG_MULTI_SZ, ""), k.Raw("Environment", REG_MULTI_SZ, ""); },
         [](const ServiceDefinition& d) {
             EXPECT_TRUE(d.ServiceDependencies.empty() && d.GroupDependencies.empty());
             EXPECT_TRUE(d.RawDependencies.empty());
             EXPECT_TRUE(d.Environment.empty());
             EXPECT_EQ(d.EnvironmentSize, 0u);
         }},
        {"environment as a plain string", [](ParametersKey& k) { k.Text("Environment", "A=1"); },
         [](const ServiceDefinition& d) {
             ASSERT_EQ(d.Environment.size(), 1u);
             EXPECT_EQ(d.Environment[0].value, "1");
         }},
        {"text of 9000 bytes", [](ParametersKey& k) { k.Text("DebugLogFile", std::string(9000, 'x')); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.DebugLogFile, ""); }},
        {"text that fills the buffer", [](ParametersKey& k) { k.Raw("Description", REG_SZ, std::string(8192, 'd')); },
         [](const ServiceDefinition& d) { EXPECT_EQ(d.Description, std::string(8192, 'd')); }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ParametersKey key("vlload" + std::to_string(10 + n++));
        c.write(key);
        c.check(Load(key.Service()));
        FakeOwner owner;
        editor::ServiceEditorDialog editor(owner, key.Service());
        ASSERT_TRUE(editor.Open("Edit Service Definition"));
        EXPECT_EQ(editor.Record().Name, key.Service());
    }
}

TEST(RegistryLoad, ProcessorBindingAndOutOfRangeListValuesAsShownAndSaved)
{
    const struct {
        DWORD mask;
        std::vector<int> checked;
        std::uint32_t saved;
    } cases[] = {{5, {1010, 1012}, 5}, {0x300, {}, 0}, {0xFF, {1010, 1011, 1012, 1013, 1016, 1017, 1018, 1019}, 0xFF}};
    EditorFixture f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        ParametersKey key("vlmask");
        key.Number("AffinityMask", c.mask);
        key.Number("UponExit", 7);
        f.Reopen(key.Service());
        HWND settings = f.Page(kSettingsPage);
        for (int box : {1010, 1011, 1012, 1013, 1016, 1017, 1018, 1019}) {
            const bool expected = std::find(c.checked.begin(), c.checked.end(), box) != c.checked.end();
            EXPECT_EQ(SendMessageA(GetDlgItem(settings, box), BM_GETCHECK, 0, 0), expected ? BST_CHECKED : BST_UNCHECKED);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, box)));
        }
        EXPECT_EQ(SendMessageA(GetDlgItem(settings, 1022), CB_GETCURSEL, 0, 0), CB_ERR);
        f.Editor().PagesToRecord();
        EXPECT_EQ(f.Editor().Record().AffinityMask, c.saved);
        EXPECT_EQ(f.Editor().Record().UponExit, 0xFFFFFFFFu);
    }
}

TEST(RegistryLoad, AServiceWithoutParametersOpensTheDefaultsWithoutAName)
{
    ServiceDefinition record = definition_writer::NewDefinition();
    EXPECT_FALSE(registry_data::ReadParameters("vlnowhere", record, registry_data::kEditorRead));
    EXPECT_EQ(definition_writer::DefinitionText(record), definition_writer::DefinitionText(definition_writer::NewDefinition()));
    EditorFixture f;
    f.Reopen("vlnowhere");
    EXPECT_EQ(f.Text(kProgramPage, 1000), "");
    EXPECT_EQ(ReadFile(f.Editor().TemporaryPath()), definition_writer::DefinitionText(definition_writer::NewDefinition()));
}

TEST(RegistryLoad, ADefinitionInstalledByTheEditorComesBackUnchanged)
{
    EditorFixture f;
    const std::string name = "vlroundtrip";
    wintest::RemoveServiceQuietly(name.c_str());
    f.owner.onInstall = [&](const FakeOwner::InstallCall& call) {
        CurrentDirGuard inInstallation(f.dir.Path());
        char installed[257] = {};
        try {
            ServiceInstall(call.path.c_str(), "C:\\VelmoraHost", installed, sizeof installed);
        } catch (const CExcep& failure) {
            ADD_FAILURE() << failure.message;
        }
    };
    const std::string pre = f.dir.Program("pre.bat");
    const std::string post = f.dir.Program("post.cmd");
    const struct {
        std::string more;  // the definition's <Output>, <Supervision> and the like, if any
        const char* shownFile;
    } cases[] = {
        {"", ""},
        {"<Output><OutputLocation>D:\\logs\\relay.log</OutputLocation><ErrorLocation>D:\\logs\\relay.log"
         "</ErrorLocation><RotateSize>65536</RotateSize><RotateDaily>true</RotateDaily><RotateKeep>3</RotateKeep>"
         "<TimeStamp>true</TimeStamp></Output>",
         "D:\\logs\\relay.log"},
        {"<Supervision><StopTimeout>12000</StopTimeout><ExitAction Code=\"0xC0000005\">1</ExitAction>"
         "<ExitAction>3</ExitAction><RestartLimit>4</RestartLimit><RestartPeriod>90000</RestartPeriod></Supervision>"
         "<StopService><StopWorkingDir>" + f.folder + "</StopWorkingDir><StopExecutable>" + post +
             "</StopExecutable><StopParameters>/drain</StopParameters></StopService>",
         ""},
        {"<Supervision><RestartEvery>86400000</RestartEvery><RestartAt>03:00</RestartAt><RestartAt>15:30</RestartAt>"
         "</Supervision><Limits><MemoryLimit>2048</MemoryLimit><MemoryPeriod>1000</MemoryPeriod><CpuLimit>100</CpuLimit>"
         "<CpuPeriod>86400000</CpuPeriod><HandleLimit>16777216</HandleLimit><LimitAction>3</LimitAction>"
         "<JobMemoryLimit>1048576</JobMemoryLimit></Limits>",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.more);
        f.owner.installs.clear();
        const std::string file = f.dir.Write(
            "roundtrip.xml",
            DefinitionDir::Xml("<Name>" + name + "</Name><DisplayName>Round &amp; Trip</DisplayName>"
                               "<Description>Mail &lt;relay&gt; for the branches</Description><WorkingDir>" + f.folder +
                                   "</WorkingDir><Executable>" + f.program +
                                   "</Executable><Parameters>--queue \"D:\\mail\"</Parameters><Delay>4500</Delay>"
                                   "<ConsoleApp>true</ConsoleApp><ForceReplace>true</ForceReplace>",
                               "<Options><AffinityMask>5</AffinityMask><Priority>4</Priority>"
                               "<InteractWithDesktop>false</InteractWithDesktop><StartUpMode>0</StartUpMode>"
                               "<UponExit>2</UponExit><ShowWindow>1</ShowWindow><JobType>2</JobType>"
                               "<LoadOrderGroup>MailGroup</LoadOrderGroup><Dependencies><GroupName>TDI</GroupName>"
                               "<ServiceName>Tcpip</ServiceName><ServiceName>Dnscache</ServiceName></Dependencies>"
                               "</Options><Debug><DebugEnabled>true</DebugEnabled>"
                               "<DebugLocation>D:\\logs\\relay.log</DebugLocation></Debug>"
                               "<Environment><Variable Name=\"RELAY_HOME\">D:\\relay</Variable>"
                               "<Variable Name=\"OPTS\">-Dmode=branch</Variable></Environment>"
                               "<SMF><SMFEnabled>true</SMFEnabled><SMFFrequency>12000</SMFFrequency></SMF>"
                               "<PreService><PreWorkingDir>" + f.folder + "</PreWorkingDir><PreExecutable>" + pre +
                                   "</PreExecutable><PreParameters>/check</PreParameters><PreDelay>7000</PreDelay>"
                                   "</PreService><PostService><PostWorkingDir>" + f.folder +
                                   "</PostWorkingDir><PostExecutable>" + post +
                                   "</PostExecutable><PostDelay>100</PostDelay></PostService>" + c.more));
        ASSERT_TRUE(f.OpenFile(file));
        const std::string opened = definition_writer::DefinitionText(f.Editor().Record());
        f.Click(1072);
        ASSERT_EQ(f.owner.installs.size(), 1u);
        ASSERT_TRUE(wintest::ServiceExists(name.c_str()));
        const std::string installed = f.owner.installs[0].content;
        EXPECT_EQ(installed, opened);

        f.Reopen(name);
        EXPECT_EQ(f.Text(kProgramPage, 1037), "Round & Trip");
        EXPECT_EQ(f.Text(kOutputPage, 1082), c.shownFile);
        EXPECT_EQ(definition_writer::DefinitionText(f.Editor().Record()), installed);
        ProgramStarterStub notepad;
        f.Click(1073);
        ASSERT_EQ(notepad.commands.size(), 1u);
        EXPECT_EQ(ReadFile(f.Editor().TemporaryPath()), installed);

        wintest::RemoveServiceQuietly(name.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kServicesKey) + "EventLog\\Application\\" + name).c_str());
    }
}

}  // namespace
