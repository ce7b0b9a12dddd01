// The zones of one page as the editor sees them, and the edits the server
// applies to them: split a word, merge two, move one to another line,
// renumber the reading order.  Pure functions: nothing is read or written.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tavo {

struct EditBox {
    int x = 0, y = 0, w = 0, h = 0;
    int right() const { return x + w; }  // one past the last column
    bool operator==(const EditBox&) const = default;
};

// One line or word zone.  Words name the index of their line zone in the
// same list (-1: none).  Pawboxes run right to left, baseline points left
// to right, as the zone lines carry them.
struct EditZone {
    bool isLine = false;
    int line = -1;
    EditBox box;
    std::u16string text;
    std::optional<double> confidence;
    std::optional<std::u16string> doubt;
    bool checked = false;
    std::vector<EditBox> pawboxes;
    std::vector<std::pair<int, int>> polygon;
    std::vector<std::pair<int, int>> baseline;
    // 1-based line of the zone in the file it was read from, so a save can
    // keep the attributes the editor does not know; 0 for a new zone.
    long ref = 0;
    bool operator==(const EditZone&) const = default;
};

// A request the zones cannot satisfy (an index out of range, a line zone
// where a word is needed, a column outside the word): the server answers 400.
class EditError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct EditOp {
    enum class Type { Split, Merge, Move, Renumber };
    Type type = Type::Renumber;
    int zone = -1;   // split, move: the word; merge: the first word
    int other = -1;  // merge: the second word
    int x = 0;       // split: the page column asked for
    int dir = 0;     // move: -1 the line above, 1 the line below
};

// The column a split at x cuts: the middle of the gap between two
// neighbouring PAW boxes nearest x, when the word has such a gap inside it,
// else x itself.
int snapSplitColumn(const EditZone& word, int x);

// The zones after the edit.  The edited words are marked checked and lose
// their confidence and doubt; the lines they belong to are put back in
// reading order (words right to left).  Throws EditError.
std::vector<EditZone> applyEdit(std::vector<EditZone> zones, const EditOp& op);

// The zones with the unchecked words of line zone `line` replaced by words
// (their `line` is set); a new word that overlaps a checked word of the line
// is left out, so checked words are never replaced.  The line's words are
// then in reading order.  Throws EditError when `line` is not a line zone.
std::vector<EditZone> replaceLineWords(std::vector<EditZone> zones, int line, std::vector<EditZone> words);

// Puts the zones in reading order: line zones first (sorted by row when
// sortLines is set), then the words of each line in the order of the lines,
// the words of the lines marked in `resort` (all lines when it is empty)
// right to left, the others as they stood, then the words of no line.  The
// words' line indices follow the lines.
std::vector<EditZone> renumberZones(std::vector<EditZone> zones, const std::vector<int>& resort,
                                    bool sortLines);

// The line of each word read from a words file beside its lines file: the
// line zone it overlaps most (the first of equals), -1 when none overlaps
// it.  A save records the line of every word placed otherwise by hand
// (linezone), and the reader then follows the record.  n log n.
void assignWordsToLines(std::vector<EditZone>& zones);

}  // namespace tavo
