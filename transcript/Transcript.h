// transcript/: the text-only checking and editing commands, one file per switch group.
//
//   Filter.h             -filter
//   Merge.h              -merge
//   Meta.h               -meta (tables in MetaTables.h)
//   Fix.h                -fix
//   Replace.h            -replace (matching in RuleMatcher.h)
//   PuncDigi.h           -punc, -digi
//   ReverseIndicShift.h  -reverse, -indic, -shift
//   Verify.h             -verify (chain in ReadingOrder.h)
//
// Including this header gives all of them.
#pragma once

#include "transcript/Filter.h"
#include "transcript/Fix.h"
#include "transcript/Merge.h"
#include "transcript/Meta.h"
#include "transcript/PuncDigi.h"
#include "transcript/Replace.h"
#include "transcript/ReverseIndicShift.h"
#include "transcript/Verify.h"
