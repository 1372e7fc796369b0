#include <gtest/gtest.h>

#include <string>

#include "ServiceCommandLine.h"

namespace {

TEST(ServiceCommandLine, WhatAnInstallRegistersRunsTheHostOfItsDirectory)
{
    const struct {
        const char* hostDirectory;
        const char* commandLine;
    } cases[] = {
        {"C:\\Velmora", "C:\\Velmora\\Velmora.exe -s"},
        {"C:\\Program Files\\Velmora", "\"C:\\Program Files\\Velmora\\Velmora.exe\" -s"},
    };
    for (const auto& c : cases) {
        const std::string host = service_control::HostProgramPath(c.hostDirectory);
        EXPECT_EQ(host, std::string(c.hostDirectory) + "\\Velmora.exe");
        EXPECT_EQ(service_control::HostCommandLine(host), c.commandLine);
        EXPECT_TRUE(service_control::RunsHost(c.commandLine, host)) << c.commandLine;
        EXPECT_TRUE(service_control::EndsInHostProgram(c.commandLine)) << c.commandLine;
    }
}

TEST(ServiceCommandLine, ServicesOfThisHostAreKnownByTheirWholeCommandLine)
{
    const std::string host = "C:\\Program Files\\Velmora\\Velmora.exe";
    const struct {
        const char* binaryPath;
        bool ours;
    } cases[] = {
        {"\"C:\\Program Files\\Velmora\\Velmora.exe\" -s", true},
        {"\"c:\\program files\\velmora\\VELMORA.EXE\" -s ", true},
        {"C:\\Program Files\\Velmora\\Velmora.exe -s", true},
        {"\"C:\\Program Files\\Velmora\\Velmora.exe\"", true},
        {"\"D:\\Other\\Velmora.exe\" -s", false},
        {"\"C:\\Program Files\\Velmora\\Velmora.exe\" -c x", false},
        {"C:\\Windows\\system32\\svchost.exe -k netsvcs", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(service_control::RunsHost(c.binaryPath, host), c.ours) << c.binaryPath;
}

}  // namespace
