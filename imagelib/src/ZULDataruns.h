// One horizontal run of ink: a row and the half-open column range
// [start, end) it covers.
#pragma once

#include <cstdint>

class ZULDataruns {
public:
    ZULDataruns() = default;
    ZULDataruns(std::int32_t runRow, std::int32_t runStart, std::int32_t runEnd)
        : row(runRow), start(runStart), end(runEnd)
    {
    }
    ZULDataruns(const ZULDataruns&) = default;
    ZULDataruns& operator=(const ZULDataruns&) = default;
    ZULDataruns(ZULDataruns&&) = default;
    ZULDataruns& operator=(ZULDataruns&&) = default;
    // Inline, so that a list of runs is released without a call per run.
    virtual ~ZULDataruns() = default;

    std::int32_t length() const { return end - start; }

    std::int32_t row = 0;
    std::int32_t start = 0;  // first column of the run
    std::int32_t end = 0;    // one past the last column
};
