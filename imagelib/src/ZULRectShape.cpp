#include "ZULRectShape.h"

#include "ZULImage.h"

void ZULRectShape::zulDraw(ZULImage&) const {}
