// Writes the seed inputs of the text, zone-line, column-cut, word,
// reading-order and import fuzz targets into FOLDER/textfile, zoneline,
// columncuts, words, readingorder, page, alto and xmlencoding, in the input layout each target describes.
#include "FuzzText.h"

#include "ZULImage.h"

#include <cstdio>
#include <fstream>
#include <initializer_list>

namespace {

namespace fs = std::filesystem;

constexpr char kSep = static_cast<char>(fuzztext::kFieldSeparator);

void write(const fs::path& folder, const std::string& name, const std::string& bytes)
{
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string text(std::u16string_view t) { return fuzztext::bytesOf(t); }

// Fields joined by the separator, after a leading flags byte.
std::string joined(char flags, std::initializer_list<std::string> fields)
{
    std::string out(1, flags);
    bool first = true;
    for (const std::string& f : fields) {
        if (!first)
            out += kSep;
        out += f;
        first = false;
    }
    return out;
}

const std::u16string kArabicLine = u"\u0628\u0627\u0628 \u0645\u062D\u0645\u062F\u064E \u0627\u0644\u062F\u0627\u0631.";

void textFileSeeds(const fs::path& folder)
{
    write(folder, "crlf", "a\r\nb\rc\nd\n\re");
    write(folder, "bom", "\xEF\xBB\xBF" "a\r\n");
    write(folder, "codepage", "\xEF\xBB\x41\xC7\xE1\r\n");
    write(folder, "arabic", "\xD8\xA7\xD9\x84\xD8\xAF\xD8\xA7\xD8\xB1\n\xF0\x9F\x98\x80\xED\xA0\x80\xC0\x8A");
    write(folder, "utf16le", std::string("\xFF\xFE" "a\0\r\0\n\0\x27\x06", 10));
    write(folder, "utf16be", std::string("\xFE\xFF\0a\0\r\x06\x27\xD8", 9));
    // Multi-byte characters across the 1024-byte buffer boundary.
    std::string longLine(1021, 'x');
    for (int i = 0; i < 300; ++i)
        longLine += "\xD8\xA7\xE2\x80\x93\r\n";
    write(folder, "buffer", longLine);
    write(folder, "zones",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
          "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"1\" col=\"3\" contents=\"\xD8\xA8\xD8\xA7\" > </DL_ZONE>\r\n");
}

void zoneLineSeeds(const fs::path& folder)
{
    const std::u16string zone =
        u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"12\" row=\"40\" "
        u"width=\"300\" height=\"45\" offsets=\"12,57,130\" contents=\"" + kArabicLine + u"\" woffsets=\"1 4 \" > </DL_ZONE>";
    write(folder, "offsets", joined(0, {text(zone), "offsets", "1,2,3", "aa", "a"}));
    write(folder, "status", joined(1, {text(zone), "status", "MISSING", "\xD8", "--"}));
    write(folder, "id", joined(1, {text(u"<DL_ZONE width=\"5\" id=\"7\" nextZoneID=\"8\">"), "id", "9", "&", "&amp;"}));
    write(folder, "spaces", joined(0, {"  a   b  ^ c\t", "x", "", " ", ""}));
    write(folder, "escape", joined(0, {"<a href=\"x\">'&'</a>", "href", "y", "aa", "b"}));
    write(folder, "integers", joined(0, {"12 -1 +5 0012 -2147483648 99999999999 7", "", "", "", ""}));
    write(folder, "arabic", joined(0, {text(kArabicLine + u"\u0623\u064B\u0628\u0660\u0661 abc\r\n"), "", "", "", ""}));
}

// A page in the layout of the column-cut target: header, then every pixel
// byte, drawn with dark strokes separated by white gaps.
void columnCutSeeds(const fs::path& folder)
{
    struct Seed {
        const char* name;
        int width, height, bits, k, col, row;
    };
    const Seed seeds[] = {{"colour3", 80, 20, 24, 3, 2, 1},  {"grey5", 120, 30, 8, 5, 0, 0},
                          {"bits2", 61, 12, 1, 2, 5, 3},      {"widthk", 16, 8, 24, 15, 1, 0},
                          {"zerok", 32, 8, 8, 0, 0, 0},       {"onecol", 1, 5, 24, 1, 0, 0}};
    for (const Seed& s : seeds) {
        ZULImage page(s.col + s.width, s.row + s.height + 1, s.bits, true);
        for (int y = 0; y < page.zulGetHeight(); ++y) {
            for (int x = 0; x < page.zulGetWidth(); ++x) {
                const bool ink = (x / 7) % 3 != 2 && (y + x / 11) % 5 != 0;
                if (s.bits == 24)
                    page.zulSetColorPixel(x, y, ink ? 20 : 250, ink ? 40 : 250, ink ? 128 : 250);
                else
                    page.zulSetPixel(x, y, ink ? 0 : (s.bits == 1 ? 1 : 255));
            }
        }
        std::string bytes = {static_cast<char>(s.width - 1), static_cast<char>(s.height - 1),
                             static_cast<char>(s.bits == 1 ? 0 : s.bits == 8 ? 1 : 2),
                             static_cast<char>(s.k & 0xFF), static_cast<char>(s.k >> 8),
                             static_cast<char>(s.col), static_cast<char>(s.row)};
        bytes.append(reinterpret_cast<const char*>(page.zulGetImageData()), page.zulGetImageDataSize());
        write(folder, s.name, bytes);
    }
}

void wordSeeds(const fs::path& folder)
{
    const std::string paw = text(u"\u0628\u0628 \u0627 \u0628\u0628\u0628 \u0645\u062D \u0628\u0627 \u062F");
    write(folder, "group", joined(0, {"0", "0", "239", "63", "30,55,112,128,205", "1 3 ", paw, ""}));
    write(folder, "grouplatin", joined(4, {"5", "2", "230", "60", "33,60,115", "0 2 ", "one two three", "OK"}));
    write(folder, "split", joined(1, {"0", "0", "240", "64", "60,135,205", "", text(u"\u0628\u0627\u0628 \u0645\u062D \u062F\u0627\u0631 \u0628"), "EXTRA"}));
    write(folder, "splitbw", joined(5, {"8", "4", "220", "50", "62", "", "  one   two  ", ""}));
    write(folder, "segment", joined(2, {"3", "3", "230", "55", "", "", text(u"\u0628\u0627\u0628  \u0645\u062D   \u062F\u0627\u0631 "), "MISSING"}));
    write(folder, "statusword", joined(2, {"0", "0", "100", "40", "", "", "status offsets", "DONE"}));
    write(folder, "outside", joined(3, {"-5", "0", "300", "64", "10", "0 ", "a b", ""}));
    write(folder, "raw", std::string(1, 8) + text(u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"1\" row=\"1\" width=\"100\" "
                                                   u"height=\"40\" offsets=\"40,90\" contents=\"a b c\" woffsets=\"0 1 \" > </DL_ZONE>"));
}

// Zone fields: id code, nextZoneID code, status byte, contents text.
std::string zone(unsigned char id, unsigned char next, unsigned char status, const std::string& contents = {})
{
    return std::string{static_cast<char>(id), static_cast<char>(next), static_cast<char>(status)} + contents;
}

void readingOrderSeeds(const fs::path& folder)
{
    constexpr unsigned char kAbsent = 160;
    constexpr unsigned char kHuge = 162;
    constexpr unsigned char kNegative = 172;
    const std::string source = text(u"\u0628\u0627\u0628 a&b \u0645\u062D\r\n\u062F\u0627\u0631");
    write(folder, "chain", joined(1, {source, zone(1, 2, 0), zone(2, 3, 4), zone(3, 4, 0), zone(4, kAbsent, 0)}));
    write(folder, "shuffled", joined(3, {source, zone(3, 4, 0), zone(1, 2, 0), zone(4, kAbsent, 0), zone(2, 3, 0)}));
    write(folder, "extra", joined(0, {source, zone(1, 2, 0), zone(9, kAbsent, 1), zone(2, kAbsent, 0), zone(7, 8, 1)}));
    write(folder, "heads", joined(0, {"a b c", zone(1, 2, 8, "a"), zone(3, 4, 8, "b"), zone(2, kAbsent, 0)}));
    write(folder, "cycle", joined(1, {"a b c", zone(1, 2, 0), zone(2, 3, 0), zone(3, 1, 0)}));
    write(folder, "huge", joined(1, {"x y", zone(kHuge, kNegative, 0), zone(kNegative, kHuge, 0), zone(0, kHuge, 12)}));
    write(folder, "nosource", joined(1, {" \t ", zone(1, 2, 0), zone(2, kAbsent, 0)}));
}

}  // namespace

// PAGE (2019 and 2013) and ALTO files as the exports and common editors
// write them, with the parts the importers read.
void importSeeds(const fs::path& folder)
{
    const std::string page =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PcGts xmlns=\"http://schema.primaresearch.org/PAGE/gts/"
        "pagecontent/2019-07-15\"><Metadata><Creator>x</Creator><EditorMetadata docId=\"1\"/></Metadata>"
        "<Page imageFilename=\"p.png\" imageWidth=\"300\" imageHeight=\"200\"><ReadingOrder><OrderedGroup "
        "id=\"g\"><RegionRefIndexed index=\"1\" regionRef=\"r2\"/><RegionRefIndexed index=\"0\" "
        "regionRef=\"r1\"/></OrderedGroup></ReadingOrder><TextRegion id=\"r1\"><Coords points=\"0,0 10,0 10,10\"/>"
        "<TextLine id=\"l1\" custom=\"readingOrder {index:0;}\"><Coords points=\"10,10 200,10 200,40 10,40\"/>"
        "<Baseline points=\"10,35 200,35\"/><Word id=\"w1\"><Coords points=\"150,10 200,10 200,40\"/>"
        "<TextEquiv conf=\"0.9\"><Unicode>&#x628;&#x64A;&#x62A;</Unicode></TextEquiv></Word>"
        "<TextEquiv><Unicode>بيت عن</Unicode></TextEquiv></TextLine></TextRegion><TextRegion id=\"r2\">"
        "<TextLine id=\"l2\"><Coords><Point x=\"5\" y=\"60\"/><Point x=\"290\" y=\"90\"/></Coords>"
        "</TextLine></TextRegion></Page></PcGts>\n";
    write(folder / "page", "page2019.xml", page);
    std::string old = page;
    old.replace(old.find("2019-07-15"), 10, "2013-07-15");
    write(folder / "page", "page2013.xml", old);
    const std::string alto =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\">"
        "<Description><MeasurementUnit>pixel</MeasurementUnit><sourceImageInformation><fileName>p.png</fileName>"
        "</sourceImageInformation></Description><Layout><Page ID=\"p\" PHYSICAL_IMG_NR=\"1\" WIDTH=\"300.0\" "
        "HEIGHT=\"200\"><PrintSpace><TextBlock ID=\"b\"><TextLine ID=\"l1\" HPOS=\"10\" VPOS=\"10\" "
        "WIDTH=\"190\" HEIGHT=\"30\" BASELINE=\"10 35 200 35\"><Shape><Polygon POINTS=\"10 10 200 10 200 40 "
        "10 40\"/></Shape><String CONTENT=\"بيت\" WC=\"0.8\"/><SP/><String CONTENT=\"عن\"/><HYP CONTENT=\"-\"/>"
        "</TextLine><TextLine ID=\"l2\" HPOS=\"5\" VPOS=\"60\" WIDTH=\"100\" HEIGHT=\"20\" BASELINE=\"75\">"
        "<String CONTENT=\"x\"/></TextLine></TextBlock></PrintSpace></Page></Layout></alto>\n";
    write(folder / "alto", "alto.xml", alto);

    // The encoding target: the PAGE seed in UTF-16 both ways (each byte a
    // character), with and
    // without a byte-order mark, and files that hide entity declarations or
    // declare other encodings.
    auto utf16 = [](const std::string& ascii, bool big, bool bom) {
        std::string out = bom ? (big ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char c : ascii)
            out += big ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    std::string ascii = page;
    ascii.replace(ascii.find("UTF-8"), 5, "UTF-16");
    const fs::path encodings = folder / "xmlencoding";
    write(encodings, "utf16le-bom.xml", utf16(ascii, false, true));
    write(encodings, "utf16be-bom.xml", utf16(ascii, true, true));
    write(encodings, "utf16le.xml", utf16(ascii, false, false));
    const std::string entity = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE PcGts [<!ENTITY a \"aaaa\">"
                               "<!ENTITY x SYSTEM \"file:///etc/passwd\">]><PcGts>&a;&a;&x;</PcGts>";
    write(encodings, "entity-utf16.xml", utf16(entity, false, true));
    std::string utf7 = entity;
    utf7.replace(utf7.find("UTF-16"), 6, "UTF-7");
    write(encodings, "entity-utf7.xml", utf7);
    std::string latin = page;
    latin.replace(latin.find("UTF-8"), 5, "ISO-8859-1");
    write(encodings, "latin1.xml", latin);
    write(encodings, "utf32.xml", std::string("\0\0\xFE\xFF\0\0\0<", 8));
}

// The page of FuzzInkZones.cpp (96 x 24 cells, a bit each): two lines of
// words made of blocks, with dots above some of them.
std::string inkPage()
{
    std::string bits(96 * 24 / 8, '\0');
    const auto ink = [&](int x, int y) { bits[static_cast<size_t>(y * 96 + x) / 8] |= char(1 << ((y * 96 + x) % 8)); };
    for (int line : {4, 14})
        for (int x = 4; x < 92; ++x)
            if (x % 22 < 16 && x % 7 != 3)
                for (int y = line; y < line + 5; ++y)
                    ink(x, y);
    for (int x : {10, 33, 60})
        ink(x, 2);
    return bits;
}

void inkZoneSeeds(const fs::path& folder)
{
    const auto seed = [&](const char* name, char flags, std::initializer_list<std::string> fields) {
        write(folder, name, std::string(1, flags) + inkPage() + joined(0, fields).substr(1));
    };
    const std::string lines = text(u"\u0628\u0628 \u062F\u0627\u0631 \u0645\u062D\n\u0643\u062A\u0627\u0628 \u0628");
    const std::string line = text(u"\u0628\u0628 \u062F\u0627\u0631 \u0645\u062D");
    seed("all", 3, {lines, "8", "8", "360", "30", line, "8,8 368,8 368,38 8,38"});
    seed("lines", 0, {text(u"\u0628\n\n\u0628\u0628\u0628\n\u0627"), "", "", "", "", "", ""});
    seed("words", 1, {"", "8", "50", "360", "40", line, ""});
    seed("scores", 2, {"", "0", "0", "384", "96", line, "0,0 383,0 383,40 200,60 0,40"});
    seed("outside", 3, {"a\nb", "-50", "80", "999", "99", "latin", "5,5 9,9"});
}

// Hostile names (a script link, quotes, a fragment, a right-to-left
// override, bytes that are not UTF-8) and texts (markup, NUL, surrogates).
void reviewPageSeeds(const fs::path& folder)
{
    write(folder, "plain", joined(0, {"page.tif", "review-page.jpg", "../words.xml", "../merged.xml",
                                      "\x80" + text(u"\u0628\u064A\u062A"), "\xF0" + text(u"\u062F\u0627\u0631")})
                               .substr(1));
    write(folder, "hostile",
          joined(0, {"it's \xE2\x80\xAE#1?.png\xFF", "javascript:alert(1)'#.png", "javascript:x')\\",
                     "/abs/\"><script>.xml", "\x01<script>alert(1)</script>", "\xFF" + text(std::u16string(u"\0\xD800&amp;\"'", 9))})
              .substr(1));
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_command_fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    textFileSeeds(folder / "textfile");
    zoneLineSeeds(folder / "zoneline");
    columnCutSeeds(folder / "columncuts");
    wordSeeds(folder / "words");
    readingOrderSeeds(folder / "readingorder");
    inkZoneSeeds(folder / "inkzones");
    importSeeds(folder);
    reviewPageSeeds(folder / "reviewpage");
    return 0;
}
