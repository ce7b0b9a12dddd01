// libFuzzer target: the PAGE and ALTO importers on arbitrary bytes (the
// fuzz_page, fuzz_alto and fuzz_xmlencoding targets differ in their seeds).
// A refusal (RuntimeFailure) is a good outcome; a document that parses holds
// no entity declaration and no reference to one, and every imported zone is
// a zone line.
#include "interchange/XmlTree.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    tavo::Report report("-import");
    try {
        const tavo::XmlDocPtr doc = tavo::parseXmlBytes(bytes, "fuzz.xml", report);
        for (const xmlDtd* dtd : {doc->intSubset, doc->extSubset})
            if (dtd && (dtd->entities || dtd->pentities))
                __builtin_trap();
        std::vector<xmlNode*> all;
        tavo::descendants(xmlDocGetRootElement(doc.get()), "", all);
        for (const xmlNode* node : all)
            for (const xmlNode* child = node->children; child; child = child->next)
                if (child->type == XML_ENTITY_REF_NODE)
                    __builtin_trap();
        const tavo::ZoneDocument zones = tavo::importZoneDocument(doc.get(), "fuzz.xml", report);
        for (const tavo::DocumentZone& zone : zones.zones)
            if (!tavo::isZoneLine(zone.text))
                __builtin_trap();
    } catch (const tavo::RuntimeFailure&) {
    }
    return 0;
}
