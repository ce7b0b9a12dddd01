// The shared tables of -meta: "Writers.csv" (writer id, ..., origin, age,
// gender, education, training) and "Docs.csv" (document id, ..., type).
// They live in the folder named by TAVOALIGN_TABLES, else in the current
// folder.  A table that is missing, or has no row for the id, gives
// "UNKNOWN" values; it never stops the command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo {

// The folder of the shared tables; empty for the current folder.
std::u16string tableFolder();

// One table row cut at its commas after eight commas were appended, so
// columns 0 to 7 always exist; what follows the last comma is dropped and
// every empty field becomes "UNKNOWN".
std::vector<std::string> splitTableRow(std::string_view row);

// ` origin = "..." age = "..." gender = "..." education = "..." training = "..."`
// without the leading blank, values from columns 3 to 7 of the writer's row.
std::u16string writerAttributes(int writerId, std::u16string_view folder);

// `type = "UNKNOWN"` when the document has no row, else ` type = "..." `
// (with a blank on each side) from column 2 of its row.
std::u16string documentType(int documentId, std::u16string_view folder);

}  // namespace tavo
