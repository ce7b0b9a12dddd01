// groundtruth/: the zone-line and zone-document model of ground-truth files.
//
//   ZoneLine.h          attribute access and escaping, isZoneLine, intAttribute, appendAttribute
//   NewZoneLine.h       NewZoneLine: the builder of new zone lines
//   ZoneBox.h           ZoneBox, readZoneBox, zoneInsidePage, zoneFitsPage
//   CutList.h           readZoneCuts, joinOffsets: the offsets attribute
//   ZoneDocument.h      ZoneDocument: a file as head, text-line zones and tail
//   FinishingPass.h     finishPass: temp.xml to the final output
//   GroundTruthNames.h  the fixed names every file carries
//
// Including this header gives all of them.
#pragma once

#include "groundtruth/CutList.h"
#include "groundtruth/FinishingPass.h"
#include "groundtruth/GroundTruthNames.h"
#include "groundtruth/NewZoneLine.h"
#include "groundtruth/ZoneBox.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
