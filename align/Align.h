// align/: the line and word alignment commands.
//
//   Paw.h           -paw (PawCommands.cpp)
//   SoloPaw.h       -solopaw, -updatepaw (PawCommands.cpp)
//   PawMarker.h     markPaws and the other PAW text marks
//   ColumnCuts.h    findColumnCuts, findZoneCuts: white gaps of a line image
//   Words.h         -word (WordGrouping.cpp), -segword (WordSegmentation.cpp), splitWords
//   WordText.h      text helpers of the word commands
//   ZoneImage.h     a zone cut out of the working page
//   LineRewrite.h   the zone-line loop the alignment commands share
//   SplitWord.h     -splitword
//   ShrinkRefine.h  -shrink, -refine
//   ZoneRefine.h    ZoneRefiner: the zone refinement of -refine
//
// Including this header gives all of them.
#pragma once

#include "align/ColumnCuts.h"
#include "align/LineRewrite.h"
#include "align/Paw.h"
#include "align/PawMarker.h"
#include "align/ShrinkRefine.h"
#include "align/SoloPaw.h"
#include "align/SplitWord.h"
#include "align/WordText.h"
#include "align/Words.h"
#include "align/ZoneImage.h"
#include "align/ZoneRefine.h"
