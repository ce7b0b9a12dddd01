#include "ZULLineShape.h"

#include "ZULImage.h"

void ZULLineShape::zulDraw(ZULImage&) const {}
void ZULLineShape::zulPlotLine(ZULImage&, std::int64_t, std::int64_t, std::int64_t, std::int64_t, const Color&) {}
