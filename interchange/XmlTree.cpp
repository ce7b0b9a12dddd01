#include "interchange/XmlTree.h"

#include "util/Strings.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

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

}  // namespace

XmlDocPtr parseXmlBytes(const std::string& bytes, const std::string& name, Report& report)
{
    if (static_cast<long long>(bytes.size()) > kMaxXmlBytes)
        report.fail(name, "file larger than " + std::to_string(kMaxXmlBytes / (1024 * 1024)) + " MB refused");
    if (bytes.find("<!ENTITY") != std::string::npos)
        report.fail(name, "entity declarations are refused (entity expansion or external entities)");
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
        report.fail(name, "file too large");
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, ignoreErrors);
    const xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(refuseExternal);
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        xmlSetExternalEntityLoader(previous);
        report.fail(name, "out of memory");
    }
    xmlDoc* doc = xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                    nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::string why;
    if (!doc || !context->wellFormed) {
        const xmlError* error = xmlCtxtGetLastError(context);
        why = "not well-formed XML";
        if (error && error->message) {
            std::string message = error->message;
            while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
                message.pop_back();
            why += ": line " + std::to_string(error->line) + ": " + message;
        }
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
    const std::string ns = reinterpret_cast<const char*>(root->ns->href);
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
