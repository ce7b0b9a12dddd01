// libFuzzer target: the PAGE and ALTO importers on arbitrary bytes (the
// fuzz_page and fuzz_alto targets differ in their seeds).  A refusal
// (RuntimeFailure) is a good outcome; an imported zone must keep its box
// inside the page it names.
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
        const tavo::ZoneDocument zones = tavo::importZoneDocument(doc.get(), "fuzz.xml", report);
        for (const tavo::DocumentZone& zone : zones.zones)
            if (!tavo::isZoneLine(zone.text))
                __builtin_trap();
    } catch (const tavo::RuntimeFailure&) {
    }
    return 0;
}
