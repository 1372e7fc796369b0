#include "XMLDocument.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>

#include "Platform.h"

namespace {

// One parse at a time: the parser's error handler, validation default and entity loader are
// process-wide settings.
std::mutex parseMutex;
XMLDocument* parsing = nullptr;
bool documentOpened = false;  // the first load of a parse is the document itself

bool IsNetworkName(const char* name)
{
    const char* scheme = std::strstr(name, "://");
    return scheme && std::strncmp(name, "file://", 7) != 0;
}

// A local path from a file name or a file URL as the parser hands it over.
std::string LocalPath(const char* name)
{
    std::string path = name;
    // The parser writes "file:/C:/dir" for a Windows path as well as "file:///dir".
    if (path.compare(0, 5, "file:") == 0) {
        path.erase(0, 5);
        if (path.compare(0, 2, "//") == 0) {
            path.erase(0, 2);
            if (path.compare(0, 9, "localhost") == 0) path.erase(0, 9);
        }
#ifdef _WIN32
        if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
#endif
        char* unescaped = xmlURIUnescapeString(path.c_str(), 0, nullptr);
        if (unescaped) {
            path = unescaped;
            xmlFree(unescaped);
        }
    }
    return path;
}

bool FileExists(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

xmlParserInputPtr Refuse(const char* url)
{
    if (parsing) XMLDocument::AddErrorMessage(parsing, "Refused to load external resource \"%s\"\n", url ? url : "");
    return nullptr;
}

// Whether the last part of a path names the DTD. Letter case aside, as on Windows file systems.
bool NamesTheDtd(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string expected = XMLDocument::kDtdName;
    if (name.size() != expected.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        char e = expected[i];
        if (e >= 'A' && e <= 'Z') e = static_cast<char>(e - 'A' + 'a');
        if (c != e) return false;
    }
    return true;
}

// The only things a definition may load are the file itself and its DTD, which must be a file
// named Velmora.dtd: anything else named there would be read, and its first line shown in the
// parser's message. The DTD is looked for beside the document, then in the folder of the module
// reading it (the installation folder), then in the current folder. Nothing is ever fetched from
// the network.
xmlParserInputPtr RestrictedLoader(const char* url, const char* /*id*/, xmlParserCtxtPtr ctxt)
{
    if (!url || !ctxt || IsNetworkName(url)) return Refuse(url);

    if (!documentOpened) {
        documentOpened = true;
        return xmlNewInputFromFile(ctxt, url);
    }

    const bool loadingDtd = ctxt->inSubset == 2 && ctxt->myDoc && ctxt->myDoc->extSubset == nullptr;
    if (!loadingDtd) return Refuse(url);

    const char* systemId = ctxt->extSubURI ? reinterpret_cast<const char*>(ctxt->extSubURI) : url;
    // The names are checked on the paths as they will be opened, after unescaping.
    const std::string besideDocument = LocalPath(url);
    const std::string inCurrentDir = IsNetworkName(systemId) ? std::string() : LocalPath(systemId);
    if (!NamesTheDtd(besideDocument) || !NamesTheDtd(inCurrentDir)) {
        if (parsing)
            XMLDocument::AddErrorMessage(parsing, "Refused document type \"%s\": a definition's DTD must be %s",
                                         systemId, XMLDocument::kDtdName);
        return nullptr;
    }
    if (FileExists(besideDocument)) return xmlNewInputFromFile(ctxt, besideDocument.c_str());
    const std::string moduleDir = platform::ModuleDirectory();
    if (!moduleDir.empty()) {
        const std::string inModuleDir = moduleDir + "/" + XMLDocument::kDtdName;
        if (FileExists(inModuleDir)) return xmlNewInputFromFile(ctxt, inModuleDir.c_str());
    }
    if (FileExists(inCurrentDir)) return xmlNewInputFromFile(ctxt, inCurrentDir.c_str());
    // Let the parser report the missing DTD in its own words.
    return xmlNewInputFromFile(ctxt, besideDocument.c_str());
}

// One problem the parser reports, on one line, in the parser's own layout: where, which element,
// what kind, then the message. (Its generic channel hands the same over in pieces and adds the
// document's text around the place, so a problem took several lines.)
void AddParserProblem(void* /*context*/, xmlErrorPtr error)
{
    if (!parsing || !error) return;
    std::string text;
    if (error->file) {
        text = std::string(error->file) + ":" + std::to_string(error->line) + ": ";
    } else if (error->line != 0) {
        text = "Entity: line " + std::to_string(error->line) + ": ";
    }
    const auto* node = static_cast<const xmlNode*>(error->node);
    if (node && node->type == XML_ELEMENT_NODE && node->name)
        text += "element " + std::string(reinterpret_cast<const char*>(node->name)) + ": ";
    switch (error->domain) {
    case XML_FROM_PARSER: text += "parser "; break;
    case XML_FROM_NAMESPACE: text += "namespace "; break;
    case XML_FROM_DTD:
    case XML_FROM_VALID: text += "validity "; break;
    case XML_FROM_IO: text += "I/O "; break;
    default: break;
    }
    text += error->level == XML_ERR_WARNING ? "warning : " : "error : ";
    if (error->message) text += error->message;
    XMLDocument::AddErrorMessage(parsing, "%s", text.c_str());
}

// Saves the parser's process-wide settings, installs ours, and puts the old ones back on every
// way out of the parse.
class ParseSettings {
public:
    explicit ParseSettings(XMLDocument* document)
        : lock_(parseMutex),
          validity_(xmlDoValidityCheckingDefaultValue),
          genericHandler_(xmlGenericError),
          genericContext_(xmlGenericErrorContext),
          structuredHandler_(xmlStructuredError),
          structuredContext_(xmlStructuredErrorContext),
          loader_(xmlGetExternalEntityLoader())
    {
        parsing = document;
        documentOpened = false;
        xmlDoValidityCheckingDefaultValue = 1;
        xmlSetStructuredErrorFunc(document, &AddParserProblem);
        xmlSetGenericErrorFunc(document, &XMLDocument::AddErrorMessage);
        xmlSetExternalEntityLoader(&RestrictedLoader);
    }
    ~ParseSettings()
    {
        xmlSetExternalEntityLoader(loader_);
        xmlSetGenericErrorFunc(genericContext_, genericHandler_);
        xmlSetStructuredErrorFunc(structuredContext_, structuredHandler_);
        xmlDoValidityCheckingDefaultValue = validity_;
        parsing = nullptr;
    }
    ParseSettings(const ParseSettings&) = delete;
    ParseSettings& operator=(const ParseSettings&) = delete;

private:
    std::lock_guard<std::mutex> lock_;
    int validity_;
    xmlGenericErrorFunc genericHandler_;
    void* genericContext_;
    xmlStructuredErrorFunc structuredHandler_;
    void* structuredContext_;
    xmlExternalEntityLoader loader_;
};

}  // namespace

const XMLNode::Predicate XMLNode::always_true;

XMLNode::Predicate::~Predicate() = default;

bool XMLNode::Predicate::operator()(const _xmlNode&) const { return true; }

std::vector<XMLNode> XMLNode::Children(const Predicate& p) const
{
    std::vector<XMLNode> result;
    if (!node_) return result;
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (p(*child)) result.emplace_back(child);
    }
    return result;
}

std::vector<XMLNode> XMLNode::Siblings(const Predicate& p) const
{
    if (!node_ || !node_->parent) return {};
    return XMLNode(node_->parent).Children(p);
}

XMLDocument::XMLDocument(const char* fileName) : fileName_(fileName ? fileName : "")
{
    xmlInitParser();
    ParseSettings settings(this);
    // A parser context of our own with validation asked for shares one name dictionary across
    // the tree, which a plain file parse does not; the messages and their routing are the same.
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context) {
        parser_ = context;
        document_ = xmlCtxtReadFile(context, fileName_.c_str(), nullptr, XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID);
        if (document_ && !context->valid && problems_.Empty()) problems_.Add("Document is not valid");
        parser_ = nullptr;
        xmlFreeParserCtxt(context);
    }
    valid_ = document_ != nullptr && problems_.Empty();
}

XMLDocument::~XMLDocument()
{
    if (document_) xmlFreeDoc(document_);
}

const XMLNode XMLDocument::RootElement() const
{
    return XMLNode(document_ ? xmlDocGetRootElement(document_) : nullptr);
}

void XMLDocument::AddErrorMessage(void* context, const char* format, ...)
{
    auto* document = static_cast<XMLDocument*>(context);
    if (!document || !format) return;
    char buffer[kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) buffer[0] = '\0';
    buffer[kMaxMessage] = '\0';  // some C runtimes leave a cut text unterminated
    std::size_t length = std::strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r')) --length;
    document->problems_.Add(std::string(buffer, length));
    if (document->parser_ && document->problems_.ReachedStop()) {
        // The parser reads on to the end of the file, but builds and checks nothing more, so no
        // more problems come from it: what it already has is proof enough the file is refused.
        document->parser_->disableSAX = 1;
        document->parser_->validate = 0;
    }
}

void ProblemList::Add(std::string problem)
{
    ++count_;
    if (count_ <= kListed) {
        lines_.push_back(std::move(problem));
        return;
    }
    const std::string more = std::to_string(count_ - kListed);
    std::string line = ReachedStop() ? "At least " + more + " more problems were found and not listed; reading stopped there."
                                     : more + (count_ - kListed == 1 ? " more problem was" : " more problems were") +
                                           " found and not listed.";
    if (lines_.size() == kListed)
        lines_.push_back(std::move(line));
    else
        lines_.back() = std::move(line);
}
