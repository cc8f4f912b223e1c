#include "grid/grid_edit.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "engine/errors.h"
#include "engine/fixed_text.h"
#include "engine/name_bytes.h"
#include "engine/number_text.h"

namespace vd {

std::string GridClipboardText(std::string_view clip) {
    std::string text(kCopyTag);
    text += clip;
    return text;
}

std::string NormalizeRowEnds(std::string_view text, bool dropTrailingEmptyRow) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\r';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            out += '\r';
        } else {
            out += text[i];
        }
    }
    if (dropTrailingEmptyRow && !out.empty() && out.back() == '\r') out.pop_back();
    return out;
}

BlockSize TextBlockSize(std::string_view text) {
    BlockSize size;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\r', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        int cells = 1;
        for (char ch : line)
            if (ch == '\t') ++cells;
        ++size.rows;
        if (cells > size.cols) size.cols = cells;
        pos = end + 1;
    }
    return size;
}

bool HasBinaryCharacters(std::string_view text) {
    // A block's text parts its cells with tabs and its rows with line ends;
    // any other control character is in a cell.
    return std::any_of(text.begin(), text.end(), [](unsigned char ch) {
        return IsControlByte(ch) && ch != '\t' && ch != '\r' && ch != '\n';
    });
}

CellBlock PasteTarget(const CellBlock& copied, int row, int col, int rows, int cols) {
    CellBlock t;
    t.Row = row;
    t.Col = col;
    t.ColSel = col + std::abs(copied.ColSel - copied.Col);
    if (t.ColSel > cols - 1) t.ColSel = cols - 1;
    t.RowSel = row + std::abs(copied.RowSel - copied.Row);
    if (t.RowSel > rows - 1) t.RowSel = rows - 1;
    return t;
}

void UndoStack::Push(UndoEntry entry) {
    if (Depth < 1) return;
    if (Count() >= Depth) snapshots_.erase(snapshots_.begin(), snapshots_.begin() + (Count() - Depth + 1));
    snapshots_.push_back(std::move(entry));
}

std::optional<UndoEntry> UndoStack::Pop() {
    if (snapshots_.empty()) return std::nullopt;
    UndoEntry e = std::move(snapshots_.back());
    snapshots_.pop_back();
    return e;
}

bool StoresText(int code) {
    switch (code) {
        case 1: case 2: case 52: case 54: case 100:
        case 79: case 80: case 81: case 83: case 84:
        case 89: case 90: case 96:
            return true;
        default:
            return false;
    }
}

bool StoresNumber(int code) {
    switch (code) {
        case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11:
        case 15: case 17: case 18: case 20: case 21: case 24: case 26: case 27: case 28:
        case 31: case 32: case 37: case 38: case 40: case 41: case 42:
        case 53: case 55: case 57: case 88: case 91:
            return true;
        default:
            return (code >= 60 && code <= 71) || code == 82 || (code >= 85 && code <= 87);
    }
}

bool StoresSingle(int code) { return StoresNumber(code) && code != 53 && code != 88; }

namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::optional<std::string> CellTextProblem(int code, std::string_view text, std::string_view title) {
    const std::string column = Trim(title).empty() ? std::string("this column") : Trim(title);
    if (HoldsControlByte(text))
        return column + ": the text holds control characters and was not stored.";
    if (StoresText(code)) {
        if (text.size() > 20)
            return column + ": " + Quoted(text) + " has " + NumText(static_cast<long long>(text.size())) +
                   " characters; a cell holds at most 20. The text was not stored.";
        return std::nullopt;
    }
    if (!StoresNumber(code)) return std::nullopt;
    const bool whole = code == 53 || code == 88;
    const OneNumber n = whole ? ReadOneNumber(text) : ReadOneSingle(text);
    if (n.kind == OneNumber::Blank) return std::nullopt;
    if (n.kind != OneNumber::Number)
        return column + ": " + NumberRefusal(text, n.kind) +
               (n.kind == OneNumber::NotANumber ? ". Type one number, with a point as the decimal mark (12.5)" : "") +
               ". The value was not stored.";
    if (whole && std::fabs(n.value) > 32767.0)
        return column + ": " + Quoted(text) + " is not a number from -32767 to 32767. The value was not stored.";
    return std::nullopt;
}

}  // namespace vd
