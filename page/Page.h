// page/: page images and the commands that work on whole pages.
//
//   PageFile.h          loadPage, loadWorkingPage, savePage: the one loader and saver
//   InkClustering.h     two-means clustering of ink counts
//   InkBox.h            tight ink boxes of word and line images
//   ZoneMarks.h         markZone: red zone frames and cuts on the working page
//   BinarizeCommands.h  -bin, -niblack, -keepline
//   Render.h            -render
//
// Including this header gives all of them.
#pragma once

#include "page/BinarizeCommands.h"
#include "page/InkBox.h"
#include "page/InkClustering.h"
#include "page/PageFile.h"
#include "page/Render.h"
#include "page/ZoneMarks.h"
