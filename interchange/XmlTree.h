// Reading PAGE and ALTO files safely with libxml2: never the network, no
// DTD loading, no entity declarations, a size limit; then small helpers to
// walk the tree.
#pragma once

#include "util/Report.h"

#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <memory>
#include <string>
#include <vector>

namespace tavo {

// Larger inputs are refused before parsing (a PAGE file of a dense page is a
// few megabytes).
constexpr long long kMaxXmlBytes = 256LL * 1024 * 1024;

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// While it lives, every libxml2 message goes to it instead of standard
// error; the first is kept so that a failure can give it in its one line.
class XmlErrorTrap {
public:
    XmlErrorTrap();
    ~XmlErrorTrap();
    XmlErrorTrap(const XmlErrorTrap&) = delete;
    XmlErrorTrap& operator=(const XmlErrorTrap&) = delete;
    void add(const xmlError* error);
    // "line N: message" of the first message, "" when there was none.
    const std::string& first() const { return first_; }

private:
    xmlStructuredErrorFunc previous_;
    void* previousContext_;
    xmlGenericErrorFunc previousGeneric_;
    void* previousGenericContext_;
    std::string first_;
};

// Why the bytes' character encoding is refused ("" when it is UTF-8 or
// UTF-16): from the byte-order mark or the first characters, then the XML
// declaration's encoding, which must name the same.
std::string encodingProblem(const std::string& bytes);

// Parses the file; throws RuntimeFailure naming it when it cannot be read,
// is too large, is in an encoding other than UTF-8 or UTF-16, declares
// entities (expansion bombs, external entities) or is not well-formed XML.
XmlDocPtr parseXmlFile(const std::u16string& fileName, Report& report);
// The same for bytes in memory (name is used in messages).
XmlDocPtr parseXmlBytes(const std::string& bytes, const std::string& name, Report& report);

enum class XmlKind { Unknown, Page2013, Page2019, PageOther, Alto };
XmlKind kindOf(const xmlDoc* doc);

// Element children (any namespace) with the local name; "" for all.
std::vector<xmlNode*> children(const xmlNode* node, const char* name = "");
xmlNode* firstChild(const xmlNode* node, const char* name);
// A parsed PAGE or ALTO document as a zone file of line zones in reading
// order (what -import writes).  Throws RuntimeFailure naming file when the
// document is neither, lacks a page size, or has a line without coordinates
// or with points outside the image.
struct ZoneDocument;
ZoneDocument importZoneDocument(const xmlDoc* doc, const std::string& file, Report& report);

// Every descendant element with the local name, in document order.
void descendants(xmlNode* node, const char* name, std::vector<xmlNode*>& out);
bool isElement(const xmlNode* node, const char* name);
// Attribute value, or "" when absent.
std::string attribute(const xmlNode* node, const char* name);
bool hasAttribute(const xmlNode* node, const char* name);
std::string textOf(const xmlNode* node);
long lineOf(const xmlNode* node);

}  // namespace tavo
