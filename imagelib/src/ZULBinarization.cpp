#include "ZULBinarization.h"

ZULBinarization::~ZULBinarization() = default;
