#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "Quillon.h"

// What each editor page holds, and how it maps to and from the definition record. The pages
// only move these values between their controls and here; the mapping rules live here.
namespace editor {

// Removes blanks, tabs and line breaks at both ends.
std::string Trimmed(const std::string& text);
// A time field left empty (or blank) gets this text.
constexpr char kDefaultTimeText[] = "3000";
bool NeedsDefaultTime(const std::string& text);
// The folder of a chosen file: the path cut at its last backslash, without that backslash.
std::string FolderPart(const std::string& path);

// A check box state from a boolean field, and back.
int CheckFromFlag(std::uint32_t flag);

struct ProgramValues {
    std::string name, displayName, description;
    int consoleApp = 0;
    std::string workingDir, executable, parameters;
    int startupTime = 0;
};
ProgramValues ProgramFromRecord(const ServiceDefinition& record);
void ProgramToRecord(const ProgramValues& values, ServiceDefinition& record);

struct InvocationValues {
    std::string workingDir, executable, parameters;
    int time = 0;
};
struct PrePostValues {
    InvocationValues pre, post;
};
PrePostValues PrePostFromRecord(const ServiceDefinition& record);
void PrePostToRecord(const PrePostValues& values, ServiceDefinition& record);

constexpr int kCpuBoxes = 8;
struct OptionsValues {
    int interactWithDesktop = 0;
    int showWindow = -1, jobType = -1;
    std::string loadOrderGroup;
    int startUpMode = -1, uponExit = -1;
    int monitorInterval = 0;
    int priority = -1;
    std::array<int, kCpuBoxes> cpu{};
    int debugEnabled = 0;
    std::string debugLogFile;
};
OptionsValues OptionsFromRecord(const ServiceDefinition& record);
void OptionsToRecord(const OptionsValues& values, ServiceDefinition& record);
// The interval means something only when the program's exit leads to an action.
bool MonitoringApplies(int uponExitIndex);

struct DependencyValues {
    std::vector<std::string> services, groups;
};
DependencyValues DependenciesFromRecord(const ServiceDefinition& record);
void DependenciesToRecord(const DependencyValues& values, ServiceDefinition& record);

using Variables = std::vector<EnvironmentVariable>;
constexpr std::size_t kNoVariable = static_cast<std::size_t>(-1);
// The first variable with exactly this name (byte for byte, with case), or kNoVariable.
std::size_t FindVariable(const Variables& variables, const std::string& name);
// Gives the first variable of that name the value, or appends a new one; returns its position.
std::size_t SetVariable(Variables& variables, const std::string& name, const std::string& value);
// Gives every variable of that name the value; returns their positions.
std::vector<std::size_t> SetEveryVariable(Variables& variables, const std::string& name, const std::string& value);

}  // namespace editor
