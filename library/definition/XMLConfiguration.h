#pragma once

#include <string>
#include <utility>
#include <vector>

#include "NameValue.h"
#include "ProcessLimits.h"
#include "XMLDocument.h"

// One service definition file, read and checked against the fixed element schema. The
// constructor does the whole job; afterwards the object only answers questions.
class XMLConfiguration {
public:
    using AttributeList = std::vector<std::pair<XMLString, XMLString>>;
    using EnvironmentList = std::vector<std::pair<NameValueXMLString, NameValueXMLString>>;

    // One program to run: the service program, or the one run before or after it.
    class Invocation {
    public:
        Invocation();
        Invocation(const Invocation&);
        Invocation& operator=(const Invocation&);
        virtual ~Invocation();

        const NameValueXMLString& WorkingDir() const { return workingDir_; }
        const NameValueXMLString& Executable() const { return executable_; }
        const NameValueXMLString& Parameters() const { return parameters_; }
        const NameValueUnsignedInt& Delay() const { return delay_; }

    private:
        friend class XMLConfiguration;
        bool WorkingDir(const XMLString& text, const AttributeList& attributes, ProblemList& errors);
        bool Executable(const XMLString& text, const AttributeList& attributes, ProblemList& errors);
        bool Parameters(const XMLString& text, const AttributeList& attributes, ProblemList& errors);
        bool Delay(const XMLString& text, const AttributeList& attributes, ProblemList& errors);

        NameValueXMLString workingDir_;
        NameValueXMLString executable_;
        NameValueXMLString parameters_;
        NameValueUnsignedInt delay_;
    };

    // One row of the schema tree.
    // No row of the schema has more children than this.
    static constexpr unsigned int kMostChildren = 16;

    struct ElementNode {
        const char* name;
        unsigned int minOccurs;
        unsigned int maxOccurs;  // 0: no limit
        unsigned int childCount;
        const ElementNode* children;
        bool (XMLConfiguration::*handler)(const XMLString& text, const AttributeList& attributes);
    };

    explicit XMLConfiguration(const std::string& fileName);
    XMLConfiguration(const XMLConfiguration&);
    XMLConfiguration& operator=(const XMLConfiguration&);
    virtual ~XMLConfiguration();

    bool IsValid() const { return valid_; }
    const ErrorList& Errors() const { return errors_.Lines(); }

    const NameValueXMLString& Name() const { return name_; }
    const NameValueXMLString& DisplayName() const { return displayName_; }
    const NameValueXMLString& Description() const { return description_; }
    const Invocation& Service() const { return service_; }
    const NameValueUnsignedInt& ConsoleApp() const { return consoleApp_; }
    const NameValueUnsignedInt& ForceReplace() const { return forceReplace_; }
    const NameValueUnsignedInt& UponExit() const { return uponExit_; }
    const NameValueUnsignedInt& AffinityMask() const { return affinityMask_; }
    const NameValueUnsignedInt& Priority() const { return priority_; }
    const NameValueUnsignedInt& InteractWithDesktop() const { return interactWithDesktop_; }
    const NameValueUnsignedInt& StartUpMode() const { return startUpMode_; }
    const NameValueUnsignedInt& ShowWindow() const { return showWindow_; }
    const NameValueUnsignedInt& JobType() const { return jobType_; }
    const NameValueXMLString& LoadOrderGroup() const { return loadOrderGroup_; }
    const std::vector<NameValueXMLString>& GroupDependents() const { return groupDependents_; }
    const std::vector<NameValueXMLString>& ServiceDependents() const { return serviceDependents_; }
    const NameValueUnsignedInt& DebuggingEnabled() const { return debuggingEnabled_; }
    const NameValueXMLString& DebugLogFile() const { return debugLogFile_; }
    const EnvironmentList& Environment() const { return environment_; }
    const NameValueUnsignedInt& Monitoring() const { return monitoring_; }
    const NameValueUnsignedInt& MonitoringFrequency() const { return monitoringFrequency_; }
    const Invocation& PreService() const { return preService_; }
    const Invocation& PostService() const { return postService_; }
    const Invocation& StopService() const { return stopService_; }
    const NameValueUnsignedInt& ExpandVariables() const { return expandVariables_; }
    const NameValueXMLString& OutputFile() const { return outputFile_; }
    const NameValueXMLString& ErrorFile() const { return errorFile_; }
    const NameValueUnsignedInt& RotateSize() const { return rotateSize_; }
    const NameValueUnsignedInt& RotateDaily() const { return rotateDaily_; }
    const NameValueUnsignedInt& RotateKeep() const { return rotateKeep_; }
    const NameValueUnsignedInt& TimeStamp() const { return timeStamp_; }
    const NameValueUnsignedInt& StopTimeout() const { return stopTimeout_; }
    // Each ExitAction: its code, or no value for the action on every other code, and the action.
    using ExitActionList = std::vector<std::pair<NameValueUnsignedInt, NameValueUnsignedInt>>;
    const ExitActionList& ExitActions() const { return exitActions_; }
    const NameValueUnsignedInt& RestartLimit() const { return restartLimit_; }
    const NameValueUnsignedInt& RestartPeriod() const { return restartPeriod_; }
    const NameValueUnsignedInt& PreShutdownTimeout() const { return preShutdownTimeout_; }
    const NameValueXMLString& Account() const { return account_; }
    const NameValueUnsignedInt& DelayedStart() const { return delayedStart_; }
    // A failure's recovery action and the delay before it (Recovery's FirstFailure, SecondFailure
    // and LaterFailures).
    struct RecoveryStep {
        NameValueUnsignedInt action{"Action"};
        NameValueUnsignedInt delay{"Delay"};
    };
    const RecoveryStep& FirstFailure() const { return firstFailure_; }
    const RecoveryStep& SecondFailure() const { return secondFailure_; }
    const RecoveryStep& LaterFailures() const { return laterFailures_; }
    const NameValueUnsignedInt& ResetPeriod() const { return resetPeriod_; }
    const NameValueXMLString& RecoveryProgram() const { return recoveryProgram_; }
    const NameValueXMLString& RecoveryParameters() const { return recoveryParameters_; }

    // How many rotated files are kept when the definition does not say, and the most it may say.
    static constexpr unsigned int kDefaultRotateKeep = 10;
    static constexpr unsigned int kMaxRotateKeep = 1000;
    // The longest period a restart limit may count over: a day.
    static constexpr unsigned int kMaxRestartPeriodMs = 86400000;
    // The longest delay before a recovery action: a day too.
    static constexpr unsigned int kMaxRecoveryDelayMs = 86400000;

    // The longest text an element or attribute may hold once its entity references are expanded:
    // no setting can carry more than a command line's 32767 characters, at most three bytes each.
    static constexpr std::size_t kMaxText = 3 * process_limits::kMaxCommandLine;

    // The root row of the schema tree.
    static const ElementNode& Schema();

private:
    bool Read(const std::string& fileName);
    bool Populate(const XMLNode& node, const ElementNode& row);

    // One handler per schema row, bottom-up: children are converted before their parent.
    bool Service(const XMLString& text, const AttributeList& attributes);
    bool Program(const XMLString& text, const AttributeList& attributes);
    bool Options(const XMLString& text, const AttributeList& attributes);
    bool Debug(const XMLString& text, const AttributeList& attributes);
    bool Environment(const XMLString& text, const AttributeList& attributes);
    bool SMF(const XMLString& text, const AttributeList& attributes);
    bool PreService(const XMLString& text, const AttributeList& attributes);
    bool PostService(const XMLString& text, const AttributeList& attributes);
    bool Output(const XMLString& text, const AttributeList& attributes);
    bool Supervision(const XMLString& text, const AttributeList& attributes);
    bool StopService(const XMLString& text, const AttributeList& attributes);
    bool StopServiceWorkingDir(const XMLString& text, const AttributeList& attributes);
    bool StopServiceExecutable(const XMLString& text, const AttributeList& attributes);
    bool StopServiceParameters(const XMLString& text, const AttributeList& attributes);
    bool ExpandVariablesValue(const XMLString& text, const AttributeList& attributes);
    bool Name(const XMLString& text, const AttributeList& attributes);
    bool DisplayName(const XMLString& text, const AttributeList& attributes);
    bool Description(const XMLString& text, const AttributeList& attributes);
    bool ServiceWorkingDir(const XMLString& text, const AttributeList& attributes);
    bool ServiceExecutable(const XMLString& text, const AttributeList& attributes);
    bool ServiceParameters(const XMLString& text, const AttributeList& attributes);
    bool ServiceDelay(const XMLString& text, const AttributeList& attributes);
    bool ConsoleApp(const XMLString& text, const AttributeList& attributes);
    bool ForceReplace(const XMLString& text, const AttributeList& attributes);
    bool UponExit(const XMLString& text, const AttributeList& attributes);
    bool AffinityMask(const XMLString& text, const AttributeList& attributes);
    bool Priority(const XMLString& text, const AttributeList& attributes);
    bool InteractWithDesktop(const XMLString& text, const AttributeList& attributes);
    bool StartUpMode(const XMLString& text, const AttributeList& attributes);
    bool ShowWindow(const XMLString& text, const AttributeList& attributes);
    bool JobType(const XMLString& text, const AttributeList& attributes);
    bool LoadOrderGroup(const XMLString& text, const AttributeList& attributes);
    bool Dependencies(const XMLString& text, const AttributeList& attributes);
    bool GroupDependents(const XMLString& text, const AttributeList& attributes);
    bool ServiceDependents(const XMLString& text, const AttributeList& attributes);
    bool DebuggingEnabled(const XMLString& text, const AttributeList& attributes);
    bool DebugLogFile(const XMLString& text, const AttributeList& attributes);
    bool Variable(const XMLString& text, const AttributeList& attributes);
    bool Monitoring(const XMLString& text, const AttributeList& attributes);
    bool MonitoringFrequency(const XMLString& text, const AttributeList& attributes);
    bool PreServiceWorkingDir(const XMLString& text, const AttributeList& attributes);
    bool PreServiceExecutable(const XMLString& text, const AttributeList& attributes);
    bool PreServiceParameters(const XMLString& text, const AttributeList& attributes);
    bool PreServiceDelay(const XMLString& text, const AttributeList& attributes);
    bool PostServiceWorkingDir(const XMLString& text, const AttributeList& attributes);
    bool PostServiceExecutable(const XMLString& text, const AttributeList& attributes);
    bool PostServiceParameters(const XMLString& text, const AttributeList& attributes);
    bool PostServiceDelay(const XMLString& text, const AttributeList& attributes);
    bool OutputLocation(const XMLString& text, const AttributeList& attributes);
    bool ErrorLocation(const XMLString& text, const AttributeList& attributes);
    bool RotateSizeValue(const XMLString& text, const AttributeList& attributes);
    bool RotateDailyValue(const XMLString& text, const AttributeList& attributes);
    bool RotateKeepValue(const XMLString& text, const AttributeList& attributes);
    bool TimeStampValue(const XMLString& text, const AttributeList& attributes);
    bool StopTimeoutValue(const XMLString& text, const AttributeList& attributes);
    bool ExitAction(const XMLString& text, const AttributeList& attributes);
    bool RestartLimitValue(const XMLString& text, const AttributeList& attributes);
    bool RestartPeriodValue(const XMLString& text, const AttributeList& attributes);
    bool PreShutdownTimeoutValue(const XMLString& text, const AttributeList& attributes);
    bool AccountValue(const XMLString& text, const AttributeList& attributes);
    bool DelayedStartValue(const XMLString& text, const AttributeList& attributes);
    bool Recovery(const XMLString& text, const AttributeList& attributes);
    bool FirstFailureValue(const XMLString& text, const AttributeList& attributes);
    bool SecondFailureValue(const XMLString& text, const AttributeList& attributes);
    bool LaterFailuresValue(const XMLString& text, const AttributeList& attributes);
    bool ResetPeriodValue(const XMLString& text, const AttributeList& attributes);
    bool RecoveryProgramValue(const XMLString& text, const AttributeList& attributes);
    bool RecoveryParametersValue(const XMLString& text, const AttributeList& attributes);
    bool SetRecoveryStep(RecoveryStep& step, const char* element, const XMLString& text,
                         const AttributeList& attributes);

    std::string fileName_;
    bool valid_ = false;
    ProblemList errors_;
    NameValueXMLString name_;
    NameValueXMLString displayName_;
    NameValueXMLString description_;
    Invocation service_;
    NameValueUnsignedInt consoleApp_;
    NameValueUnsignedInt forceReplace_;
    NameValueUnsignedInt uponExit_;
    NameValueUnsignedInt affinityMask_;
    NameValueUnsignedInt priority_;
    NameValueUnsignedInt interactWithDesktop_;
    NameValueUnsignedInt startUpMode_;
    NameValueUnsignedInt showWindow_;
    NameValueUnsignedInt jobType_;
    NameValueXMLString loadOrderGroup_;
    std::vector<NameValueXMLString> groupDependents_;
    std::vector<NameValueXMLString> serviceDependents_;
    NameValueUnsignedInt debuggingEnabled_;
    NameValueXMLString debugLogFile_;
    EnvironmentList environment_;
    NameValueUnsignedInt monitoring_;
    NameValueUnsignedInt monitoringFrequency_;
    Invocation preService_;
    Invocation postService_;
    Invocation stopService_;
    NameValueUnsignedInt expandVariables_;
    NameValueXMLString outputFile_;
    NameValueXMLString errorFile_;
    NameValueUnsignedInt rotateSize_;
    NameValueUnsignedInt rotateDaily_;
    NameValueUnsignedInt rotateKeep_;
    NameValueUnsignedInt timeStamp_;
    NameValueUnsignedInt stopTimeout_;
    ExitActionList exitActions_;
    NameValueUnsignedInt restartLimit_;
    NameValueUnsignedInt restartPeriod_;
    NameValueUnsignedInt preShutdownTimeout_;
    NameValueXMLString account_;
    NameValueUnsignedInt delayedStart_;
    RecoveryStep firstFailure_;
    RecoveryStep secondFailure_;
    RecoveryStep laterFailures_;
    NameValueUnsignedInt resetPeriod_;
    NameValueXMLString recoveryProgram_;
    NameValueXMLString recoveryParameters_;
};
