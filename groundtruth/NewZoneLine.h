// The zone lines the word commands write: the fixed head, then each attribute
// as name="value" followed by one space, then the closing text.
#pragma once

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <string>
#include <string_view>

namespace tavo {

class NewZoneLine {
public:
    NewZoneLine() : line_(u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" ") {}

    NewZoneLine& add(std::u16string_view name, std::u16string_view value)
    {
        line_ += name;
        line_ += u"=\"";
        line_ += value;
        line_ += u"\" ";
        return *this;
    }
    NewZoneLine& add(std::u16string_view name, int value) { return add(name, toWide(intToText(value))); }

    // The finished line; the usual end is "> </DL_ZONE>".
    std::u16string finish(std::u16string_view end = u"> </DL_ZONE>")
    {
        line_ += end;
        return std::move(line_);
    }

private:
    std::u16string line_;
};

}  // namespace tavo
