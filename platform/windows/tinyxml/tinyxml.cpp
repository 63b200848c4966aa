#include "tinyxml.h"

#include <cstring>

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool StartsWith(const char* p, const char* prefix) { return std::strncmp(p, prefix, std::strlen(prefix)) == 0; }

bool StartsWithNoCase(const char* p, const char* prefix) {
    for (; *prefix; ++p, ++prefix) {
        char a = *p, b = *prefix;
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

void AppendUtf8(unsigned long cp, std::string* out) {
    if (cp < 0x80) {
        *out += char(cp);
    } else if (cp < 0x800) {
        *out += char(0xC0 | (cp >> 6));
        *out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += char(0xE0 | (cp >> 12));
        *out += char(0x80 | ((cp >> 6) & 0x3F));
        *out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x200000) {
        *out += char(0xF0 | (cp >> 18));
        *out += char(0x80 | ((cp >> 12) & 0x3F));
        *out += char(0x80 | ((cp >> 6) & 0x3F));
        *out += char(0x80 | (cp & 0x3F));
    }
}

void EncodeString(const std::string& in, std::string* out) {
    for (size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '&' && i + 2 < in.size() && in[i + 1] == '#' && in[i + 2] == 'x') {
            // A hexadecimal character reference passes through unchanged.
            while (i + 1 < in.size()) {
                *out += in[i];
                ++i;
                if (in[i] == ';') break;
            }
            --i;
        } else if (c == '&') {
            *out += "&amp;";
        } else if (c == '<') {
            *out += "&lt;";
        } else if (c == '>') {
            *out += "&gt;";
        } else if (c == '"') {
            *out += "&quot;";
        } else if (c == '\'') {
            *out += "&apos;";
        } else if (c < 32) {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "&#x%02X;", c);
            *out += buffer;
        } else {
            *out += char(c);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Parsing

class TiXmlParser {
public:
    // Character references become UTF-8 when the caller or the declaration
    // says UTF-8 (a declaration naming no encoding counts as UTF-8), else
    // single bytes.
    explicit TiXmlParser(TiXmlEncoding encoding) : utf8_(encoding == TIXML_ENCODING_UTF8) {}

    // The nodes of a document or of an element's content, until "</" or the
    // end; null on error.
    const char* ParseDocument(const char* p, TiXmlDocument* doc, bool detectEncoding) {
        p = SkipWhiteSpace(p);
        while (p && *p == '<') {
            std::unique_ptr<TiXmlNode> node = Identify(p);
            if (!node) return nullptr;
            p = ParseNode(p, node.get());
            if (!p) return nullptr;
            TiXmlNode* added = doc->Append(std::move(node));
            if (detectEncoding && added->type_ == TiXmlNode::TINYXML_DECLARATION) {
                const std::string& enc = declarationEncoding_;
                utf8_ = enc.empty() || StartsWithNoCase(enc.c_str(), "UTF-8") || StartsWithNoCase(enc.c_str(), "UTF8");
                detectEncoding = false;
            }
            p = SkipWhiteSpace(p);
        }
        return doc->children_.empty() ? nullptr : p;
    }

private:
    static const char* SkipWhiteSpace(const char* p) {
        for (;;) {
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            if (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) { // byte-order mark
                p += 3;
            } else if (IsWhiteSpace(*p)) {
                ++p;
            } else {
                return p;
            }
        }
    }

    static bool IsNameStart(unsigned char c) {
        return c >= 0x80 || c == '_' || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    }
    static bool IsNameChar(unsigned char c) {
        return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
    }

    static const char* ReadName(const char* p, std::string* name) {
        name->clear();
        if (!IsNameStart(static_cast<unsigned char>(*p))) return nullptr;
        const char* start = p;
        while (*p && IsNameChar(static_cast<unsigned char>(*p))) ++p;
        name->assign(start, size_t(p - start));
        return p;
    }

    // One character at p, an entity decoded; appended to *out.
    const char* ReadChar(const char* p, std::string* out) const {
        if (*p != '&') {
            *out += *p;
            return p + 1;
        }
        if (p[1] == '#') {
            unsigned long cp = 0;
            const char* q = p + 2;
            const bool hex = *q == 'x';
            if (hex) ++q;
            const char* digits = q;
            for (; *q && *q != ';'; ++q) {
                const char c = *q;
                int v;
                if (c >= '0' && c <= '9') v = c - '0';
                else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') v = (c | 0x20) - 'a' + 10;
                else break;
                cp = cp * (hex ? 16 : 10) + unsigned(v);
                if (cp > 0x10FFFF) break;
            }
            if (*q == ';' && q > digits) {
                if (utf8_) AppendUtf8(cp, out);
                else *out += char(cp);
                return q + 1;
            }
        }
        static const struct {
            const char* text;
            char c;
        } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const auto& e : kEntities)
            if (StartsWith(p, e.text)) {
                *out += e.c;
                return p + std::strlen(e.text);
            }
        return p + 1; // not an entity: TinyXML drops the '&' and reads on
    }

    // Text up to `end`, which is consumed when `consumeEnd`; with `condense`, leading and
    // trailing white space dropped and inner runs made one space (white
    // space that comes from a character reference is kept).
    const char* ReadText(const char* p, std::string* text, bool condense, const char* end,
                         bool consumeEnd = true) const {
        text->clear();
        if (!condense) {
            while (*p && !StartsWith(p, end)) p = ReadChar(p, text);
        } else {
            bool space = false;
            p = SkipWhiteSpace(p);
            while (*p && !StartsWith(p, end)) {
                if (IsWhiteSpace(*p)) {
                    space = true;
                    ++p;
                } else {
                    if (space) *text += ' ';
                    space = false;
                    p = ReadChar(p, text);
                }
            }
        }
        return *p && consumeEnd ? p + std::strlen(end) : p;
    }

    std::unique_ptr<TiXmlNode> Identify(const char* p) const {
        if (StartsWithNoCase(p, "<?xml")) return std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_DECLARATION);
        if (StartsWith(p, "<!--")) return std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_COMMENT);
        if (StartsWith(p, "<![CDATA[")) return std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_TEXT);
        if (StartsWith(p, "<!")) return std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_UNKNOWN);
        if (IsNameStart(static_cast<unsigned char>(p[1]))) return std::make_unique<TiXmlElement>("");
        return std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_UNKNOWN);
    }

    const char* ParseNode(const char* p, TiXmlNode* node) {
        switch (node->type_) {
        case TiXmlNode::TINYXML_DECLARATION: return ParseDeclaration(p, node);
        case TiXmlNode::TINYXML_COMMENT: {
            const char* end = std::strstr(p + 4, "-->");
            if (!end) return nullptr;
            node->value_.assign(p + 4, size_t(end - (p + 4)));
            return end + 3;
        }
        case TiXmlNode::TINYXML_TEXT: { // CDATA
            const char* start = p + 9;
            const char* end = std::strstr(start, "]]>");
            if (!end) return nullptr;
            node->value_.assign(start, size_t(end - start));
            node->cdata_ = true;
            return end + 3;
        }
        case TiXmlNode::TINYXML_ELEMENT: return ParseElement(p, static_cast<TiXmlElement*>(node));
        default: {
            const char* end = std::strchr(p, '>');
            if (!end) return nullptr;
            node->value_.assign(p + 1, size_t(end - (p + 1)));
            return end + 1;
        }
        }
    }

    // "<?xml" and its pseudo-attributes, up to the first '>'. Only the
    // encoding is kept apart; the printed form lists version, encoding and
    // standalone in that order.
    const char* ParseDeclaration(const char* p, TiXmlNode* node) {
        p += 5;
        std::string version, encoding, standalone;
        while (*p) {
            if (*p == '>') {
                std::string& v = node->value_;
                if (!version.empty()) v += "version=\"" + version + "\" ";
                if (!encoding.empty()) v += "encoding=\"" + encoding + "\" ";
                if (!standalone.empty()) v += "standalone=\"" + standalone + "\" ";
                declarationEncoding_ = encoding;
                return p + 1;
            }
            p = SkipWhiteSpace(p);
            std::string* target = StartsWithNoCase(p, "version")      ? &version
                                  : StartsWithNoCase(p, "encoding")   ? &encoding
                                  : StartsWithNoCase(p, "standalone") ? &standalone
                                                                      : nullptr;
            if (target) {
                std::string name;
                p = ParseAttribute(p, &name, target);
                if (!p) return nullptr;
            } else {
                while (*p && *p != '>' && !IsWhiteSpace(*p)) ++p;
            }
        }
        return nullptr;
    }

    const char* ParseAttribute(const char* p, std::string* name, std::string* value) const {
        p = SkipWhiteSpace(p);
        p = ReadName(p, name);
        if (!p) return nullptr;
        p = SkipWhiteSpace(p);
        if (*p != '=') return nullptr;
        p = SkipWhiteSpace(p + 1);
        if (*p == '\'' || *p == '"') {
            const char end[2] = {*p, 0};
            p = ReadText(p + 1, value, false, end);
        } else {
            // Unquoted values are read as far as they go, as TinyXML does.
            value->clear();
            while (*p && !IsWhiteSpace(*p) && *p != '/' && *p != '>') {
                if (*p == '\'' || *p == '"') return nullptr;
                *value += *p++;
            }
        }
        return *p ? p : nullptr;
    }

    const char* ParseElement(const char* p, TiXmlElement* element) {
        p = ReadName(p + 1, &element->value_);
        if (!p) return nullptr;
        const std::string endTag = "</" + element->value_;
        for (;;) {
            p = SkipWhiteSpace(p);
            if (!*p) return nullptr;
            if (*p == '/') return p[1] == '>' ? p + 2 : nullptr;
            if (*p == '>') break;
            std::string name, value;
            p = ParseAttribute(p, &name, &value);
            if (!p || element->Attribute(name.c_str())) return nullptr; // a repeated name is an error too
            element->attributes_.emplace_back(std::move(name), std::move(value));
        }
        p = ParseContent(p + 1, element);
        if (!p || !StartsWith(p, endTag.c_str())) return nullptr;
        p = SkipWhiteSpace(p + endTag.size());
        return *p == '>' ? p + 1 : nullptr;
    }

    // Text and nodes up to the end tag; null on error.
    const char* ParseContent(const char* p, TiXmlElement* element) {
        p = SkipWhiteSpace(p);
        while (*p) {
            if (*p != '<') {
                auto text = std::make_unique<TiXmlNode>(TiXmlNode::TINYXML_TEXT);
                p = ReadText(p, &text->value_, true, "<", false); // the '<' starts the next node
                bool blank = true;
                for (char c : text->value_) blank = blank && IsWhiteSpace(c);
                if (!blank) element->Append(std::move(text));
            } else if (StartsWith(p, "</")) {
                return p;
            } else {
                std::unique_ptr<TiXmlNode> node = Identify(p);
                p = ParseNode(p, node.get());
                if (!p) return nullptr;
                element->Append(std::move(node));
            }
            p = SkipWhiteSpace(p);
        }
        return nullptr; // the element was never closed
    }

    bool utf8_;
    std::string declarationEncoding_;
};

// ---------------------------------------------------------------------------
// Nodes

TiXmlNode* TiXmlNode::Append(std::unique_ptr<TiXmlNode> child) {
    if (!children_.empty()) children_.back()->next_ = child.get();
    children_.push_back(std::move(child));
    return children_.back().get();
}

std::unique_ptr<TiXmlNode> TiXmlNode::Clone() const {
    std::unique_ptr<TiXmlNode> copy = type_ == TINYXML_ELEMENT ? std::make_unique<TiXmlElement>("")
                                                                 : std::make_unique<TiXmlNode>(type_);
    copy->value_ = value_;
    copy->cdata_ = cdata_;
    copy->attributes_ = attributes_;
    for (const auto& child : children_) copy->Append(child->Clone());
    return copy;
}

TiXmlNode* TiXmlNode::InsertEndChild(const TiXmlNode& node) {
    if (node.type_ == TINYXML_DOCUMENT) return nullptr;
    return Append(node.Clone());
}

const TiXmlElement* TiXmlNode::ToElement() const {
    return type_ == TINYXML_ELEMENT ? static_cast<const TiXmlElement*>(this) : nullptr;
}

const TiXmlElement* TiXmlNode::FirstChildElement() const {
    for (const TiXmlNode* n = FirstChild(); n; n = n->next_)
        if (n->ToElement()) return n->ToElement();
    return nullptr;
}

const TiXmlElement* TiXmlNode::FirstChildElement(const char* name) const {
    for (const TiXmlNode* n = FirstChild(); n; n = n->next_)
        if (n->ToElement() && n->value_ == name) return n->ToElement();
    return nullptr;
}

const TiXmlElement* TiXmlNode::NextSiblingElement() const {
    for (const TiXmlNode* n = next_; n; n = n->next_)
        if (n->ToElement()) return n->ToElement();
    return nullptr;
}

const TiXmlElement* TiXmlNode::NextSiblingElement(const char* name) const {
    for (const TiXmlNode* n = next_; n; n = n->next_)
        if (n->ToElement() && n->value_ == name) return n->ToElement();
    return nullptr;
}

TiXmlElement::TiXmlElement(const TiXmlElement& other) : TiXmlNode(TINYXML_ELEMENT) {
    value_ = other.value_;
    attributes_ = other.attributes_;
    for (const auto& child : other.children_) Append(child->Clone());
}

const char* TiXmlElement::Attribute(const char* name) const {
    if (!name) return nullptr;
    for (const auto& [n, v] : attributes_)
        if (n == name) return v.c_str();
    return nullptr;
}

void TiXmlElement::SetAttribute(const char* name, const char* value) {
    if (!name || !value) return;
    for (auto& [n, v] : attributes_)
        if (n == name) {
            v = value;
            return;
        }
    attributes_.emplace_back(name, value);
}

const char* TiXmlElement::GetText() const {
    const TiXmlNode* first = FirstChild();
    return first && first->Type() == TINYXML_TEXT ? first->Value() : nullptr;
}

const char* TiXmlDocument::Parse(const char* text, TiXmlParsingData*, TiXmlEncoding encoding) {
    children_.clear();
    error_ = false;
    const char* end = text ? TiXmlParser(encoding).ParseDocument(text, this, encoding == TIXML_ENCODING_UNKNOWN)
                           : nullptr;
    if (!end) {
        children_.clear();
        error_ = true;
    }
    return end;
}

// ---------------------------------------------------------------------------
// Printing

class TiXmlPrinter {
public:
    static void Print(const TiXmlNode& node, int depth, std::string* out) {
        switch (node.type_) {
        case TiXmlNode::TINYXML_DECLARATION: *out += "<?xml " + node.value_ + "?>"; return;
        case TiXmlNode::TINYXML_COMMENT: Indent(depth, out), *out += "<!--" + node.value_ + "-->"; return;
        case TiXmlNode::TINYXML_UNKNOWN: Indent(depth, out), *out += "<" + node.value_ + ">"; return;
        case TiXmlNode::TINYXML_TEXT:
            if (node.cdata_) {
                *out += "\n";
                Indent(depth, out);
                *out += "<![CDATA[" + node.value_ + "]]>\n";
            } else {
                EncodeString(node.value_, out);
            }
            return;
        case TiXmlNode::TINYXML_ELEMENT: PrintElement(node, depth, out); return;
        case TiXmlNode::TINYXML_DOCUMENT: return;
        }
    }

private:
    static void Indent(int depth, std::string* out) { out->append(size_t(depth) * 4, ' '); }

    static void PrintElement(const TiXmlNode& e, int depth, std::string* out) {
        Indent(depth, out);
        *out += "<" + e.value_;
        for (const auto& [name, value] : e.attributes_) {
            *out += " ";
            EncodeString(name, out);
            // Single quotes around a value with a double quote, as TinyXML
            // prints it (the quote is written as an entity either way).
            const char quote = value.find('"') == std::string::npos ? '"' : '\'';
            *out += "=";
            *out += quote;
            EncodeString(value, out);
            *out += quote;
        }
        const auto& children = e.children_;
        if (children.empty()) {
            *out += " />";
        } else if (children.size() == 1 && children[0]->type_ == TiXmlNode::TINYXML_TEXT) {
            *out += ">";
            Print(*children[0], depth + 1, out);
            *out += "</" + e.value_ + ">";
        } else {
            *out += ">";
            for (const auto& child : children) {
                if (child->type_ != TiXmlNode::TINYXML_TEXT) *out += "\n";
                Print(*child, depth + 1, out);
            }
            *out += "\n";
            Indent(depth, out);
            *out += "</" + e.value_ + ">";
        }
    }
};

bool TiXmlDocument::SaveFile(FILE* file) const {
    if (!file) return false;
    std::string out;
    for (const auto& child : children_) {
        TiXmlPrinter::Print(*child, 0, &out);
        out += "\n";
    }
    return std::fwrite(out.data(), 1, out.size(), file) == out.size() && std::ferror(file) == 0;
}
