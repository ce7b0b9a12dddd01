// Text helpers of the interchange formats: a small XML writer that escapes
// what it is given and drops what XML 1.0 cannot hold, entity decoding of
// zone attribute values, and the Unicode checks the exports rely on.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace tavo {

// Builds a document in memory, one element per call, UTF-8.
class XmlOut {
public:
    XmlOut() = default;
    // A document handed to sink in pieces of about a megabyte (at the end of
    // an element) as it is built, so that a large page is never held whole.
    explicit XmlOut(std::function<void(const std::string&)> sink) : sink_(std::move(sink)) {}

    // `<name` with the indent of the current depth.
    XmlOut& open(std::string_view name);
    XmlOut& attr(std::string_view name, std::string_view value);
    XmlOut& attr(std::string_view name, long value);
    // Ends the start tag: `>` (children follow) or `/>` when empty is set.
    XmlOut& endTag(bool empty = false);
    // Text content: the element `<name>text</name>` on one line.
    XmlOut& textElement(std::string_view name, std::string_view text);
    XmlOut& close(std::string_view name);
    const std::string& str() const { return out_; }
    // What is left of the document: handed to the sink, or moved out.
    std::string take();

private:
    void escape(std::string_view text, bool attribute);
    void spill();
    std::function<void(const std::string&)> sink_;
    std::string out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    int depth_ = 0;
};

// The five predefined entities and numeric references decoded; anything else
// is kept as it stands.
std::u16string decodeEntities(std::u16string_view text);

// NFC of the text (ICU); the text itself when ICU refuses it.
std::u16string toNfc(std::u16string_view text);
bool isNfc(std::u16string_view text);

// Bidi embedding, override, isolate and mark characters, which a logical-order
// transcription must not hold.
bool hasBidiControl(std::u16string_view text);
// Every character of a non-empty word is the tatweel U+0640.
bool isTatweelOnly(std::u16string_view word);

// A confidence as every format here writes it: "0.93".
std::string twoDecimals(double value);

// The UTF-8 text of a zone attribute value: entities decoded, NFC, white
// space runs reduced to single spaces, trimmed.
std::string cleanZoneText(std::u16string_view value);

}  // namespace tavo
