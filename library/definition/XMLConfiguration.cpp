#include "XMLConfiguration.h"

#include <cstring>
#include <new>

#include <libxml/entities.h>
#include <libxml/tree.h>

#include "Platform.h"
#include "SettingText.h"
#include "UnsignedText.h"

namespace {

using AttributeList = XMLConfiguration::AttributeList;

std::string Text(const XMLString& text) { return std::string(text.begin(), text.end()); }

std::string Text(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

bool IsBlank(const XMLString& text) { return unsigned_text::IsBlank(text.c_str()); }

bool CheckContainer(const char* element, const XMLString& text, const AttributeList& attributes, ProblemList& errors)
{
    if (!IsBlank(text)) {
        errors.Add("Unexpected text in <" + std::string(element) + "> element \"" + Text(text) + "\"");
        return false;
    }
    if (!attributes.empty()) {
        errors.Add("Unexpected attributes in <" + std::string(element) + "> element");
        return false;
    }
    return true;
}

bool SetStringValue(NameValueXMLString& value, const XMLString& text, ProblemList& errors)
{
    if (!IsBlank(text)) return value.SetValue(text.c_str());
    errors.Add("Invalid blank string for element \"" + value.Name() + "\".");
    return false;
}

bool SetBooleanValue(NameValueUnsignedInt& value, const XMLString& text, ProblemList& errors)
{
    // Byte-wise ASCII lowering: the locale must not change which words count.
    std::string lower = Text(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const unsigned char* word = nullptr;
    if (lower == "true" || lower == "on" || lower == "yes" || lower == "1") {
        word = reinterpret_cast<const unsigned char*>("1");
    } else if (lower == "false" || lower == "off" || lower == "no" || lower == "0") {
        word = reinterpret_cast<const unsigned char*>("0");
    } else {
        errors.Add("Invalid value \"" + Text(text) + "\" for element \"" + value.Name() +
                   "\".  Valid values are:\n\t\"true\", \"on\", \"1\" or\n\t\"false\", \"off\", \"0\".");
        return false;
    }
    if (value.SetValue(word)) return true;
    errors.Add(value.Error());
    return false;
}

bool SetRangedValue(NameValueUnsignedInt& value, const XMLString& text, unsigned int min, unsigned int max,
                    ProblemList& errors)
{
    const auto range = [&] {
        return "  Valid range is [" + std::to_string(min) + ", " + std::to_string(max) + "].";
    };
    if (IsBlank(text)) {
        errors.Add("Invalid blank value for element \"" + value.Name() + "\"." + range());
        return false;
    }
    const auto invalid = [&] { return "Invalid value (" + Text(text) + ") for element \"" + value.Name() + "\""; };
    NameValueUnsignedInt scratch("tmp");
    if (!scratch.SetValue(text.c_str())) {
        errors.Add(invalid() + ": " + scratch.Error() + "." + range());
        return false;
    }
    if (scratch.Value() < min || scratch.Value() > max) {
        errors.Add(invalid() + "." + range());
        return false;
    }
    return value.SetValue(text.c_str());
}

bool SetUnsignedValue(NameValueUnsignedInt& value, const XMLString& text, ProblemList& errors)
{
    if (value.SetValue(text.c_str())) return true;
    errors.Add("Invalid value (" + Text(text) + ") for element \"" + value.Name() + "\": " + value.Error());
    return false;
}

// A number of the settings table: a plain number as ever, else one of the row's words or a number
// with a unit.
bool SetSettingValue(NameValueUnsignedInt& value, const settings::Setting& row, const XMLString& text,
                     ProblemList& errors)
{
    const settings::Reading reading = settings::ReadWordOrUnit(row, Text(text));
    switch (reading.status) {
    case settings::Reading::Status::Plain:
        return row.kind == settings::Kind::Number ? SetUnsignedValue(value, text, errors)
                                                  : SetRangedValue(value, text, row.min, row.max, errors);
    case settings::Reading::Status::Value: value = NameValueUnsignedInt(row.element, reading.value); return true;
    default: errors.Add(reading.problem); return false;
    }
}

// An element whose only attribute may be `name`: `set` takes its value. False, with the problem
// listed, for any other attribute or a value `set` refuses.
template <typename Set>
bool OnlyAttribute(const XMLConfiguration::AttributeList& attributes, const char* name, const char* element, ProblemList& errors,
                   Set set)
{
    for (const auto& [attribute, value] : attributes) {
        if (attribute != reinterpret_cast<const unsigned char*>(name)) {
            errors.Add("Unknown attribute \"" + Text(attribute) + "\" for element \"" + element + "\"");
            return false;
        }
        if (!set(value)) return false;
    }
    return true;
}

bool AddListEntry(std::vector<NameValueXMLString>& list, const char* name, const XMLString& text, ProblemList& errors)
{
    NameValueXMLString entry(name, nullptr);
    if (!SetStringValue(entry, text, errors)) return false;
    list.push_back(entry);
    return true;
}

// Appends a node's character data: CDATA sections and references to declared entities are
// character data as much as plain text is; leaving them out would silently change what the file
// says. The references are expanded here, beyond the parser's guard against amplification, so the
// text is bounded: false when it would pass kMaxText. (An entity's own references cannot loop: the
// parser refuses such a file.)
bool AppendText(const xmlNode& node, XMLString& text)
{
    switch (node.type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        if (node.content) {
            const std::size_t length = xmlStrlen(node.content);
            if (length > XMLConfiguration::kMaxText - text.size()) return false;
            text.append(node.content, length);
        }
        return true;
    case XML_ENTITY_REF_NODE:
        if (const xmlEntity* entity = xmlGetDocEntity(node.doc, node.name)) {
            for (const xmlNode* child = entity->children; child; child = child->next) {
                if (!AppendText(*child, text)) return false;
            }
        }
        return true;
    default:
        return true;
    }
}

std::string TooLong(const std::string& what)
{
    return what + " is longer than " + std::to_string(XMLConfiguration::kMaxText) + " bytes";
}

// The element's attributes with entity references replaced; false, with the problem reported,
// when a value is too long.
bool Attributes(const xmlNode& element, AttributeList& list, ProblemList& errors)
{
    for (const xmlAttr* a = element.properties; a; a = a->next) {
        XMLString value;
        for (const xmlNode* child = a->children; child; child = child->next) {
            if (!AppendText(*child, value)) {
                errors.Add(TooLong("The value of attribute \"" + Text(a->name) + "\" of element <" +
                                   Text(element.name) + ">"));
                return false;
            }
        }
        list.emplace_back(a->name ? XMLString(a->name) : XMLString(), std::move(value));
    }
    return true;
}

}  // namespace

XMLConfiguration::Invocation::Invocation()
    : workingDir_("WorkingDir", nullptr),
      executable_("Executable", nullptr),
      parameters_("Parameters", nullptr),
      delay_("Delay", 0)
{
}

XMLConfiguration::Invocation::Invocation(const Invocation&) = default;
XMLConfiguration::Invocation& XMLConfiguration::Invocation::operator=(const Invocation&) = default;
XMLConfiguration::Invocation::~Invocation() = default;

bool XMLConfiguration::Invocation::WorkingDir(const XMLString& text, const AttributeList&, ProblemList& errors)
{
    return SetStringValue(workingDir_, text, errors);
}

bool XMLConfiguration::Invocation::Executable(const XMLString& text, const AttributeList&, ProblemList& errors)
{
    return SetStringValue(executable_, text, errors);
}

bool XMLConfiguration::Invocation::Parameters(const XMLString& text, const AttributeList&, ProblemList& errors)
{
    return SetStringValue(parameters_, text, errors);
}

bool XMLConfiguration::Invocation::Delay(const XMLString& text, const AttributeList&, ProblemList& errors)
{
    return SetUnsignedValue(delay_, text, errors);
}

const XMLConfiguration::ElementNode& XMLConfiguration::Schema()
{
    using C = XMLConfiguration;
    static const ElementNode program[] = {
        {"Name", 1, 1, 0, nullptr, &C::Name},
        {"DisplayName", 1, 1, 0, nullptr, &C::DisplayName},
        {"Description", 0, 1, 0, nullptr, &C::Description},
        {"WorkingDir", 1, 1, 0, nullptr, &C::ServiceWorkingDir},
        {"Executable", 1, 1, 0, nullptr, &C::ServiceExecutable},
        {"Parameters", 0, 1, 0, nullptr, &C::ServiceParameters},
        {"Delay", 0, 1, 0, nullptr, &C::ServiceDelay},
        {"ConsoleApp", 0, 1, 0, nullptr, &C::ConsoleApp},
        {"ForceReplace", 0, 1, 0, nullptr, &C::ForceReplace},
    };
    static const ElementNode dependencies[] = {
        {"GroupName", 0, 0, 0, nullptr, &C::GroupDependents},
        {"ServiceName", 0, 0, 0, nullptr, &C::ServiceDependents},
    };
    static const ElementNode debug[] = {
        {"DebugEnabled", 0, 1, 0, nullptr, &C::DebuggingEnabled},
        {"DebugLocation", 1, 1, 0, nullptr, &C::DebugLogFile},
    };
    static const ElementNode environment[] = {
        {"Variable", 1, 0, 0, nullptr, &C::Variable},
    };
    static const ElementNode smf[] = {
        {"SMFEnabled", 0, 1, 0, nullptr, &C::Monitoring},
        {"SMFFrequency", 0, 1, 0, nullptr, &C::MonitoringFrequency},
    };
    static const ElementNode preService[] = {
        {"PreWorkingDir", 1, 1, 0, nullptr, &C::PreServiceWorkingDir},
        {"PreExecutable", 1, 1, 0, nullptr, &C::PreServiceExecutable},
        {"PreParameters", 0, 1, 0, nullptr, &C::PreServiceParameters},
        {"PreDelay", 0, 1, 0, nullptr, &C::PreServiceDelay},
    };
    static const ElementNode postService[] = {
        {"PostWorkingDir", 1, 1, 0, nullptr, &C::PostServiceWorkingDir},
        {"PostExecutable", 1, 1, 0, nullptr, &C::PostServiceExecutable},
        {"PostParameters", 0, 1, 0, nullptr, &C::PostServiceParameters},
        {"PostDelay", 0, 1, 0, nullptr, &C::PostServiceDelay},
    };
    // The settings table's rows of a container, in its order.
    const auto settingsOf = [](const char* container) {
        std::vector<ElementNode> rows;
        for (const settings::Setting& row : settings::kTable) {
            if (row.kind == settings::Kind::Attribute || std::strcmp(row.container, container) != 0) continue;
            const bool any = row.kind == settings::Kind::List || row.kind == settings::Kind::Repeated ||
                             row.kind == settings::Kind::Target;
            rows.push_back({row.element, row.minOccurs, any ? 0u : 1u, 0, nullptr,
                            nullptr, &row});
        }
        return rows;
    };
    static const std::vector<ElementNode> options = [&] {
        std::vector<ElementNode> rows = {
            {"UponExit", 0, 1, 0, nullptr, &C::UponExit},
            {"AffinityMask", 0, 1, 0, nullptr, &C::AffinityMask},
            {"Priority", 0, 1, 0, nullptr, &C::Priority},
            {"InteractWithDesktop", 0, 1, 0, nullptr, &C::InteractWithDesktop},
            {"StartUpMode", 0, 1, 0, nullptr, &C::StartUpMode},
            {"ShowWindow", 0, 1, 0, nullptr, &C::ShowWindow},
            {"JobType", 0, 1, 0, nullptr, &C::JobType},
            {"LoadOrderGroup", 0, 1, 0, nullptr, &C::LoadOrderGroup},
            {"Dependencies", 0, 1, 2, dependencies, &C::Dependencies},
        };
        for (const ElementNode& row : settingsOf("Options")) rows.push_back(row);
        return rows;
    }();
    static const std::vector<ElementNode> service = [&] {
        std::vector<ElementNode> rows = {
            {"Program", 1, 1, 9, program, &C::Program},
            {"Options", 0, 1, static_cast<unsigned>(options.size()), options.data(), &C::Options},
            {"Debug", 0, 1, 2, debug, &C::Debug},
            {"Environment", 0, 1, 1, environment, &C::Environment},
            {"SMF", 0, 1, 2, smf, &C::SMF},
            {"PreService", 0, 1, 4, preService, &C::PreService},
            {"PostService", 0, 1, 4, postService, &C::PostService},
        };
        // The children of each container live as long as the schema, in buffers that never move.
        static std::vector<std::vector<ElementNode>> children;
        children.reserve(sizeof settings::kContainers / sizeof settings::kContainers[0]);
        for (const settings::Container& container : settings::kContainers) {
            children.push_back(settingsOf(container.name));
            rows.push_back({container.name, 0, 1, static_cast<unsigned>(children.back().size()),
                            children.back().data(), nullptr});
        }
        return rows;
    }();
    static const ElementNode root = {"Service", 1, 1, static_cast<unsigned>(service.size()), service.data(),
                                     &C::Service};
    return root;
}

XMLConfiguration::XMLConfiguration(const std::string& fileName)
    : fileName_(fileName),
      name_("Name", nullptr),
      displayName_("DisplayName", nullptr),
      description_("Description", nullptr),
      consoleApp_("ConsoleApp", 0),
      forceReplace_("ForceReplace", 0),
      uponExit_("UponExit", kDefaultUponExit),
      affinityMask_("AffinityMask", 0),
      priority_("Priority", 0),
      interactWithDesktop_("InteractWithDesktop", kDefaultInteractWithDesktop),
      startUpMode_("StartUpMode", kDefaultStartUpMode),
      showWindow_("ShowWindow", 0),
      jobType_("JobType", kDefaultJobType),
      loadOrderGroup_("LoadOrderGroup", nullptr),
      debuggingEnabled_("Enabled", 0),
      debugLogFile_("Location", nullptr),
      monitoring_("Enabled", 1),
      monitoringFrequency_("Frequency", 5000)
{
    // Bad input is reported through the error list; only running out of memory can get here.
    try {
        for (const settings::Setting& row : settings::kTable) {
            settingNumbers_.emplace_back(row.element);
            settingTexts_.emplace_back(row.element, nullptr);
        }
        Read(fileName_);
    } catch (const std::exception&) {
        valid_ = false;
    }
}

XMLConfiguration::XMLConfiguration(const XMLConfiguration&) = default;
XMLConfiguration& XMLConfiguration::operator=(const XMLConfiguration&) = default;
XMLConfiguration::~XMLConfiguration() = default;

bool XMLConfiguration::Read(const std::string& fileName)
{
    valid_ = false;
    const XMLDocument document(fileName.c_str());
    if (!document.IsValid()) {
        errors_ = document.Problems();
        return false;
    }
    const XMLNode root = document.RootElement();
    if (!static_cast<xmlNode*>(root)) {
        errors_.Add("Could not retrieve root node");
        return false;
    }
    valid_ = Populate(root, Schema());
    return valid_;
}

bool XMLConfiguration::Populate(const XMLNode& node, const ElementNode& row)
{
    const xmlNode* element = node;
    // This runs for every element of every definition read: the counters live on the stack (the
    // schema's rows are checked to fit), and the children are walked in place rather than listed.
    unsigned long long counts[kMostChildren] = {};

    // A container's text only matters when it is not blank, and then as a whole; the indentation
    // between its children is not worth putting together.
    const bool leaf = row.childCount == 0;
    bool containerTextBlank = true;
    XMLString text;
    bool textFits = true;
    bool childrenRead = true;
    for (xmlNode* child = element->children; child; child = child->next) {
        // Far past what is listed, one more problem changes nothing but the time taken.
        if (errors_.ReachedStop()) return false;
        if (child->type != XML_ELEMENT_NODE) {
            if (leaf) {
                if (textFits) textFits = AppendText(*child, text);
            } else if (containerTextBlank) {
                XMLString piece;
                textFits = AppendText(*child, piece);
                containerTextBlank = textFits && IsBlank(piece);
            }
            continue;
        }
        const ElementNode* match = nullptr;
        for (unsigned int i = 0; i < row.childCount && !match; ++i) {
            if (xmlStrcmp(child->name, reinterpret_cast<const xmlChar*>(row.children[i].name)) == 0) {
                match = &row.children[i];
            }
        }
        if (!match) {
            errors_.Add("Unexpected element <" + Text(child->name) + "> in element <" + row.name + ">");
            continue;
        }
        if (!Populate(XMLNode(child), *match)) childrenRead = false;
        ++counts[match - row.children];
    }

    if (!containerTextBlank && textFits) {
        for (const xmlNode* child = element->children; child && textFits; child = child->next) {
            if (child->type != XML_ELEMENT_NODE) textFits = AppendText(*child, text);
        }
    }

    bool countsRead = true;
    for (unsigned int i = 0; i < row.childCount; ++i) {
        const ElementNode& childRow = row.children[i];
        if (counts[i] < childRow.minOccurs) {
            errors_.Add("Insufficient number of instances of element <" + std::string(childRow.name) +
                              ">: Found " + std::to_string(counts[i]) + " and require a minimum of " +
                              std::to_string(childRow.minOccurs));
            countsRead = false;
        } else if (childRow.maxOccurs != 0 && counts[i] > childRow.maxOccurs) {
            errors_.Add("Too many instances of element <" + std::string(childRow.name) + ">: Found " +
                              std::to_string(counts[i]) + " and require a maximum of " +
                              std::to_string(childRow.maxOccurs));
            countsRead = false;
        }
    }
    if (countsRead && !textFits) {
        errors_.Add(TooLong("The text of element <" + std::string(row.name) + ">"));
        countsRead = false;
    }
    AttributeList attributes;
    if (countsRead) {
        countsRead = Attributes(*element, attributes, errors_) &&
                     (row.setting    ? ReadSetting(*row.setting, text, attributes)
                      : row.handler ? (this->*row.handler)(text, attributes)
                                    : CheckContainer(row.name, text, attributes, errors_));
    }
    return childrenRead && countsRead;
}

bool XMLConfiguration::Service(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Service", text, attributes, errors_);
}

bool XMLConfiguration::Program(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Program", text, attributes, errors_);
}

bool XMLConfiguration::Options(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Options", text, attributes, errors_);
}

bool XMLConfiguration::Debug(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Debug", text, attributes, errors_);
}

bool XMLConfiguration::Environment(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Environment", text, attributes, errors_);
}

bool XMLConfiguration::SMF(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("SMF", text, attributes, errors_);
}

bool XMLConfiguration::PreService(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("PreService", text, attributes, errors_);
}

bool XMLConfiguration::PostService(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("PostService", text, attributes, errors_);
}

bool XMLConfiguration::Dependencies(const XMLString& text, const AttributeList& attributes)
{
    return CheckContainer("Dependencies", text, attributes, errors_);
}

bool XMLConfiguration::Name(const XMLString& text, const AttributeList&)
{
    return SetStringValue(name_, text, errors_);
}

bool XMLConfiguration::DisplayName(const XMLString& text, const AttributeList&)
{
    return SetStringValue(displayName_, text, errors_);
}

bool XMLConfiguration::Description(const XMLString& text, const AttributeList&)
{
    return SetStringValue(description_, text, errors_);
}

bool XMLConfiguration::LoadOrderGroup(const XMLString& text, const AttributeList&)
{
    return SetStringValue(loadOrderGroup_, text, errors_);
}

bool XMLConfiguration::DebugLogFile(const XMLString& text, const AttributeList&)
{
    return SetStringValue(debugLogFile_, text, errors_);
}

bool XMLConfiguration::ConsoleApp(const XMLString& text, const AttributeList&)
{
    return SetBooleanValue(consoleApp_, text, errors_);
}

bool XMLConfiguration::ForceReplace(const XMLString& text, const AttributeList&)
{
    return SetBooleanValue(forceReplace_, text, errors_);
}

bool XMLConfiguration::InteractWithDesktop(const XMLString& text, const AttributeList&)
{
    interactWithDesktopWritten_ = true;
    return SetBooleanValue(interactWithDesktop_, text, errors_);
}

bool XMLConfiguration::DebuggingEnabled(const XMLString& text, const AttributeList&)
{
    return SetBooleanValue(debuggingEnabled_, text, errors_);
}

bool XMLConfiguration::Monitoring(const XMLString& text, const AttributeList&)
{
    return SetBooleanValue(monitoring_, text, errors_);
}

bool XMLConfiguration::UponExit(const XMLString& text, const AttributeList&)
{
    return SetRangedValue(uponExit_, text, 0, 3, errors_);
}

bool XMLConfiguration::AffinityMask(const XMLString& text, const AttributeList&)
{
    return SetRangedValue(affinityMask_, text, 0, 255, errors_);
}

bool XMLConfiguration::Priority(const XMLString& text, const AttributeList&)
{
    // Below Normal and Above Normal exist from Windows 2000 (major version 5) on.
    const unsigned int top = platform::WindowsMajorVersion() >= 5 ? 5 : 3;
    return SetRangedValue(priority_, text, 0, top, errors_);
}

bool XMLConfiguration::StartUpMode(const XMLString& text, const AttributeList&)
{
    return SetRangedValue(startUpMode_, text, 0, 2, errors_);
}

bool XMLConfiguration::ShowWindow(const XMLString& text, const AttributeList&)
{
    return SetRangedValue(showWindow_, text, 0, 3, errors_);
}

bool XMLConfiguration::JobType(const XMLString& text, const AttributeList&)
{
    return SetRangedValue(jobType_, text, 0, 2, errors_);
}

bool XMLConfiguration::MonitoringFrequency(const XMLString& text, const AttributeList&)
{
    return SetUnsignedValue(monitoringFrequency_, text, errors_);
}

bool XMLConfiguration::GroupDependents(const XMLString& text, const AttributeList&)
{
    return AddListEntry(groupDependents_, "GroupName", text, errors_);
}

bool XMLConfiguration::ServiceDependents(const XMLString& text, const AttributeList&)
{
    return AddListEntry(serviceDependents_, "ServiceName", text, errors_);
}

bool XMLConfiguration::Variable(const XMLString& text, const AttributeList& attributes)
{
    if (attributes.empty()) {
        errors_.Add("Missing \"Name\" attribute from element \"Variable\"");
        return false;
    }
    if (attributes.size() > 1) {
        errors_.Add("Too many attributes for element \"Variable\"");
        return false;
    }
    const auto& [attribute, attributeValue] = attributes.front();
    if (attribute != reinterpret_cast<const unsigned char*>("Name")) {
        errors_.Add("Unknown attribute \"" + Text(attribute) + "\" for element \"Variable\"");
        return false;
    }
    NameValueXMLString name("Name", attributeValue.c_str());
    NameValueXMLString value("Variable", nullptr);
    if (!SetStringValue(value, text, errors_)) return false;
    environment_.emplace_back(name, value);
    return true;
}

bool XMLConfiguration::ServiceWorkingDir(const XMLString& text, const AttributeList& attributes)
{
    return service_.WorkingDir(text, attributes, errors_);
}

bool XMLConfiguration::ServiceExecutable(const XMLString& text, const AttributeList& attributes)
{
    return service_.Executable(text, attributes, errors_);
}

bool XMLConfiguration::ServiceParameters(const XMLString& text, const AttributeList& attributes)
{
    return service_.Parameters(text, attributes, errors_);
}

bool XMLConfiguration::ServiceDelay(const XMLString& text, const AttributeList& attributes)
{
    return service_.Delay(text, attributes, errors_);
}

bool XMLConfiguration::PreServiceWorkingDir(const XMLString& text, const AttributeList& attributes)
{
    return preService_.WorkingDir(text, attributes, errors_);
}

bool XMLConfiguration::PreServiceExecutable(const XMLString& text, const AttributeList& attributes)
{
    return preService_.Executable(text, attributes, errors_);
}

bool XMLConfiguration::PreServiceParameters(const XMLString& text, const AttributeList& attributes)
{
    return preService_.Parameters(text, attributes, errors_);
}

bool XMLConfiguration::PreServiceDelay(const XMLString& text, const AttributeList& attributes)
{
    return preService_.Delay(text, attributes, errors_);
}

bool XMLConfiguration::PostServiceWorkingDir(const XMLString& text, const AttributeList& attributes)
{
    return postService_.WorkingDir(text, attributes, errors_);
}

bool XMLConfiguration::PostServiceExecutable(const XMLString& text, const AttributeList& attributes)
{
    return postService_.Executable(text, attributes, errors_);
}

bool XMLConfiguration::PostServiceParameters(const XMLString& text, const AttributeList& attributes)
{
    return postService_.Parameters(text, attributes, errors_);
}

bool XMLConfiguration::PostServiceDelay(const XMLString& text, const AttributeList& attributes)
{
    return postService_.Delay(text, attributes, errors_);
}

const NameValueUnsignedInt& XMLConfiguration::SettingNumber(const settings::Setting& row) const
{
    return settingNumbers_.at(settings::kTable.IndexOf(row));
}

const NameValueXMLString& XMLConfiguration::SettingText(const settings::Setting& row) const
{
    return settingTexts_.at(settings::kTable.IndexOf(row));
}

bool XMLConfiguration::ReadSetting(const settings::Setting& row, const XMLString& text, const AttributeList& attributes)
{
    using settings::Kind;
    const std::size_t index = settings::kTable.IndexOf(row);
    if (row.kind == Kind::List) {
        NameValueUnsignedInt code("Code");
        if (!OnlyAttribute(attributes, "Code", row.element, errors_,
                           [&](const XMLString& value) { return SetUnsignedValue(code, value, errors_); }))
            return false;
        NameValueUnsignedInt action(row.element, 0);
        if (!SetSettingValue(action, row, text, errors_)) return false;
        for (const auto& [known, unused] : exitActions_) {
            (void)unused;
            if (known.HasValue() == code.HasValue() && (!code.HasValue() || known.Value() == code.Value())) {
                errors_.Add(code.HasValue() ? "More than one ExitAction for exit code " + std::to_string(code.Value())
                                            : std::string("More than one ExitAction without a Code"));
                return false;
            }
        }
        exitActions_.emplace_back(code, action);
        return true;
    }
    if (row.kind == Kind::Target) {
        ServiceDefinition::Notification n;
        n.webhook = settings::HoldsWebhooks(row);
        bool on = false;
        for (const auto& [name, value] : attributes) {
            if (name == reinterpret_cast<const unsigned char*>("On")) {
                n.on = Text(value), on = true;
            } else if (n.webhook && name == reinterpret_cast<const unsigned char*>("Header")) {
                n.header = Text(value);
            } else {
                errors_.Add("Unknown attribute \"" + Text(name) + "\" for element \"" + row.element + "\"");
                return false;
            }
        }
        if (!on) {
            errors_.Add(std::string("Element \"") + row.element + "\" needs the attribute On, the events it is for");
            return false;
        }
        NameValueXMLString target(row.element, nullptr);
        if (!SetStringValue(target, text, errors_)) return false;
        n.target = Text(text);
        notifications_.push_back(n);
        return true;
    }
    if (row.kind == Kind::Repeated) {
        // The record keeps the elements joined by commas, so one element cannot hold a comma.
        NameValueXMLString& joined = settingTexts_[index];
        NameValueXMLString entry(row.element, nullptr);
        if (!SetStringValue(entry, text, errors_)) return false;
        if (text.find(',') != XMLString::npos) {
            errors_.Add("Invalid value \"" + Text(text) + "\" for element \"" + row.element +
                        "\": write each value in an element of its own");
            return false;
        }
        XMLString all = joined.HasValue() ? joined.Value() + reinterpret_cast<const unsigned char*>(",") + text : text;
        if (all.size() > kMaxText) {
            errors_.Add(std::string("Too many elements \"") + row.element + "\"");
            return false;
        }
        return joined.SetValue(all.c_str());
    }
    // An element with attributes of its own takes those alone; the DTD keeps any other away.
    bool withAttributes = false;
    for (const settings::Setting& attribute : settings::kTable)
        withAttributes = withAttributes || (attribute.kind == Kind::Attribute && std::strcmp(attribute.container, row.element) == 0);
    if (withAttributes) {
        for (const auto& [name, value] : attributes) {
            const settings::Setting* match = nullptr;
            for (const settings::Setting& attribute : settings::kTable) {
                if (attribute.kind == Kind::Attribute && std::strcmp(attribute.container, row.element) == 0 &&
                    name == reinterpret_cast<const unsigned char*>(attribute.element))
                    match = &attribute;
            }
            if (!match) {
                errors_.Add("Unknown attribute \"" + Text(name) + "\" for element \"" + row.element + "\"");
                return false;
            }
            NameValueUnsignedInt& target = settingNumbers_[settings::kTable.IndexOf(*match)];
            target = NameValueUnsignedInt(match->element);
            if (!SetSettingValue(target, *match, value, errors_)) return false;
        }
    }
    NameValueUnsignedInt& number = settingNumbers_[index];
    switch (row.kind) {
    case Kind::Text: return SetStringValue(settingTexts_[index], text, errors_);
    case Kind::Boolean: return SetBooleanValue(number, text, errors_);
    default: return SetSettingValue(number, row, text, errors_);
    }
}
