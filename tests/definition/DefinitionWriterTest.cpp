#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "DefinitionWriter.h"
#include "Definitions.h"

namespace {

using definition_writer::DefinitionText;
using definition_writer::NewDefinition;

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(DefinitionWriter, NewDefinitionIsExactlyTheDefaults)
{
    EXPECT_EQ(DefinitionText(NewDefinition()),
              Lines({"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>",
                     "<!DOCTYPE Service SYSTEM \"Velmora.dtd\">",
                     "<Service>",
                     " <Program>",
                     "  <Name></Name>",
                     "  <DisplayName></DisplayName>",
                     "  <WorkingDir></WorkingDir>",
                     "  <Executable></Executable>",
                     "  <Delay>3000</Delay>",
                     "  <ConsoleApp>false</ConsoleApp>",
                     "  <ForceReplace>true</ForceReplace>",
                     " </Program>",
                     " <Options>",
                     "  <AffinityMask>0</AffinityMask>",
                     "  <Priority>0</Priority>",
                     "  <InteractWithDesktop>false</InteractWithDesktop>",
                     "  <StartUpMode>1</StartUpMode>",
                     "  <UponExit>1</UponExit>",
                     "  <ShowWindow>0</ShowWindow>",
                     "  <JobType>1</JobType>",
                     " </Options>",
                     " <SMF>",
                     "  <SMFEnabled>true</SMFEnabled>",
                     "  <SMFFrequency>5000</SMFFrequency>",
                     " </SMF>",
                     "</Service>"}));
}

TEST(DefinitionWriter, EscapesTheFiveSpecialCharactersOnly)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Tom & Jerry's <b>", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"  \t\x01\xe9 ", "  \t\x01\xe9 "},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(definition_writer::Escape(c.in), c.out);
}

TEST(DefinitionWriter, WritesTheOptionalPartsOnlyWhenSet)
{
    ServiceDefinition d = NewDefinition();
    d.Name = "Svc";
    d.Description = "A & B";
    d.Service.Parameters = "-x";
    d.LoadOrderGroup = "Grp";
    d.GroupDependencies = {"G1"};
    d.DebugEnabled = 1;
    d.Environment = {{"Q", "say \"x\""}};
    d.PreService.Parameters = "ignored without a program";
    d.PostService = {"C:\\post.exe", "C:\\", "", 10};
    d.AffinityMask = 0xFFFFFFFFu;
    d.ShowWindow = static_cast<std::uint32_t>(-1);
    d.ErrorFile = "err.log";
    d.RotateKeep = 3;
    const std::string text = DefinitionText(d);
    for (const char* expected :
         {"  <Description>A &amp; B</Description>\r\n", "  <Parameters>-x</Parameters>\r\n",
          "  <LoadOrderGroup>Grp</LoadOrderGroup>\r\n",
          "  <Dependencies>\r\n   <GroupName>G1</GroupName>\r\n  </Dependencies>\r\n",
          " <Debug>\r\n  <DebugEnabled>true</DebugEnabled>\r\n  <DebugLocation></DebugLocation>\r\n </Debug>\r\n",
          " <Environment>\r\n  <Variable Name=\"Q\">say &quot;x&quot;</Variable>\r\n </Environment>\r\n",
          " <PostService>\r\n  <PostWorkingDir>C:\\</PostWorkingDir>\r\n  <PostExecutable>C:\\post.exe</PostExecutable>"
          "\r\n  <PostDelay>10</PostDelay>\r\n </PostService>\r\n",
          "  <AffinityMask>-1</AffinityMask>\r\n", "  <ShowWindow>-1</ShowWindow>\r\n",
          " </PostService>\r\n <Output>\r\n  <ErrorLocation>err.log</ErrorLocation>\r\n  <RotateKeep>3</RotateKeep>\r\n"
          " </Output>\r\n</Service>"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(text.find("PreService"), std::string::npos);
}

TEST(DefinitionWriter, WhatItWritesReadsBackAsTheSameRecord)
{
    DefinitionDir dir;
    ServiceDefinition d = NewDefinition();
    d.Name = "RoundTrip1";
    d.DisplayName = "Round <trip> & 'back'";
    d.Description = "Every field set";
    d.Service = {dir.Program("svc.exe"), dir.Folder("work"), "-a \"b c\"", 1234};
    d.PreService = {dir.Program("pre.exe"), dir.Folder("pre"), "", 50};
    d.PostService = {dir.Program("post.exe"), dir.Folder("post"), "--done", 60};
    d.ConsoleApp = 1;
    d.InteractWithDesktop = 1;
    d.StartUpMode = 2;
    d.ShowWindow = 3;
    d.JobType = 2;
    d.LoadOrderGroup = "Grp";
    d.SMFEnabled = 0;
    d.SMFFrequency = 777;
    d.UponExit = 3;
    d.AffinityMask = 0x81;
    d.Priority = 5;
    d.GroupDependencies = {"G1", "G2"};
    d.ServiceDependencies = {"S1"};
    d.Environment = {{"A", "1"}, {"PATH", "C:\\x;D:\\y"}};
    d.DebugEnabled = 1;
    d.DebugLogFile = "C:\\logs\\x.log";
    d.OutputFile = d.ErrorFile = "C:\\logs\\both & more.log";
    d.RotateSize = 4294967295u;
    d.RotateDaily = 1;
    d.RotateKeep = 0;
    d.OutputTimeStamp = 1;
    d.StopTimeout = 0;
    d.ExitActions = {{true, 0, 2}, {false, 0xFFFFFFFFu, 0}};
    d.RestartLimit = 3;
    d.RestartPeriod = 1;
    d.StopService = {dir.Program("stop.exe"), dir.Folder("stop"), "-s quit", 3000};
    const std::string file = (dir.Path() / "round.xml").string();
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, file));

    ServiceDefinition back;
    unsigned char force = 0;
    LoadXMLFile(file.c_str(), &back, &force, 1);
    EXPECT_EQ(force, 1);
    // The reader builds the blocks the editor leaves to the registry; the rest must match.
    back.RawDependencies.clear();
    back.EnvironmentSize = 0;
    EXPECT_EQ(DefinitionText(back), DefinitionText(d));
    EXPECT_EQ(back.Service.Executable, d.Service.Executable);
    EXPECT_EQ(back.Environment.size(), 2u);
    EXPECT_EQ(back.RotateSize, 4294967295u);
    EXPECT_EQ(back.ErrorFile, d.ErrorFile);
    EXPECT_EQ(back.ExitActions, d.ExitActions);
    EXPECT_EQ(back.StopService.Parameters, "-s quit");
}

// Log-on and recovery settings are written only when set, and each comes back from the file.
TEST(DefinitionWriter, LogOnAndRecoveryReadBack)
{
    DefinitionDir dir;
    ServiceDefinition d = NewDefinition();
    d.Name = "LogOn1";
    d.DisplayName = "Log on";
    d.Service = {dir.Program("svc.exe"), dir.Folder("work"), "", 3000};
    const std::string plain = DefinitionText(d);
    EXPECT_EQ(plain.find("Recovery"), std::string::npos);
    EXPECT_EQ(plain.find("Account"), std::string::npos);

    d.Account = "CORP\\web & co$";
    d.DelayedStart = 1;
    d.PreShutdownTimeout = 120000;
    d.RecoverySteps[0].Action = 1;
    d.RecoverySteps[1].Action = 1;
    d.RecoverySteps[1].Delay = 0;
    d.RecoverySteps[2].Action = 3;
    d.RecoverySteps[2].Delay = 86400000;
    d.RecoveryResetPeriod = 4294967295u;
    d.RecoveryProgram = "C:\\tools\\notify.cmd";
    d.RecoveryParameters = "/service <web>";
    const std::string file = (dir.Path() / "logon.xml").string();
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, file));
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("  <Account>CORP\\web &amp; co$</Account>\r\n  <DelayedStart>true</DelayedStart>\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(" <Recovery>\r\n  <FirstFailure>1</FirstFailure>\r\n  <SecondFailure Delay=\"0\">1"
                        "</SecondFailure>\r\n"),
              std::string::npos);

    ServiceDefinition back;
    unsigned char force = 0;
    LoadXMLFile(file.c_str(), &back, &force, 1);
    EXPECT_EQ(DefinitionText(back), DefinitionText(d));
    EXPECT_EQ(back.Account, d.Account);
    EXPECT_EQ(back.RecoverySteps[2].Delay, 86400000u);
    EXPECT_EQ(back.RecoveryResetPeriod, 4294967295u);
    EXPECT_EQ(back.RecoveryParameters, d.RecoveryParameters);
}

TEST(DefinitionWriter, AFailedWriteLeavesTheOldFileAlone)
{
    TempDir dir;
    const std::string file = dir.Write("keep.xml", "old content");
    ServiceDefinition d = NewDefinition();

    // The target is a folder: the new text cannot take its place.
    std::filesystem::create_directories(dir.Path() / "folder.xml");
    std::string error;
    EXPECT_FALSE(definition_writer::WriteDefinitionFile(d, (dir.Path() / "folder.xml").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.xml"));

    EXPECT_FALSE(definition_writer::WriteDefinitionFile(d, (dir.Path() / "no" / "such.xml").string(), &error));
    EXPECT_FALSE(error.empty());

    EXPECT_EQ(ReadFile(file), "old content");
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, file));
    EXPECT_EQ(ReadFile(file), DefinitionText(d));
    EXPECT_FALSE(std::filesystem::exists(file + ".vlnew")) << "no half-written file may stay behind";
    EXPECT_FALSE(std::filesystem::exists((dir.Path() / "folder.xml.vlnew")));
}

}  // namespace
