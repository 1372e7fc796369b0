#pragma once

#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlNode;
struct _xmlParserCtxt;

using ErrorList = std::vector<std::string>;

// The problems found in one file: the first kListed in full, the rest only counted, then one line
// that says how many more there were. A hostile file thus costs no more memory for its messages
// than a sound one, and its reading stops once it is far past the list.
class ProblemList {
public:
    static constexpr std::size_t kListed = 100;
    // Readers stop at this many; the count then says "at least".
    static constexpr std::size_t kStopAt = 10000;

    void Add(std::string problem);
    bool Empty() const { return count_ == 0; }
    bool ReachedStop() const { return count_ >= kStopAt; }
    // The listed problems, followed by the line for the rest when there are more.
    const ErrorList& Lines() const { return lines_; }

private:
    ErrorList lines_;
    std::size_t count_ = 0;
};

// A handle of one node of a parsed tree; valid while its XMLDocument lives.
class XMLNode {
public:
    // Filter for the tree walks; the base class accepts every node.
    class Predicate {
    public:
        Predicate() = default;
        Predicate(const Predicate&) = default;
        Predicate& operator=(const Predicate&) = default;
        virtual ~Predicate();
        virtual bool operator()(const _xmlNode& node) const;
    };
    static const Predicate always_true;

    XMLNode() = default;
    XMLNode(_xmlNode* node) : node_(node) {}  // NOLINT: a handle converts from its node
    XMLNode(const XMLNode&) = default;
    XMLNode& operator=(const XMLNode&) = default;

    operator _xmlNode*() const { return node_; }

    std::vector<XMLNode> Children(const Predicate& p) const;
    std::vector<XMLNode> Siblings(const Predicate& p) const;

private:
    _xmlNode* node_ = nullptr;
};

// One definition file parsed with DTD validation, with every message the parser reported.
class XMLDocument {
public:
    explicit XMLDocument(const char* fileName);
    XMLDocument(const XMLDocument&) = delete;
    XMLDocument& operator=(const XMLDocument&) = delete;
    virtual ~XMLDocument();

    bool IsValid() const { return valid_; }
    const ErrorList& Errors() const { return problems_.Lines(); }
    const ProblemList& Problems() const { return problems_; }
    const XMLNode RootElement() const;

    // Adds one problem; line ends at its end are dropped, as every problem is printed as a line.
    static void AddErrorMessage(void* context, const char* format, ...);

    // Longest parser message kept in one entry, without the terminating zero.
    static constexpr std::size_t kMaxMessage = 1023;
    // The only file a definition may name as its document type, wherever it is found.
    static constexpr char kDtdName[] = "Velmora.dtd";

private:
    std::string fileName_;
    bool valid_ = false;
    ProblemList problems_;
    _xmlDoc* document_ = nullptr;
    _xmlParserCtxt* parser_ = nullptr;  // while the constructor parses
};
