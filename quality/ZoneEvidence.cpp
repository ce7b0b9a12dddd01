// Prints the evidence the checker weighs for every word zone of a page, one
// JSON object a line, for fitting the confidence (tools/fit-confidence.py).
//
//   zone_evidence [--lines] PAGE_IMAGE WORDS.xml [LINES.xml]
//
// The first line describes the page's hand.  With --lines, the rows that
// follow are the line zones' penalties instead of the words' evidence.  Exit status 2 when a file
// cannot be read.
#include "ZULImage.h"
#include "page/PageFile.h"
#include "review/InkIndex.h"
#include "review/ZoneFile.h"
#include "review/ZoneScore.h"
#include "util/Report.h"
#include "util/Strings.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <exception>
#include <string_view>

int main(int argc, char** argv)
{
    const bool lineRows = argc > 1 && std::string_view(argv[1]) == "--lines";
    if (lineRows) {
        ++argv;
        --argc;
    }
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: zone_evidence [--lines] PAGE_IMAGE WORDS.xml [LINES.xml]\n");
        return 2;
    }
    try {
        tavo::Report report("zone_evidence");
        const ZULImage page = tavo::loadWorkingPage(tavo::wideFromUtf8(argv[1]), report);
        const tavo::ZoneFile words = tavo::readZoneFile(tavo::wideFromUtf8(argv[2]), report);
        tavo::ZoneFile lines;
        if (argc == 4)
            lines = tavo::readZoneFile(tavo::wideFromUtf8(argv[3]), report);
        const tavo::InkIndex ink = tavo::InkIndex::ofPage(page);
        const tavo::PageEvidence evidence = tavo::pageEvidence(ink, words.zones, lines.zones);
        nlohmann::json hand = {{"bodiesPerPaw", evidence.hand.bodiesPerPaw},
                               {"bodiesSpread", evidence.hand.bodiesSpread},
                               {"lengthPerWidth", evidence.hand.lengthPerWidth},
                               {"zonesUsed", evidence.hand.zonesUsed},
                               {"strokeWidth", ink.strokeWidth()},
                               {"bodyHeight", ink.bodyHeight()},
                               {"cutTypical", evidence.hand.cutTypical},
                               {"lineCutTypical", evidence.hand.lineCutTypical},
                               {"strayTypical", evidence.hand.strayTypical}};
        std::printf("%s\n", hand.dump().c_str());
        if (lineRows) {
            for (size_t i = 0; i < lines.zones.size(); ++i) {
                const tavo::ZoneEntry& z = lines.zones[i];
                nlohmann::json penalties = nlohmann::json::object();
                for (const auto& [penalty, reason] : evidence.lines[i].penalties)
                    penalties[reason] = penalty;
                nlohmann::json row = {{"line", z.lineNumber},
                                      {"text", tavo::utf8FromWide(z.text)},
                                      {"given", z.confidence.value_or(1.0)},
                                      {"penalties", penalties},
                                      {"confidence", evidence.lines[i].confidence}};
                std::printf("%s\n", row.dump().c_str());
            }
            return 0;
        }
        for (size_t i = 0; i < words.zones.size(); ++i) {
            const tavo::ZoneEntry& z = words.zones[i];
            const tavo::WordEvidence& e = evidence.words[i];
            nlohmann::json row = {{"line", z.lineNumber},
                                  {"box", {z.box.col, z.box.row, z.box.width, z.box.height}},
                                  {"text", tavo::utf8FromWide(z.text)},
                                  {"bodies", e.bodies},
                                  {"bodyCount", e.bodyCount},
                                  {"pieces", e.pieces},
                                  {"length", e.length},
                                  {"cut", e.cut},
                                  {"overlap", e.overlap},
                                  {"finder", e.finder},
                                  {"lineDoubt", e.line},
                                  {"void", e.empty || e.noInk},
                                  {"ruledOut", tavo::wordRuledOut(e)},
                                  {"probability", tavo::wordProbability(e)}};
            std::printf("%s\n", row.dump().c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zone_evidence: %s\n", e.what());
        return 2;
    }
    return 0;
}
