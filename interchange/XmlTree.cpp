#include "interchange/XmlTree.h"

#include "util/Strings.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cctype>
#include <cstring>
#include <fstream>

namespace tavo {

namespace {

// No file or network access from inside a parse: DTDs and entities that
// name another resource are refused.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void ignoreErrors(void*, const char*, ...) {}

void collectError(void* data, xmlErrorPtr error)
{
    static_cast<XmlErrorTrap*>(data)->add(error);
}

// Whether a character-set name is one of the names of UTF-8 or of UTF-16.
bool namesUtf8(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-8" || name == "UTF8";
}

bool namesUtf16(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-16" || name == "UTF-16LE" || name == "UTF-16BE" || name == "UTF16";
}

// The encoding pseudo-attribute of the XML declaration, read from its
// ASCII characters (every other byte for UTF-16); "" when there is none.
std::string declaredEncoding(const std::string& bytes, size_t from, size_t step)
{
    std::string head;
    for (size_t i = from; i < bytes.size() && head.size() < 256; i += step) {
        head += bytes[i];
        if (head.size() >= 2 && head.compare(head.size() - 2, 2, "?>") == 0)
            break;
    }
    if (head.rfind("<?xml", 0) != 0)
        return {};
    const size_t at = head.find("encoding");
    if (at == std::string::npos)
        return {};
    size_t i = at + 8;
    while (i < head.size() && (head[i] == ' ' || head[i] == '=' || head[i] == '\t' || head[i] == '\r' ||
                               head[i] == '\n'))
        ++i;
    if (i >= head.size() || (head[i] != '"' && head[i] != '\''))
        return {};
    const size_t close = head.find(head[i], i + 1);
    return close == std::string::npos ? head.substr(i + 1) : head.substr(i + 1, close - i - 1);
}

}  // namespace

XmlErrorTrap::XmlErrorTrap()
    : previous_(xmlStructuredError), previousContext_(xmlStructuredErrorContext),
      previousGeneric_(xmlGenericError), previousGenericContext_(xmlGenericErrorContext)
{
    xmlSetStructuredErrorFunc(this, collectError);
    xmlSetGenericErrorFunc(nullptr, ignoreErrors);
}

XmlErrorTrap::~XmlErrorTrap()
{
    xmlSetStructuredErrorFunc(previousContext_, previous_);
    xmlSetGenericErrorFunc(previousGenericContext_, previousGeneric_);
}

void XmlErrorTrap::add(const xmlError* error)
{
    if (!error || !error->message || !first_.empty())
        return;
    std::string message = error->message;
    for (char& c : message)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    first_ = error->line > 0 ? "line " + std::to_string(error->line) + ": " + message : message;
}

std::string encodingProblem(const std::string& bytes)
{
    auto starts = [&](std::initializer_list<unsigned char> prefix) {
        size_t i = 0;
        for (unsigned char c : prefix)
            if (i >= bytes.size() || static_cast<unsigned char>(bytes[i++]) != c)
                return false;
        return true;
    };
    const char* refused = nullptr;
    if (starts({0x00, 0x00, 0xFE, 0xFF}) || starts({0xFF, 0xFE, 0x00, 0x00}) || starts({0x00, 0x00, 0x00, 0x3C}) ||
        starts({0x3C, 0x00, 0x00, 0x00}))
        refused = "UTF-32";
    else if (starts({0x4C, 0x6F, 0xA7, 0x94}))
        refused = "EBCDIC";
    if (refused)
        return std::string("encoding ") + refused + " refused (UTF-8 and UTF-16 only)";
    const bool bigEndian = starts({0xFE, 0xFF}) || starts({0x00, 0x3C, 0x00, 0x3F});
    const bool littleEndian = starts({0xFF, 0xFE}) || starts({0x3C, 0x00, 0x3F, 0x00});
    if (bigEndian || littleEndian) {
        const size_t bom = starts({0xFE, 0xFF}) || starts({0xFF, 0xFE}) ? 2 : 0;
        const std::string declared = declaredEncoding(bytes, bom + (bigEndian ? 1 : 0), 2);
        if (!declared.empty() && !namesUtf16(declared))
            return "encoding " + declared + " declared in a UTF-16 file refused (UTF-8 and UTF-16 only)";
        return {};
    }
    const std::string declared = declaredEncoding(bytes, starts({0xEF, 0xBB, 0xBF}) ? 3 : 0, 1);
    if (!declared.empty() && namesUtf16(declared))
        return "encoding " + declared + " declared in a file that is not UTF-16";
    if (!declared.empty() && !namesUtf8(declared))
        return "encoding " + declared + " refused (UTF-8 and UTF-16 only)";
    return {};
}

namespace {

struct ParseState {
    bool entities = false;
    bool references = false;
};

// Any entity declaration (general, parameter or unparsed) stops the parse
// there: nothing declared is ever expanded.
void refuseEntity(void* data, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*)
{
    auto* context = static_cast<xmlParserCtxtPtr>(data);
    static_cast<ParseState*>(context->_private)->entities = true;
    xmlStopParser(context);
}

void refuseUnparsedEntity(void* data, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*)
{
    auto* context = static_cast<xmlParserCtxtPtr>(data);
    static_cast<ParseState*>(context->_private)->entities = true;
    xmlStopParser(context);
}

// A reference to an entity nobody declared here (a file naming an external
// DTD that is not loaded) would stay in the tree as a hole: refused too.
void refuseReference(void* data, const xmlChar*)
{
    auto* context = static_cast<xmlParserCtxtPtr>(data);
    static_cast<ParseState*>(context->_private)->references = true;
    xmlStopParser(context);
}

bool declaresEntities(const xmlDtd* dtd)
{
    return dtd && (dtd->entities || dtd->pentities);
}

}  // namespace

XmlDocPtr parseXmlBytes(const std::string& bytes, const std::string& name, Report& report)
{
    constexpr const char* kEntities = "entity declarations are refused (entity expansion or external entities)";
    if (static_cast<long long>(bytes.size()) > kMaxXmlBytes)
        report.fail(name, "file larger than " + std::to_string(kMaxXmlBytes / (1024 * 1024)) + " MB refused");
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
        report.fail(name, "file too large");
    if (const std::string why = encodingProblem(bytes); !why.empty())
        report.fail(name, why);
    xmlInitParser();
    XmlErrorTrap trap;
    const xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(refuseExternal);
    xmlParserCtxtPtr context = xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()));
    if (!context) {
        xmlSetExternalEntityLoader(previous);
        report.fail(name, "out of memory");
    }
    // Entities are never substituted, no DTD is loaded, nothing is fetched,
    // and the parser keeps its built-in limits on depth, text and names
    // (XML_PARSE_HUGE is not given).
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    ParseState state;
    context->_private = &state;
    context->sax->entityDecl = refuseEntity;
    context->sax->unparsedEntityDecl = refuseUnparsedEntity;
    context->sax->reference = refuseReference;
    xmlParseDocument(context);
    xmlDoc* doc = context->myDoc;
    context->myDoc = nullptr;
    std::string why;
    if (state.entities || (doc && (declaresEntities(doc->intSubset) || declaresEntities(doc->extSubset)))) {
        why = kEntities;
    } else if (state.references) {
        why = "references to undeclared entities are refused";
    } else if (!doc || !context->wellFormed) {
        const xmlError* error = xmlCtxtGetLastError(context);
        why = "not well-formed XML";
        if (error && error->message) {
            std::string message = error->message;
            for (char& c : message)
                if (c == '\n' || c == '\r')
                    c = ' ';
            while (!message.empty() && message.back() == ' ')
                message.pop_back();
            why += ": line " + std::to_string(error->line) + ": " + message;
        }
    } else if (doc->encoding && !namesUtf8(reinterpret_cast<const char*>(doc->encoding)) &&
               !namesUtf16(reinterpret_cast<const char*>(doc->encoding))) {
        why = std::string("encoding ") + reinterpret_cast<const char*>(doc->encoding) +
              " refused (UTF-8 and UTF-16 only)";
    }
    xmlFreeParserCtxt(context);
    xmlSetExternalEntityLoader(previous);
    XmlDocPtr owned(doc);
    if (!why.empty())
        report.fail(name, why);
    if (!xmlDocGetRootElement(doc))
        report.fail(name, "no root element");
    return owned;
}

XmlDocPtr parseXmlFile(const std::u16string& fileName, Report& report)
{
    const std::string name = utf8FromWide(fileName);
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in)
        report.fail(name, "cannot open file");
    const std::streamoff size = in.tellg();
    if (size < 0)
        report.fail(name, "cannot read file");
    if (size > kMaxXmlBytes)
        report.fail(name, "file larger than " + std::to_string(kMaxXmlBytes / (1024 * 1024)) + " MB refused");
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        report.fail(name, "cannot read file");
    return parseXmlBytes(bytes, name, report);
}

XmlKind kindOf(const xmlDoc* doc)
{
    const xmlNode* root = xmlDocGetRootElement(doc);
    if (!root || !root->ns || !root->ns->href)
        return XmlKind::Unknown;
    std::string ns = reinterpret_cast<const char*>(root->ns->href);
    // Some editors write the namespaces with https.
    if (ns.rfind("https://", 0) == 0)
        ns.erase(4, 1);
    const std::string page = "http://schema.primaresearch.org/PAGE/gts/pagecontent/";
    if (isElement(root, "PcGts") && ns.rfind(page, 0) == 0) {
        const std::string version = ns.substr(page.size());
        return version == "2019-07-15" ? XmlKind::Page2019
               : version == "2013-07-15" ? XmlKind::Page2013
                                         : XmlKind::PageOther;
    }
    if (isElement(root, "alto") && ns.rfind("http://www.loc.gov/standards/alto/", 0) == 0)
        return XmlKind::Alto;
    return XmlKind::Unknown;
}

bool isElement(const xmlNode* node, const char* name)
{
    return node && node->type == XML_ELEMENT_NODE &&
           (!*name || std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0);
}

std::vector<xmlNode*> children(const xmlNode* node, const char* name)
{
    std::vector<xmlNode*> out;
    for (xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (isElement(child, name))
            out.push_back(child);
    return out;
}

xmlNode* firstChild(const xmlNode* node, const char* name)
{
    for (xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (isElement(child, name))
            return child;
    return nullptr;
}

void descendants(xmlNode* node, const char* name, std::vector<xmlNode*>& out)
{
    // Iterative, so that a deeply nested hostile file cannot exhaust the stack.
    for (xmlNode* at = node ? node->children : nullptr; at;) {
        if (isElement(at, name))
            out.push_back(at);
        if (at->children && at->type == XML_ELEMENT_NODE) {
            at = at->children;
            continue;
        }
        while (at && at != node && !at->next)
            at = at->parent;
        if (!at || at == node)
            break;
        at = at->next;
    }
}

std::string attribute(const xmlNode* node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value)
        return {};
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

bool hasAttribute(const xmlNode* node, const char* name)
{
    return xmlHasProp(node, reinterpret_cast<const xmlChar*>(name)) != nullptr;
}

std::string textOf(const xmlNode* node)
{
    xmlChar* value = xmlNodeGetContent(node);
    if (!value)
        return {};
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

long lineOf(const xmlNode* node)
{
    return xmlGetLineNo(node);
}

}  // namespace tavo
