#pragma once

#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

using ErrorList = std::vector<std::string>;

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
    const ErrorList& Errors() const { return errors_; }
    const XMLNode RootElement() const;

    static void AddErrorMessage(void* context, const char* format, ...);

    // Longest parser message kept in one entry, without the terminating zero.
    static constexpr std::size_t kMaxMessage = 1023;

private:
    std::string fileName_;
    bool valid_ = false;
    ErrorList errors_;
    _xmlDoc* document_ = nullptr;
};
