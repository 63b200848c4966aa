// The part of TinyXML's interface that the module and the language library
// use, for the Windows build: Debian packages TinyXML for Linux only, and no
// MinGW-w64 build of it exists to link. Same names, same parsing rules
// (whitespace in text condensed, the five named entities and character
// references decoded, declaration, comments, CDATA and unknown "<...>" nodes
// kept) and the same printed form, so a preset file written on Windows reads
// back on Linux and the other way round.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

enum TiXmlEncoding { TIXML_ENCODING_UNKNOWN, TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY };
inline constexpr TiXmlEncoding TIXML_DEFAULT_ENCODING = TIXML_ENCODING_UNKNOWN;

class TiXmlDocument;
class TiXmlElement;
class TiXmlParsingData;

class TiXmlNode {
public:
    enum NodeType { TINYXML_DOCUMENT, TINYXML_ELEMENT, TINYXML_COMMENT, TINYXML_UNKNOWN, TINYXML_TEXT, TINYXML_DECLARATION };

    explicit TiXmlNode(NodeType type) : type_(type) {}
    TiXmlNode(const TiXmlNode&) = delete;
    TiXmlNode& operator=(const TiXmlNode&) = delete;
    virtual ~TiXmlNode() = default;

    const char* Value() const { return value_.c_str(); }
    NodeType Type() const { return type_; }

    const TiXmlNode* FirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    const TiXmlNode* NextSibling() const { return next_; }
    const TiXmlElement* FirstChildElement() const;
    const TiXmlElement* FirstChildElement(const char* name) const;
    TiXmlElement* FirstChildElement(const char* name) {
        return const_cast<TiXmlElement*>(static_cast<const TiXmlNode*>(this)->FirstChildElement(name));
    }
    const TiXmlElement* NextSiblingElement() const;
    const TiXmlElement* NextSiblingElement(const char* name) const;

    // Appends a copy of `node`; the copy, or null for a document.
    TiXmlNode* InsertEndChild(const TiXmlNode& node);

    const TiXmlElement* ToElement() const;

    // A deep copy.
    std::unique_ptr<TiXmlNode> Clone() const;

protected:
    friend class TiXmlParser;
    friend class TiXmlPrinter;
    TiXmlNode* Append(std::unique_ptr<TiXmlNode> child);

    NodeType type_;
    std::string value_;
    bool cdata_ = false; // text nodes
    std::vector<std::pair<std::string, std::string>> attributes_; // elements, in order
    std::vector<std::unique_ptr<TiXmlNode>> children_;
    TiXmlNode* next_ = nullptr;
};

class TiXmlElement : public TiXmlNode {
public:
    explicit TiXmlElement(const char* name) : TiXmlNode(TINYXML_ELEMENT) { value_ = name ? name : ""; }
    TiXmlElement(const TiXmlElement& other);

    // The value of attribute `name`, or null.
    const char* Attribute(const char* name) const;
    void SetAttribute(const char* name, const char* value);
    // The first child's text when the first child is text, else null.
    const char* GetText() const;
};

class TiXmlDocument : public TiXmlNode {
public:
    TiXmlDocument() : TiXmlNode(TINYXML_DOCUMENT) {}

    // Parses `text` into this (emptied) document; null with Error() set on
    // failure, else the position after the last node read.
    const char* Parse(const char* text, TiXmlParsingData* unused = nullptr,
                      TiXmlEncoding encoding = TIXML_DEFAULT_ENCODING);
    bool Error() const { return error_; }
    const TiXmlElement* RootElement() const { return FirstChildElement(); }
    TiXmlElement* RootElement() { return const_cast<TiXmlElement*>(FirstChildElement()); }
    // Prints the document as TinyXML does; false on a write error.
    bool SaveFile(FILE* file) const;

private:
    bool error_ = false;
};
