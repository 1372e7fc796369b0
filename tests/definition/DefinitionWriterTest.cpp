#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "DefinitionWriter.h"
#include "EveryField.h"
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

// Every setting, the later ones written only when set, comes back from the file.
TEST(DefinitionWriter, WhatItWritesReadsBackAsTheSameRecord)
{
    DefinitionDir dir;
    const std::string plain = DefinitionText(NewDefinition());
    EXPECT_EQ(plain.find("Recovery"), std::string::npos);
    EXPECT_EQ(plain.find("Account"), std::string::npos);

    ServiceDefinition d = EveryFieldSet();
    d.Name = "RoundTrip1";
    d.DisplayName = "Round <trip> & 'back'";
    d.Service = {dir.Program("svc.exe"), dir.Folder("work"), "-a \"b c\"", 1234};
    d.PreService = {dir.Program("pre.exe"), dir.Folder("pre"), "", 50};
    d.PostService = {dir.Program("post.exe"), dir.Folder("post"), "--done", 60};
    d.StopService = {dir.Program("stop.exe"), dir.Folder("stop"), "-s quit", 0};
    // What an install takes: the desktop only for LocalSystem, delayed start only when automatic,
    // the eight processors the file can name.
    d.InteractWithDesktop = 0;
    d.StartUpMode = 1;
    d.AffinityMask = 0x81;
    d.OutputFile = d.ErrorFile = "C:\\logs\\both & more.log";
    d.RotateSize = 4294967295u;
    d.ExitActions.push_back({false, 0xFFFFFFFFu, 0});
    d.Account = "CORP\\web & co$";
    d.RecoverySteps[0].Delay = 60000;
    d.RecoveryResetPeriod = 4294967295u;
    d.RecoveryParameters = "/service <web>";
    const std::string file = (dir.Path() / "round.xml").string();
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, file));
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("  <Account>CORP\\web &amp; co$</Account>\r\n  <DelayedStart>true</DelayedStart>\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(" <Recovery>\r\n  <FirstFailure>1</FirstFailure>\r\n  <SecondFailure Delay=\"120000\">3"
                        "</SecondFailure>\r\n"),
              std::string::npos);

    ServiceDefinition back;
    unsigned char force = 0;
    LoadXMLFile(file.c_str(), &back, &force, 1);
    EXPECT_EQ(force, 1);
    // The reader builds the blocks the editor leaves to the registry; the rest must match.
    EXPECT_EQ(back.RawDependencies, d.RawDependencies);
    EXPECT_EQ(DefinitionText(back), DefinitionText(d));
    EXPECT_EQ(back.Service.Executable, d.Service.Executable);
    EXPECT_EQ(back.Environment.size(), 2u);
    EXPECT_EQ(back.RotateSize, 4294967295u);
    EXPECT_EQ(back.ErrorFile, d.ErrorFile);
    EXPECT_EQ(back.ExitActions, d.ExitActions);
    EXPECT_EQ(back.StopService.Parameters, "-s quit");
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
