#include "ZULDataruns.h"

ZULDataruns::~ZULDataruns() = default;
