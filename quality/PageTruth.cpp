#include "quality/PageTruth.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

namespace tavo::quality {

using nlohmann::json;

Box unite(const Box& a, const Box& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    const int x0 = std::min(a.x, b.x);
    const int y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w);
    const int y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

double iou(const Box& a, const Box& b)
{
    if (a.empty() || b.empty())
        return 0.0;
    const long long iw = std::min<long long>(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
    const long long ih = std::min<long long>(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
    if (iw <= 0 || ih <= 0)
        return 0.0;
    const double inter = double(iw) * double(ih);
    return inter / (double(a.w) * a.h + double(b.w) * b.h - inter);
}

namespace {

json boxJson(const Box& b) { return json::array({b.x, b.y, b.w, b.h}); }

// Four integers, sides not negative and small enough that corners fit in
// 32 bits.
Box boxFrom(const json& j)
{
    if (!j.is_array() || j.size() != 4)
        throw std::runtime_error("a box is not a list of four numbers");
    Box b;
    int* fields[4] = {&b.x, &b.y, &b.w, &b.h};
    for (int i = 0; i < 4; ++i) {
        if (!j[i].is_number_integer())
            throw std::runtime_error("a box holds a value that is not an integer");
        const long long v = j[i].get<long long>();
        if (v < -(1LL << 30) || v > (1LL << 30) || (i >= 2 && v < 0))
            throw std::runtime_error("a box has a coordinate or side out of range");
        *fields[i] = static_cast<int>(v);
    }
    return b;
}

std::string textFrom(const json& j, const char* key)
{
    const auto it = j.find(key);
    if (it == j.end())
        return {};
    if (!it->is_string())
        throw std::runtime_error(std::string("\"") + key + "\" is not a string");
    return it->get<std::string>();
}

const json& member(const json& j, const char* key)
{
    const auto it = j.find(key);
    if (it == j.end())
        throw std::runtime_error(std::string("missing \"") + key + '"');
    return *it;
}

const json& listMember(const json& j, const char* key)
{
    const json& v = member(j, key);
    if (!v.is_array())
        throw std::runtime_error(std::string("\"") + key + "\" is not a list");
    return v;
}

TruthLine lineFrom(const json& j)
{
    if (!j.is_object())
        throw std::runtime_error("a line is not an object");
    TruthLine line;
    line.text = textFrom(j, "text");
    line.box = boxFrom(member(j, "bbox"));
    if (!j.contains("words"))
        return line;
    for (const json& w : listMember(j, "words")) {
        if (!w.is_object())
            throw std::runtime_error("a word is not an object");
        TruthWord word;
        word.text = textFrom(w, "text");
        word.box = boxFrom(member(w, "bbox"));
        if (w.contains("paws"))
            for (const json& p : listMember(w, "paws"))
                word.paws.push_back(boxFrom(p));
        line.words.push_back(std::move(word));
    }
    return line;
}

int intMember(const json& j, const char* key)
{
    const auto it = j.find(key);
    if (it == j.end())
        return 0;
    if (!it->is_number_integer() || it->get<long long>() < 0 || it->get<long long>() > (1LL << 30))
        throw std::runtime_error(std::string("\"") + key + "\" is not a size");
    return it->get<int>();
}

}  // namespace

std::string truthToJson(const PageTruth& truth)
{
    json lines = json::array();
    for (const TruthLine& line : truth.lines) {
        json words = json::array();
        for (const TruthWord& word : line.words) {
            json paws = json::array();
            for (const Box& p : word.paws)
                paws.push_back(boxJson(p));
            words.push_back({{"text", word.text}, {"bbox", boxJson(word.box)}, {"paws", paws}});
        }
        lines.push_back({{"text", line.text}, {"bbox", boxJson(line.box)}, {"words", words}});
    }
    json extras = json::array();
    for (const Box& e : truth.extras)
        extras.push_back(boxJson(e));
    const json doc = {{"image", truth.image}, {"width", truth.width}, {"height", truth.height},
                      {"dpi", truth.dpi},     {"kind", truth.kind},   {"lines", lines},
                      {"extras", extras}};
    return doc.dump() + '\n';
}

std::optional<PageTruth> truthFromJson(const std::string& text, std::string& error)
{
    const json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) {
        error = "not a JSON document";
        return std::nullopt;
    }
    try {
        PageTruth truth;
        const json* lines = &doc;
        if (doc.is_object()) {
            truth.image = textFrom(doc, "image");
            truth.kind = textFrom(doc, "kind");
            truth.width = intMember(doc, "width");
            truth.height = intMember(doc, "height");
            truth.dpi = intMember(doc, "dpi");
            lines = &listMember(doc, "lines");
            if (doc.contains("extras"))
                for (const json& e : listMember(doc, "extras"))
                    truth.extras.push_back(boxFrom(e));
        } else if (!doc.is_array()) {
            throw std::runtime_error("neither a page object nor a list of lines");
        }
        for (const json& l : *lines)
            truth.lines.push_back(lineFrom(l));
        return truth;
    } catch (const std::exception& e) {
        error = e.what();
        return std::nullopt;
    }
}

std::optional<PageTruth> readTruthFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open truth file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return truthFromJson(text.str(), error);
}

}  // namespace tavo::quality
