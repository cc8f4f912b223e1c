// The plain parts of the grid's Edit menu: the clipboard text, the paste
// geometry, the undo stack, and the rules a cell text must meet before it is
// stored. No widget here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// The current cell and the other corner of a selection, as the grid holds
// them (unsorted).
struct CellBlock {
    int Row = 0, Col = 0, RowSel = 0, ColSel = 0;
};

// What Copy puts on the clipboard: "Copy" and the block's Clip text.
inline constexpr std::string_view kCopyTag = "Copy";
std::string GridClipboardText(std::string_view clip);

// Row ends of pasted text made CR, whether they came as CR LF, LF or CR.
// Text from other programs ends its last row with a row end: there one
// trailing empty row is dropped. A block copied in the grid keeps it, since
// there it is a row of empty cells.
std::string NormalizeRowEnds(std::string_view text, bool dropTrailingEmptyRow = true);

// Rows and the widest row's cells of a CR/Tab text.
struct BlockSize {
    int rows = 0, cols = 0;
};
BlockSize TextBlockSize(std::string_view text);

// True when the text holds characters no cell may hold: control characters
// other than Tab, CR and LF.
bool HasBinaryCharacters(std::string_view text);

// Where a "Copy" block lands: from the current cell, the copied block's size
// whichever way it was dragged, cut at the grid's last row and column.
CellBlock PasteTarget(const CellBlock& copied, int row, int col, int rows, int cols);

// The exact single-precision value each cell of a block stands for, row by
// row: a cell showing its field's own text stands for the field's value, not
// for the fewer digits it shows; nothing where a cell stands for its text.
using BlockValues = std::vector<std::optional<float>>;

// One snapshot of a block before a command blanked or overwrote it.
struct UndoEntry {
    std::string Text;  // each cell followed by a Tab, each row by a CR
    std::string Action;
    CellBlock Block;   // the grid's cell and selection corner then
    BlockValues Values;
};

// The block's texts as a snapshot holds them; cell(r, c) gives a text.
template <typename CellFn>
std::string SnapshotText(const CellBlock& b, CellFn cell) {
    const int r1 = b.Row < b.RowSel ? b.Row : b.RowSel, r2 = b.Row < b.RowSel ? b.RowSel : b.Row;
    const int c1 = b.Col < b.ColSel ? b.Col : b.ColSel, c2 = b.Col < b.ColSel ? b.ColSel : b.Col;
    std::string text;
    for (int r = r1; r <= r2; ++r) {
        for (int c = c1; c <= c2; ++c) {
            text += cell(r, c);
            text += '\t';
        }
        text += '\r';
    }
    return text;
}

// The undo snapshots, newest last, at most Depth of them; CopyBlock is the
// geometry of the last Copy, which Paste reads, with the text it put on the
// clipboard and the values its cells stood for.
class UndoStack {
public:
    void Reset(int depth = 10) {
        Depth = depth;
        CopyBlock = {};
        CopyText.clear();
        CopyValues.clear();
        snapshots_.clear();
    }
    // Rows moved: the snapshots no longer fit the grid; the Copy geometry stays.
    void ClearSnapshots() { snapshots_.clear(); }
    void Push(UndoEntry entry);
    std::optional<UndoEntry> Pop();
    int Count() const { return static_cast<int>(snapshots_.size()); }

    int Depth = 10;
    CellBlock CopyBlock;
    std::string CopyText;
    BlockValues CopyValues;

private:
    std::vector<UndoEntry> snapshots_;
};

// Column codes whose cells store a text, those whose cells store a number,
// and of those the ones whose field is single-precision.
bool StoresText(int code);
bool StoresNumber(int code);
bool StoresSingle(int code);

// Why a cell text cannot be stored into the field of `code`, or nothing when
// it can: a text over 20 characters, control characters, or in a number
// cell anything but one number the field holds, with blanks around it.
// `title` names the column in the message. Never throws.
std::optional<std::string> CellTextProblem(int code, std::string_view text, std::string_view title);

}  // namespace vd
