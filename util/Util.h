// util/: the helpers every other folder builds on.
//
//   Report.h     Report, RuntimeFailure, exit statuses: what a command hands back
//   Strings.h    narrow/wide/UTF-8 conversion, isCSpace, parseInt, atoiValue, leadingInt, parseIntList
//   CodePage.h   Windows-1256 code page conversion
//   TextFile.h   CTextFileRead, CTextFileWrite: line files in four encodings (atomic, via ZULAtomicFile)
//   LineFiles.h  whole-file read and write for the editing commands
//   FileDigest.h addFileDigest: a 64-bit digest of a file's bytes
//
// Including this header gives all of them.
#pragma once

#include "util/CodePage.h"
#include "util/FileDigest.h"
#include "util/LineFiles.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "util/TextFile.h"
