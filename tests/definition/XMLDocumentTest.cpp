#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "../support/TempDir.h"
#include "Platform.h"
#include "XMLDocument.h"

namespace {

const char* kDtd =
    "<!ELEMENT Root (#PCDATA|Item)*>\n"
    "<!ELEMENT Item (#PCDATA)>\n";

std::string Doc(const std::string& body, const std::string& systemId = "Velmora.dtd")
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE Root SYSTEM \"" + systemId + "\">\n" + body + "\n";
}

std::string Joined(const ErrorList& errors)
{
    std::string all;
    for (const auto& e : errors) all += e;
    return all;
}

std::string NameOf(const XMLNode& node)
{
    const _xmlNode* n = node;
    return n && n->name ? reinterpret_cast<const char*>(n->name) : "";
}

struct ValidityCase {
    const char* what;
    std::string content;
    bool valid;
    bool hasRoot;
};

TEST(XMLDocument, ValidOnlyWithoutAnyParserMessage)
{
    const ValidityCase cases[] = {
        {"valid against its DTD", Doc("<Root>a<Item>b</Item></Root>"), true, true},
        {"well-formed, fails validation", Doc("<Root><Other/></Root>"), false, true},
        {"no document type at all", "<?xml version=\"1.0\"?>\n<Root/>\n", false, true},
        {"not well-formed", Doc("<Root><Item></Root>"), false, false},
        {"empty file", "", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.Write("Velmora.dtd", kDtd);
        XMLDocument doc(dir.Write("doc.xml", c.content).c_str());
        EXPECT_EQ(doc.IsValid(), c.valid);
        EXPECT_EQ(doc.Errors().empty(), c.valid) << Joined(doc.Errors());
        EXPECT_EQ(NameOf(doc.RootElement()), c.hasRoot ? "Root" : "");
    }
}

TEST(XMLDocument, MissingFileIsInvalidWithTheParsersMessage)
{
    TempDir dir;
    XMLDocument doc((dir.Path() / "absent.xml").string().c_str());
    EXPECT_FALSE(doc.IsValid());
    EXPECT_FALSE(doc.Errors().empty());
    EXPECT_EQ(static_cast<_xmlNode*>(doc.RootElement()), nullptr);
}

int foreignCalls = 0;
void ForeignHandler(void*, const char*, ...) { ++foreignCalls; }

TEST(XMLDocument, RestoresTheParsersProcessWideSettings)
{
    TempDir dir;
    dir.Write("Velmora.dtd", kDtd);
    const std::string good = dir.Write("good.xml", Doc("<Root/>"));
    const std::string bad = dir.Write("bad.xml", "<Root");
    int context = 0;
    for (const std::string& file : {good, bad}) {
        SCOPED_TRACE(file);
        xmlSetGenericErrorFunc(&context, &ForeignHandler);
        xmlDoValidityCheckingDefaultValue = 0;
        foreignCalls = 0;
        {
            XMLDocument doc(file.c_str());
        }
        EXPECT_EQ(xmlGenericError, &ForeignHandler);
        EXPECT_EQ(xmlGenericErrorContext, &context);
        EXPECT_EQ(xmlDoValidityCheckingDefaultValue, 0);
        EXPECT_EQ(foreignCalls, 0) << "the parse reported through the previous handler";
    }
    xmlSetGenericErrorFunc(nullptr, nullptr);
}

TEST(XMLDocument, LongMessagesAreCutTo1023Characters)
{
    TempDir dir;
    XMLDocument doc((dir.Path() / "absent.xml").string().c_str());
    const std::size_t before = doc.Errors().size();
    const std::string longText(2000, 'm');
    XMLDocument::AddErrorMessage(&doc, "%s", longText.c_str());
    ASSERT_EQ(doc.Errors().size(), before + 1);
    EXPECT_EQ(doc.Errors().back(), longText.substr(0, 1023));

    // The same through the parser: an undeclared element with a 2000-character name.
    dir.Write("Velmora.dtd", kDtd);
    XMLDocument parsed(dir.Write("long.xml", Doc("<Root><" + longText + "/></Root>")).c_str());
    EXPECT_FALSE(parsed.IsValid());
    std::size_t longest = 0;
    for (const auto& e : parsed.Errors()) longest = std::max(longest, e.size());
    EXPECT_EQ(longest, 1023u);
}

struct ElementsOnly : XMLNode::Predicate {
    bool operator()(const _xmlNode& node) const override { return node.type == XML_ELEMENT_NODE; }
};

TEST(XMLNode, ChildrenAndSiblingsInDocumentOrder)
{
    TempDir dir;
    dir.Write("Velmora.dtd", kDtd);
    XMLDocument doc(dir.Write("doc.xml", Doc("<Root>text<!-- note --><Item>x</Item></Root>")).c_str());
    ASSERT_TRUE(doc.IsValid()) << Joined(doc.Errors());

    const XMLNode root = doc.RootElement();
    const std::vector<XMLNode> all = root.Children(XMLNode::always_true);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(static_cast<_xmlNode*>(all[0])->type, XML_TEXT_NODE);
    EXPECT_EQ(static_cast<_xmlNode*>(all[1])->type, XML_COMMENT_NODE);
    EXPECT_EQ(NameOf(all[2]), "Item");

    const std::vector<XMLNode> elements = root.Children(ElementsOnly());
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(NameOf(elements[0]), "Item");

    EXPECT_EQ(all[1].Siblings(XMLNode::always_true).size(), 3u);
    const std::vector<XMLNode> only = elements[0].Children(XMLNode::always_true);
    ASSERT_EQ(only.size(), 1u);
    const std::vector<XMLNode> self = only[0].Siblings(XMLNode::always_true);
    ASSERT_EQ(self.size(), 1u);
    EXPECT_EQ(static_cast<_xmlNode*>(self[0]), static_cast<_xmlNode*>(only[0]));

    const XMLNode empty;
    EXPECT_TRUE(empty.Children(XMLNode::always_true).empty());
    EXPECT_TRUE(empty.Siblings(XMLNode::always_true).empty());
    XMLNode copy(root);
    const XMLNode& alias = copy;
    copy = alias;  // assigning a handle to itself changes nothing
    EXPECT_EQ(static_cast<_xmlNode*>(copy), static_cast<_xmlNode*>(root));
}

// The build puts the shipped DTD beside the test program, as the setup program puts it beside
// Quillon.dll.
TEST(XMLDocument, FindsTheDtdBesideTheDocumentThenBesideTheModuleThenInTheCurrentDirectory)
{
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(platform::ModuleDirectory()) / "Velmora.dtd"));
    const std::string definition = "<?xml version=\"1.0\"?>\n<!DOCTYPE Service SYSTEM \"Velmora.dtd\">\n"
                                   "<Service><Program><Name>a</Name><DisplayName>b</DisplayName><WorkingDir>c"
                                   "</WorkingDir><Executable>d</Executable></Program></Service>\n";
    struct Case {
        const char* what;
        bool dtdBeside, dtdInCurrentDir;
        std::string content;
        bool valid;
    };
    const Case cases[] = {
        {"the shipped DTD beside the module", false, false, definition, true},
        {"beside the document first", true, true, Doc("<Root/>"), true},
        {"beside the module before the current directory", false, true, Doc("<Root/>"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir document, current;
        if (c.dtdBeside) document.Write("Velmora.dtd", kDtd);
        if (c.dtdInCurrentDir) current.Write("Velmora.dtd", kDtd);
        CurrentDirGuard cd(current.Path());
        XMLDocument doc(document.Write("doc.xml", c.content).c_str());
        EXPECT_EQ(doc.IsValid(), c.valid) << Joined(doc.Errors());
    }
}

TEST(XMLDocument, ReadsNoOtherFileAsTheDtd)
{
    TempDir dir;
    dir.Write("Velmora.dtd", kDtd);
    dir.Write("secret.txt", "SECRET-CONTENT");
    dir.Write("sub/Velmora.dtd", kDtd);
    struct Case {
        std::string systemId;
        bool valid;
    };
    const Case cases[] = {
        {"secret.txt", false},
        {"Velmora.dtd.txt", false},
        {"file:///" + (dir.Path() / "secret.txt").generic_string() + "%00/Velmora.dtd", false},
        {"VELMORA.DTD", true},  // file names are letter-case blind on Windows
        {"sub/Velmora.dtd", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.systemId);
        if (c.systemId == "VELMORA.DTD") dir.Write("VELMORA.DTD", kDtd);
        XMLDocument doc(dir.Write("doc.xml", Doc("<Root/>", c.systemId)).c_str());
        EXPECT_EQ(doc.IsValid(), c.valid) << Joined(doc.Errors());
        EXPECT_EQ(Joined(doc.Errors()).find("SECRET"), std::string::npos);
        if (!c.valid) {
            EXPECT_EQ(doc.Errors().front(),
                      "Refused document type \"" + c.systemId + "\": a definition's DTD must be Velmora.dtd");
        }
    }
}

TEST(XMLDocument, LoadsNothingFromOutsideButTheDtd)
{
    TempDir dir;
    dir.Write("Velmora.dtd", kDtd);
    dir.Write("secret.txt", "SECRET-CONTENT");
    struct Case {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"a DTD on the network", Doc("<Root/>", "http://127.0.0.1:9/Velmora.dtd")},
        {"an external entity", "<?xml version=\"1.0\"?>\n<!DOCTYPE Root SYSTEM \"Velmora.dtd\" [\n"
                               "<!ENTITY e SYSTEM \"secret.txt\">\n]>\n<Root>&e;</Root>\n"},
        {"an external parameter entity", "<?xml version=\"1.0\"?>\n<!DOCTYPE Root SYSTEM \"Velmora.dtd\" [\n"
                                         "<!ENTITY % p SYSTEM \"secret.txt\">\n%p;\n]>\n<Root/>\n"},
        {"an entity on the network", "<?xml version=\"1.0\"?>\n<!DOCTYPE Root SYSTEM \"Velmora.dtd\" [\n"
                                     "<!ENTITY e SYSTEM \"http://127.0.0.1:9/x\">\n]>\n<Root>&e;</Root>\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XMLDocument doc(dir.Write("doc.xml", c.content).c_str());
        EXPECT_FALSE(doc.IsValid());
        EXPECT_EQ(Joined(doc.Errors()).find("SECRET-CONTENT"), std::string::npos);
        const XMLNode root = doc.RootElement();
        if (static_cast<_xmlNode*>(root)) {
            xmlChar* text = xmlNodeGetContent(root);
            const std::string content = text ? reinterpret_cast<const char*>(text) : "";
            xmlFree(text);
            EXPECT_EQ(content.find("SECRET"), std::string::npos);
        }
    }
}

}  // namespace
