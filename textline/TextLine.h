// textline/: text-line detection and -textline.
//
//   TextLines.h     detectTextLines (profiles in TextLineProfiles.cpp)
//   PageInk.h       PageInk: the ink of a cleaned page as runs by row
//   PageDocument.h  -textline: writePageDocument
//
// Including this header gives all of them.
#pragma once

#include "textline/PageDocument.h"
#include "textline/PageInk.h"
#include "textline/TextLines.h"
