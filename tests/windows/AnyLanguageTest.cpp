#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "TempDir.h"
#include "WinTestUtil.h"

namespace {

namespace fs = std::filesystem;

const char kName[] = "vlintl";
const std::string kDisplayName = u8"Служба примера";
const std::string kDescription = u8"Описание службы: запись и проверка";
const std::string kGreeting = u8"你好，世界";

std::wstring Wide(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], units);
    return wide;
}

// A text value as the registry holds it in UTF-16, a multi-string's entries joined by '|'.
std::wstring RegistryText(const std::string& key, const wchar_t* value)
{
    std::vector<wchar_t> text(4096);
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), value, RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr,
                     text.data(), &bytes) != ERROR_SUCCESS)
        return L"(missing)";
    std::wstring joined(text.data(), bytes / sizeof(wchar_t));
    while (!joined.empty() && joined.back() == L'\0') joined.pop_back();
    for (wchar_t& c : joined)
        if (c == L'\0') c = L'|';
    return joined;
}

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Waited(const std::function<bool()>& done)
{
    for (int i = 0; i < 200 && !done(); ++i) Sleep(100);
    return done();
}

class AnyLanguage : public ::testing::Test {
protected:
    void TearDown() override { wintest::RemoveServiceQuietly(kName); }

    // A definition of the example program, written by the library's writer, as the editor does.
    ServiceDefinition Definition(const fs::path& program, const fs::path& work, const std::string& parameters) const
    {
        ServiceDefinition d = definition_writer::NewDefinition();
        d.Name = kName;
        d.DisplayName = "Any language";
        d.Service = {program.u8string(), work.u8string(), parameters, 3000};
        d.ConsoleApp = 1;
        return d;
    }

    std::string Write(const ServiceDefinition& d, const fs::path& folder) const
    {
        fs::create_directories(folder);
        fs::copy_file(VELMORA_DTD_FILE, folder / "Velmora.dtd", fs::copy_options::overwrite_existing);
        const std::string file = (folder / fs::u8path(u8"служба.xml")).u8string();
        EXPECT_TRUE(definition_writer::WriteDefinitionFile(d, file));
        return file;
    }

    std::string Example() const { return wintest::ProgramFolder() + "\\VelmoraExample.exe"; }

    TempDir dir_;
};

// Installed with Velmora.exe -i from a folder named in Cyrillic, the program and its working
// folder under one named in Greek, an environment value in Chinese: the system holds the same
// characters, the program runs there and sees them, and the export writes the file back.
TEST_F(AnyLanguage, NamesPathsAndValuesInOtherScriptsReachTheSystemAndTheProgram)
{
    const fs::path greek = dir_.Path() / fs::u8path(u8"Ελληνικά προγράμματα");
    const fs::path work = greek / fs::u8path(u8"εργασία");
    fs::create_directories(work);
    const fs::path program = greek / fs::u8path(u8"παράδειγμα.exe");
    fs::copy_file(fs::u8path(Example()), program);
    const fs::path record = greek / fs::u8path(u8"запись.txt");

    ServiceDefinition d = Definition(program, work, "--quiet --record \"" + record.u8string() + "\"");
    d.DisplayName = kDisplayName;
    d.Description = kDescription;
    d.Environment = {{"VELMORA_GREETING", kGreeting}};
    const std::string file = Write(d, dir_.Path() / fs::u8path(u8"Определения служб"));

    const wintest::CommandResult installed = wintest::RunHost("-i \"" + file + "\"");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;

    const std::string serviceKey = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kName;
    const std::string parameters = serviceKey + "\\Parameters";
    EXPECT_EQ(RegistryText(serviceKey, L"DisplayName"), L"Velmora Service: Служба примера");
    EXPECT_EQ(RegistryText(parameters, L"DisplayName"), L"Служба примера");
    EXPECT_EQ(RegistryText(parameters, L"Description"), L"Описание службы: запись и проверка");
    EXPECT_EQ(RegistryText(parameters, L"ServiceExe"), program.wstring());
    EXPECT_EQ(RegistryText(parameters, L"ServiceWorkingDir"), work.wstring());
    EXPECT_EQ(RegistryText(parameters, L"Environment"), L"VELMORA_GREETING=你好，世界");
    {
        const UniqueScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        const UniqueScHandle service(OpenServiceW(scm.get(), Wide(kName).c_str(), SERVICE_QUERY_CONFIG));
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        ASSERT_TRUE(QueryServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                         static_cast<DWORD>(buffer.size()), &needed));
        EXPECT_STREQ(reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data())->lpDescription,
                     L"Описание службы: запись и проверка");
    }
    EXPECT_TRUE(wintest::Contains(wintest::RunHost("-list -t").output, kDisplayName));

    const wintest::CommandResult started = wintest::RunHost(std::string("-start ") + kName);
    ASSERT_EQ(started.exitCode, 0) << started.output;
    ASSERT_TRUE(Waited([&] { return wintest::Contains(ReadBytes(record), "ready"); })) << ReadBytes(record);
    const std::string seen = ReadBytes(record);
    EXPECT_TRUE(wintest::Contains(seen, "cwd=" + work.u8string() + "\n")) << seen;
    EXPECT_TRUE(wintest::Contains(seen, "env=VELMORA_GREETING=" + kGreeting + "\n")) << seen;
    EXPECT_EQ(wintest::RunHost(std::string("-stop ") + kName).exitCode, 0);

    const std::string exported = (dir_.Path() / fs::u8path(u8"экспорт.xml")).u8string();
    EXPECT_EQ(wintest::RunHost(std::string("-export ") + kName + " \"" + exported + "\"").exitCode, 0);
    EXPECT_EQ(ReadBytes(fs::u8path(exported)), ReadBytes(fs::u8path(file)));
}

// Windows starts no program from a path beyond MAX_PATH, nor in such a working folder: those are
// refused at install with their length. A debug log there is written.
TEST_F(AnyLanguage, PathsBeyondMaxPathAreRefusedForProgramsAndWorkForTheLog)
{
    fs::path deep = dir_.Path();
    for (int i = 0; i < 6; ++i) deep /= std::string(50, static_cast<char>('a' + i));
    fs::create_directories(deep);
    ASSERT_GT(deep.wstring().size(), static_cast<std::size_t>(MAX_PATH));
    const fs::path longProgram = deep / "program.exe";
    fs::copy_file(fs::u8path(Example()), longProgram);
    const fs::path work = dir_.Path() / "work";
    fs::create_directories(work);

    const struct {
        const char* what;
        fs::path program, folder;
        std::string said;
    } refused[] = {
        {"program", longProgram, work,
         "application binary path is too long: " + std::to_string(longProgram.wstring().size()) +
             " characters, Windows takes at most 259 there"},
        {"working folder", fs::u8path(Example()), deep,
         "working directory is too long: " + std::to_string(deep.wstring().size()) +
             " characters, Windows takes at most 258 there"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        const std::string file = Write(Definition(c.program, c.folder, ""), dir_.Path() / "refused");
        const wintest::CommandResult r = wintest::RunHost("-i \"" + file + "\"");
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(wintest::Contains(r.output, c.said)) << r.output;
        EXPECT_FALSE(wintest::ServiceExists(kName));
    }

    ServiceDefinition d = Definition(fs::u8path(Example()), work, "--quiet");
    d.DebugEnabled = 1;
    const fs::path log = deep / fs::u8path(u8"журнал.log");
    d.DebugLogFile = log.u8string();
    ASSERT_EQ(wintest::RunHost("-i \"" + Write(d, dir_.Path() / "logged") + "\"").exitCode, 0);
    ASSERT_EQ(wintest::RunHost(std::string("-start ") + kName).exitCode, 0);
    EXPECT_TRUE(Waited([&] { return !ReadBytes(log).empty(); })) << "nothing written to the log";
    EXPECT_EQ(wintest::RunHost(std::string("-stop ") + kName).exitCode, 0);
}

}  // namespace
