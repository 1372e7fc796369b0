#pragma once

#include <string>
#include <utility>
#include <vector>

#include "NameValue.h"
#include "ProcessLimits.h"
#include "Settings.h"
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
        // A container's handler may be null: it only checks that the container holds no text.
        bool (XMLConfiguration::*handler)(const XMLString& text, const AttributeList& attributes);
        const settings::Setting* setting = nullptr;  // a row of the settings table, read by it
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
    // Whether the definition states InteractWithDesktop rather than taking its default.
    bool InteractWithDesktopWritten() const { return interactWithDesktopWritten_; }
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
    // A setting of the settings table: its number (booleans as 0 or 1) or its text, without a
    // value when the file leaves it out.
    const NameValueUnsignedInt& SettingNumber(const settings::Setting& row) const;
    const NameValueXMLString& SettingText(const settings::Setting& row) const;
    // Each ExitAction: its code, or no value for the action on every other code, and the action.
    using ExitActionList = std::vector<std::pair<NameValueUnsignedInt, NameValueUnsignedInt>>;
    const ExitActionList& ExitActions() const { return exitActions_; }
    const std::vector<ServiceDefinition::Notification>& Notifications() const { return notifications_; }

    // What a file that leaves these out gets, which the conversion keeps.
    static constexpr unsigned int kDefaultUponExit = 1;
    static constexpr unsigned int kDefaultInteractWithDesktop = 1;
    static constexpr unsigned int kDefaultStartUpMode = 1;
    static constexpr unsigned int kDefaultJobType = 1;
    static constexpr unsigned int kDefaultMonitoring = 1;
    static constexpr unsigned int kDefaultFrequency = 5000;

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
    bool ReadSetting(const settings::Setting& row, const XMLString& text, const AttributeList& attributes);

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
    bool interactWithDesktopWritten_ = false;
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
    std::vector<NameValueUnsignedInt> settingNumbers_;  // by row of the settings table
    std::vector<NameValueXMLString> settingTexts_;
    ExitActionList exitActions_;
    std::vector<ServiceDefinition::Notification> notifications_;
};
