#include "XMLDocument.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>

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
    if (path.compare(0, 7, "file://") == 0) {
        path.erase(0, 7);
        if (path.compare(0, 9, "localhost") == 0) path.erase(0, 9);
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

// The only things a definition may load are the file itself and its DTD. The DTD is looked for
// beside the document first, then in the current directory (the installation directory whenever
// the product reads a definition). Nothing is ever fetched from the network.
xmlParserInputPtr RestrictedLoader(const char* url, const char* /*id*/, xmlParserCtxtPtr ctxt)
{
    if (!url || !ctxt || IsNetworkName(url)) return Refuse(url);

    if (!documentOpened) {
        documentOpened = true;
        return xmlNewInputFromFile(ctxt, url);
    }

    const bool loadingDtd = ctxt->inSubset == 2 && ctxt->myDoc && ctxt->myDoc->extSubset == nullptr;
    if (!loadingDtd) return Refuse(url);

    const std::string besideDocument = LocalPath(url);
    if (FileExists(besideDocument)) return xmlNewInputFromFile(ctxt, besideDocument.c_str());
    const char* systemId = reinterpret_cast<const char*>(ctxt->extSubURI);
    if (systemId && !IsNetworkName(systemId)) {
        const std::string inCurrentDir = LocalPath(systemId);
        if (FileExists(inCurrentDir)) return xmlNewInputFromFile(ctxt, inCurrentDir.c_str());
    }
    // Let the parser report the missing DTD in its own words.
    return xmlNewInputFromFile(ctxt, besideDocument.c_str());
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
        xmlSetStructuredErrorFunc(nullptr, nullptr);
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
        document_ = xmlCtxtReadFile(context, fileName_.c_str(), nullptr, XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID);
        if (document_ && !context->valid && errors_.empty()) errors_.emplace_back("Document is not valid\n");
        xmlFreeParserCtxt(context);
    }
    valid_ = document_ != nullptr && errors_.empty();
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
    document->errors_.emplace_back(buffer);
}
