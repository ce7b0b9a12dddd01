#include "ZULShape.h"
