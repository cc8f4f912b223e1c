#include "workspace/excel_import.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "engine/errors.h"
#include "engine/name_bytes.h"
#include "engine/number_text.h"
#include "engine/project_reset.h"
#include "workspace/line_rows.h"

namespace vd {

namespace {

// CInt of a box that holds one number; nullopt when it holds anything else
// or a number that does not fit.
std::optional<long long> BoxInteger(const std::string& box) {
    const OneNumber n = ReadOneNumber(box);
    if (n.kind != OneNumber::Number) return std::nullopt;
    const double v = RoundHalfEven(n.value);
    if (!std::isfinite(v) || std::fabs(v) > 1e15) return std::nullopt;
    return static_cast<long long>(v);
}

// The leading number of the cell's text, as a float.
std::optional<float> LeadingFloat(const CellValue& cell) {
    std::string text;
    if (!CellText(cell, text)) return std::nullopt;
    try {
        return SingleValue(Val(text));
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

std::optional<double> LeadingNumber(const CellValue& cell) {
    std::string text;
    if (!CellText(cell, text)) return std::nullopt;
    try {
        double v = Val(text);
        if (std::isfinite(v)) return v;
    } catch (const RuntimeError&) {
    }
    return std::nullopt;
}

// A text cell where a number belongs, read as the grid reads a typed one.
OneNumber TextNumber(const CellValue& cell) { return ReadOneNumber(cell.text.toLatin1().toStdString()); }

// A text of blanks only, which a number field takes as an empty cell.
bool BlankText(const CellValue& cell) {
    return cell.kind == CellValue::Kind::Text && TextNumber(cell).kind == OneNumber::Blank;
}

// A text where a number belongs that is not one number with blanks around
// it ("0,004", "12abc", "1.5 m"), or one too large to hold: the grid
// refuses it when typed, and read by its leading number it would become
// another value unseen.
bool NotOneNumber(const CellValue& cell) {
    if (cell.kind != CellValue::Kind::Text) return false;
    const OneNumber::Kind kind = TextNumber(cell).kind;
    return kind == OneNumber::NotANumber || kind == OneNumber::TooLarge;
}

// The cell's value itself as a number: empty is 0, True -1; a text converts
// only when it is one number, with a point as the decimal mark (the user's
// decimal comma must not change what a cell means), or blank (0).
std::optional<double> ValueNumber(const CellValue& cell) {
    switch (cell.kind) {
        case CellValue::Kind::Empty: return 0.0;
        case CellValue::Kind::Number: return std::isfinite(cell.number) ? std::optional(cell.number) : std::nullopt;
        case CellValue::Kind::Bool: return cell.number != 0 ? -1.0 : 0.0;
        case CellValue::Kind::Text: {
            const OneNumber n = TextNumber(cell);
            if (n.kind == OneNumber::Number || n.kind == OneNumber::Blank) return n.value;
            return std::nullopt;
        }
        case CellValue::Kind::Error: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<float> ValueFloat(const CellValue& cell) {
    std::optional<double> v = ValueNumber(cell);
    return v ? SingleValue(*v) : std::nullopt;
}

// A number where a single-precision field takes it that lies beyond that
// field's range: left out, the field would keep 0 or an older value unseen.
bool BeyondSingle(const CellValue& cell) {
    const std::optional<double> v = ValueNumber(cell);
    return v && !SingleValue(*v);
}

std::optional<int16_t> ValueInteger(const CellValue& cell) {
    std::optional<double> v = ValueNumber(cell);
    if (!v) return std::nullopt;
    try {
        return CInt(*v);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// The cell's own value for a criterion: a number, or empty.
bool ValueCriterion(const CellValue& cell, Number& out) {
    if (cell.isEmpty() || BlankText(cell)) {
        out.reset();
        return true;
    }
    std::optional<double> v = ValueNumber(cell);
    if (!v) return false;
    out = *v;
    return true;
}

bool IsEnd(const CellValue& cell) { return cell.kind == CellValue::Kind::Text && cell.text == QStringLiteral("END"); }

std::string SheetKey(const QString& name) {
    // Only blanks are trimmed; tabs and other spaces stay part of the name.
    qsizetype first = 0, last = name.size();
    while (first < last && name[first] == ' ') ++first;
    while (last > first && name[last - 1] == ' ') --last;
    return name.mid(first, last - first).toUpper().toStdString();
}

std::string ColumnName(int column) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

// Cells the workbook import could not convert, or refuses, for one
// message: the first ten named, the rest only counted, as a book may hold
// millions.
struct Skipped {
    std::vector<std::string> cells;  // the first ten
    long long more = 0;
    void add(const std::string& sheet, long long row, int column) {
        if (cells.size() < 10)
            cells.push_back((sheet.empty() ? "" : sheet + "!") + ColumnName(column) + NumText(row));
        else
            ++more;
    }
    // "A1, B2 and 3 more"
    std::string list() const {
        std::string out;
        for (std::size_t n = 0; n < cells.size(); ++n) out += (n ? ", " : "") + cells[n];
        if (more > 0) out += " and " + NumText(more) + " more";
        return out;
    }
};

// Cells neither import stores: names holding a control character, texts
// where a number belongs that are not one number, and numbers too large
// for their field. Any of them refuses the import, all named in one message.
struct Refused {
    Skipped controls, numbers, large;
    bool any() const { return !controls.cells.empty() || !numbers.cells.empty() || !large.cells.empty(); }
    // Files a number cell that cannot be stored; true when it was one.
    bool number(const CellValue& cell, const std::string& sheet, long long row, int column) {
        Skipped* list = NotOneNumber(cell) ? &numbers : BeyondSingle(cell) ? &large : nullptr;
        if (list) list->add(sheet, row, column);
        return list != nullptr;
    }
    Outcome outcome() const {
        std::string text;
        if (!controls.cells.empty())
            text += "These cells hold a line break, a tab or another control character, which no name may hold: " +
                    controls.list() + ". ";
        if (!numbers.cells.empty())
            text += "These cells hold a text that is not one number where a number belongs: " + numbers.list() +
                    "; write one number, with a point as the decimal mark (12.5), or leave the cell empty. ";
        if (!large.cells.empty())
            text += "These cells hold a number too large for its field: " + large.list() + ". ";
        return Outcome::Fail(text + "Correct them in the workbook and import again. Nothing was imported.");
    }
};

}  // namespace

bool CellText(const CellValue& v, std::string& text) {
    switch (v.kind) {
        case CellValue::Kind::Empty: text.clear(); return true;
        case CellValue::Kind::Text: text = v.text.toLatin1().toStdString(); return true;
        case CellValue::Kind::Bool: text = v.number != 0 ? "True" : "False"; return true;
        case CellValue::Kind::Error: return false;
        case CellValue::Kind::Number: {
            if (v.number == 0) {
                text = "0";  // never "-0"
                return true;
            }
            text = GeneralNumberText(v.number, 15);
            return true;
        }
    }
    return false;
}

namespace {

// The refusal of a frame box: a text that is no number is said to be so in
// the words every box uses; a number out of range gets the range.
Outcome BoxRefusal(const std::string& box, const std::string& text, const std::string& range) {
    const OneNumber::Kind kind = ReadOneNumber(text).kind;
    const bool number = kind != OneNumber::NotANumber && kind != OneNumber::TooLarge;
    return Outcome::Fail(box + (number ? " must be " + range : ": " + NumberRefusal(text, kind)) +
                         ". Nothing was imported.");
}

}  // namespace

Outcome CheckExcelLineSettings(const ExcelLineSettings& s, ExcelLineColumns& out) {
    std::optional<long long> start = BoxInteger(s.startRow);
    if (!start || *start < 1 || *start > kSheetMaxRow)
        return BoxRefusal("\"Start import at row :\"", s.startRow, "a row number from 1 to " + NumText(kSheetMaxRow));
    std::optional<long long> textStart = BoxInteger(s.textStart);
    if (!textStart || *textStart < 1 || *textStart > kCellMaxText)
        return BoxRefusal("\"Start text at :\"", s.textStart,
                          "a character position from 1 to " + NumText(kCellMaxText));
    out.startRow = *start;
    out.textStart = static_cast<int>(*textStart);
    for (int k = 0; k < kImportFields; ++k) {
        std::optional<long long> c = BoxInteger(s.column[k]);
        // The From column decides where the table ends, ticked or not.
        bool used = s.ticked[k] || k == 0;
        if (used && (!c || *c < 1 || *c > kSheetMaxColumn))
            return BoxRefusal("The column of \"" + Trim(kImportFieldCaptions[k]) + "\"", s.column[k],
                              "a number from 1 to " + NumText(kSheetMaxColumn));
        out.column[k] = s.ticked[k] ? static_cast<int>(*c) : 0;
        if (k == 0) out.endColumn = static_cast<int>(*c);
    }
    return Outcome::Ok();
}

namespace {

bool HasLine(const Worksheet& sheet, const ExcelLineColumns& cols) {
    for (long long r = cols.startRow; r <= sheet.lastRow(); ++r) {
        const CellValue first = sheet.cell(r, cols.endColumn);
        if (IsEnd(first) || (first.isBlank() && sheet.cell(r + 1, cols.endColumn).isBlank())) return false;
        if (!first.isBlank()) return true;
    }
    return false;
}

// Says when the rows read hold everything the line import will look at:
// the table's end ("END" or two blank rows in the From column), or one
// line more than the largest line table takes.
class LineTableEnd {
public:
    explicit LineTableEnd(const ExcelLineColumns& cols) : cols_(cols), lastFilled_(cols.startRow - 1) {}
    bool operator()(const Worksheet& sheet) {
        const long long r = sheet.lastRow();
        if (r <= seen_ || r < cols_.startRow) return true;
        seen_ = r;
        const CellValue first = sheet.cell(r, cols_.endColumn);
        if (first.isBlank()) return r - lastFilled_ < 2;
        if (r - lastFilled_ >= 3 || IsEnd(first)) return false;
        lastFilled_ = r;
        return ++lines_ <= kMaxLineUpper;
    }

private:
    const ExcelLineColumns& cols_;
    long long lastFilled_, seen_ = 0, lines_ = 0;
};

Outcome NoLines(const std::string& sheet, const ExcelLineColumns& cols) {
    return Outcome::Fail("The " + (sheet.empty() ? std::string("sheet") : "active sheet \"" + sheet + "\"") +
                         " holds no lines: its column " + ColumnName(cols.endColumn) + " (From) is empty from row " +
                         NumText(cols.startRow) + " on, or the table ends there. Nothing was imported.");
}

// A cancel says only that.
Outcome NothingImported(const Outcome& o) {
    return o.message() == kWorkbookReadCancelled ? o : Outcome::Fail(o.message() + " Nothing was imported.");
}

}  // namespace

Outcome ImportExcelLines(Model& m, const Worksheet& sheet, const ExcelLineColumns& cols, const std::string& sheetName) {
    if (!HasLine(sheet, cols)) return NoLines("", cols);
    // The new project is built beside the open one and replaces it whole.
    Model work = m;
    ResetProject(work);
    work.Ui->SetProgressVisible(true);

    // The last row holding a value, so rows above a used range that starts
    // below row 1 are not lost.
    const long long N = sheet.lastRow();
    long long r = cols.startRow - 1;
    long long i = 0;
    AppendLog(work, "Import Xls");
    work.CreateLineTablesFor(N);

    const int c0 = cols.endColumn;
    std::string note;
    std::string text;
    Refused refused;
    while (true) {
        work.Ui->SetStatus("Import Xls row:" + NumText(r));
        ++r;
        work.Ui->SetProgress(N > 0 ? static_cast<int>(std::min<long long>(r * 100 / N, 100)) : 100);
        if (r > N) break;
        const CellValue first = sheet.cell(r, c0);
        if (IsEnd(first)) break;
        if (first.isBlank() && sheet.cell(r + 1, c0).isBlank()) break;
        if (first.isBlank()) continue;
        if (i + 1 > work.LineUpper()) {
            note = "The line table holds " + NumText(work.LineUpper()) + " lines; the import stopped at sheet row " +
                   NumText(r) + ", which was not read.";
            break;
        }
        ++i;
        LineRecord& line = work.Lines[static_cast<std::size_t>(i)];
        for (int k = 0; k < kImportFields; ++k) {
            if (cols.column[k] == 0) continue;  // not ticked
            const CellValue cell = sheet.cell(r, cols.column[k]);
            switch (k) {
                case 0:
                case 1:
                    if (CellText(cell, text)) {
                        std::string part = static_cast<std::size_t>(cols.textStart) <= text.size()
                                               ? text.substr(static_cast<std::size_t>(cols.textStart) - 1)
                                               : std::string();
                        if (HoldsControlByte(part)) refused.controls.add(sheetName, r, cols.column[k]);
                        (k == 0 ? line.From : line.to) = part;
                    }
                    break;
                case 9:
                case 10:
                    if (CellText(cell, text)) {
                        if (HoldsControlByte(text)) refused.controls.add(sheetName, r, cols.column[k]);
                        if (k == 9)
                            line.Latral = text;
                        else
                            line.MhType = text;
                    }
                    break;
                case 11:
                case 12:
                case 13:
                case 14: {
                    float* xy[] = {&line.X1, &line.Y1, &line.X2, &line.Y2};
                    if (!refused.number(cell, sheetName, r, cols.column[k]))
                        if (std::optional<float> v = ValueFloat(cell)) *xy[k - 11] = *v;
                    break;
                }
                default: {
                    float* field[] = {&line.Gr1, &line.Gr2, &line.Len, &line.Inv1, &line.Inv2, &line.Dia, &line.slope};
                    if (!refused.number(cell, sheetName, r, cols.column[k]))
                        if (std::optional<float> v = LeadingFloat(cell)) *field[k - 2] = *v;
                    break;
                }
            }
        }
        const std::string at = "Row:" + NumText(r) + " Line " + NumText(i);
        if (line.Len == 0) AppendLog(work, at + " Length=0");
        if (line.Gr1 - line.Inv1 < 1) AppendLog(work, at + " Depth1 <1");
        if (line.Gr2 - line.Inv2 < 1) AppendLog(work, at + " Depth2 <1");
        if (line.slope == 0) AppendLog(work, at + " Slope=0");
    }

    if (refused.any()) {
        work.Ui->SetProgress(0);
        work.Ui->SetStatus("");
        return refused.outcome();
    }
    work.LineCount = static_cast<int>(i);
    // The lateral table described the old lines.
    work.LatCount = 0;
    work.Ui->SetStatus("Import...");
    AppendLog(work, "end row=" + NumText(r) + "------- Line=" + NumText(i));
    AppendLog(work, "Import...");
    work.Ui->SetProgress(0);
    m = std::move(work);
    return Outcome::Ok(note);
}

Outcome ImportExcelLineFile(Model& m, const QString& path, const ExcelLineSettings& settings,
                            const WorkbookProgress& progress) {
    ExcelLineColumns cols;
    if (Outcome o = CheckExcelLineSettings(settings, cols); !o) return o;
    Outcome opened;
    std::unique_ptr<Workbook> wb = Workbook::Open(path, opened, progress);
    if (!wb) return NothingImported(opened);
    SheetReadOptions options;
    options.lastColumn = *std::max_element(cols.column.begin(), cols.column.end());
    options.lastColumn = std::max(options.lastColumn, cols.endColumn);
    options.keepReading = LineTableEnd(cols);
    options.progress = progress;
    Worksheet sheet;
    if (Outcome o = wb->loadSheet(wb->activeSheet(), sheet, options); !o) return NothingImported(o);
    const std::string sheetName = wb->sheetNames()[wb->activeSheet()].toLatin1().toStdString();
    if (!HasLine(sheet, cols)) return NoLines(sheetName, cols);
    return ImportExcelLines(m, sheet, cols, sheetName);
}

namespace {

constexpr int kSewerColumns = 18;
constexpr int kSewerEndColumns = 11;
constexpr int kDiaEndColumns = 8;

// True when the row ends a table: "END" in column 1, or its first `width`
// columns all blank.
bool EndsTable(const Worksheet& sheet, long long r, int width) {
    if (IsEnd(sheet.cell(r, 1))) return true;
    for (int c = 1; c <= width; ++c)
        if (!sheet.cell(r, c).isBlank()) return false;
    return true;
}

// Rows of the "SEWER" sheet into lines 1.. of the table; returns the note
// when the table was too small for the sheet.
std::string ReadSewerSheet(Model& m, const Worksheet& sheet, Skipped& skipped, Refused& refused) {
    // Fields the sheet has no column for (inverts, laterals, manhole types)
    // keep what the lines held.
    std::string note;
    long long r = 2;
    for (;; ++r) {
        if (EndsTable(sheet, r, kSewerEndColumns)) break;
        if (r - 1 > kMaxLineUpper) {
            note = "The sheet SEWER holds more lines than the line table (" + NumText(kMaxLineUpper) +
                   "); the rows from row " + NumText(r) + " on were not read.";
            break;
        }
        if (r - 1 > m.LineUpper()) m.FitLineTables(std::min<long long>(2 * (r - 1), kMaxLineUpper));
        LineRecord& line = m.Lines[static_cast<std::size_t>(r - 1)];
        std::string text;
        for (int c = 1; c <= kSewerColumns; ++c) {
            const CellValue cell = sheet.cell(r, c);
            bool stored = true;
            if (c == 1 || c == 2 || c == 14) {
                stored = CellText(cell, text);
                if (stored && HoldsControlByte(text)) refused.controls.add("SEWER", r, c);
                if (stored && c == 1) line.From = text;
                if (stored && c == 2) line.to = text;
                if (stored && c == 14) line.Status = TrimRight(text);
            } else {
                float* field[] = {nullptr,         nullptr,    nullptr, &line.Gr1,  &line.Gr2,    &line.Len,
                                  &line.Qadd,      &line.Area1_sub, &line.Pop1, &line.Area2_sub, &line.Pop2,
                                  &line.Dia,       &line.slope, &line.Mincover, nullptr, &line.X1, &line.Y1,
                                  &line.X2,        &line.Y2};
                if (refused.number(cell, "SEWER", r, c)) continue;
                std::optional<float> v = LeadingFloat(cell);
                if (v) *field[c] = *v;
                stored = v.has_value();
            }
            if (!stored) skipped.add("SEWER", r, c);
        }
    }
    m.LineCount = static_cast<int>(r - 2);
    m.FitLineTables(m.LineCount);
    m.LatCount = 0;  // the lateral table described the old lines
    return note;
}

std::string ReadDiaSheet(Model& m, const Worksheet& sheet, Skipped& skipped, Refused& refused) {
    const int rows = static_cast<int>(m.DiaTable.size()) - 1;
    std::string note;
    long long r = 2;
    for (;; ++r) {
        if (EndsTable(sheet, r, kDiaEndColumns)) break;
        if (r - 1 > rows) {
            note = "The sheet DIA holds more pipe sizes than the table (" + NumText(rows) + "); the rows from row " +
                   NumText(r) + " on were not read.";
            break;
        }
        DiaRecord& d = m.DiaTable[static_cast<std::size_t>(r - 1)];
        float* field[] = {nullptr, &d.Dia, &d.Mins, &d.Maxvel, &d.HdMax, &d.nCoef, &d.Pipeprice, &d.PipeCons, nullptr, &d.MhCons};
        for (int c = 1; c <= 9; ++c) {
            if (c == 8) continue;  // not part of the table
            const CellValue cell = sheet.cell(r, c);
            if (refused.number(cell, "DIA", r, c)) continue;
            std::optional<float> v = c <= 2 ? ValueFloat(cell) : LeadingFloat(cell);
            if (v)
                *field[c] = *v;
            else
                skipped.add("DIA", r, c);
        }
    }
    m.DiaCount = static_cast<int>(r - 2);
    return note;
}

void ReadProjectSheet(Model& m, const Worksheet& sheet, Skipped& skipped, Refused& refused) {
    DesignCriteria& k = m.Criteria;
    ++k.Replaced;
    // A text in a number's row that is not one number stores nothing and
    // refuses the import.
    auto cell = [&](int row) {
        CellValue v = sheet.cell(row, 2);
        if (row != 11 && NotOneNumber(v)) {
            refused.numbers.add("PROJECT", row, 2);
            v.kind = CellValue::Kind::Error;
        }
        return v;
    };
    Number* leading[] = {nullptr, &k.LPCD1, &k.LPCD2, &k.Connect1, &k.Connect2, &k.GroundWaterLevel,
                         &k.InflowPercent, &k.MinCoverDefault, &k.MinVelocity, &k.MinHD, &k.MhHeadloss};
    for (int row = 1; row <= 10; ++row) {
        if (std::optional<double> v = LeadingNumber(cell(row)))
            *leading[row] = *v;
        else
            skipped.add("PROJECT", row, 2);
    }
    std::string text;
    if (CellText(cell(11), text)) {
        if (HoldsControlByte(text)) refused.controls.add("PROJECT", 11, 2);
        k.NVariable = text;
    } else
        skipped.add("PROJECT", 11, 2);
    if (std::optional<int16_t> v = ValueInteger(cell(13)))
        k.InfMode = *v;
    else
        skipped.add("PROJECT", 13, 2);
    if (std::optional<int16_t> v = ValueInteger(cell(17))) {
        k.Pop1Mode = *v;
        k.Pop2Mode = *v;
    } else {
        skipped.add("PROJECT", 17, 2);
    }
    const std::pair<int, Number*> values[] = {
        {14, &k.Inf2},         {15, &k.Inf1}, {20, &k.ReturnPeriod}, {21, &k.MinConTime}, {22, &k.A1},
        {23, &k.B1},           {24, &k.C1},   {25, &k.InterConTime}, {26, &k.A2},         {27, &k.B2},
        {28, &k.C2},           {29, &k.CValue}, {30, &k.InletTime},  {31, &k.AreaCoef}};
    for (const auto& [row, target] : values)
        if (!ValueCriterion(cell(row), *target)) skipped.add("PROJECT", row, 2);
}

}  // namespace

Outcome ImportExcelWorkbook(Model& m, const Workbook& wb, const WorkbookProgress& progress) {
    m.Ui->SetProgress(10);
    // Every sheet the import uses is read before anything changes, each no
    // further than its table can take (and one row more, to say so).
    std::vector<std::pair<std::string, Worksheet>> sheets;
    for (int s = 0; s < wb.sheetNames().size(); ++s) {
        std::string key = SheetKey(wb.sheetNames()[s]);
        if (key != "SEWER" && key != "DIA" && key != "PROJECT") continue;
        SheetReadOptions options;
        options.progress = progress;
        const int lastRow = key == "SEWER" ? kMaxLineUpper + 2
                            : key == "DIA" ? static_cast<int>(m.DiaTable.size()) + 1
                                           : 31;
        options.lastColumn = key == "SEWER" ? kSewerColumns : key == "DIA" ? 9 : 2;
        options.keepReading = [lastRow](const Worksheet& ws) { return ws.lastRow() < lastRow; };
        Worksheet sheet;
        if (Outcome o = wb.loadSheet(s, sheet, options); !o) {
            m.Ui->SetProgress(0);
            return NothingImported(o);
        }
        if (key == "SEWER" && EndsTable(sheet, 2, kSewerEndColumns)) {
            m.Ui->SetProgress(0);
            return Outcome::Fail("The sheet \"" + wb.sheetNames()[s].toLatin1().toStdString() +
                                 "\" holds no lines: its row 2 is empty or \"END\". Nothing was imported.");
        }
        sheets.emplace_back(key, std::move(sheet));
    }
    if (sheets.empty()) {
        m.Ui->SetProgress(0);
        return Outcome::Fail("The workbook has no sheet named SEWER, DIA or PROJECT. Nothing was imported.");
    }

    Model work = m;
    Skipped skipped;
    Refused refused;
    std::vector<std::string> notes;
    for (const auto& [key, sheet] : sheets) {
        if (key == "SEWER") {
            if (std::string n = ReadSewerSheet(work, sheet, skipped, refused); !n.empty()) notes.push_back(n);
            work.Ui->SetProgress(60);
        } else if (key == "DIA") {
            if (std::string n = ReadDiaSheet(work, sheet, skipped, refused); !n.empty()) notes.push_back(n);
            work.Ui->SetProgress(80);
        } else {
            ReadProjectSheet(work, sheet, skipped, refused);
        }
    }
    if (refused.any()) {
        m.Ui->SetProgress(0);
        return refused.outcome();
    }
    work.Ui->SetProgress(100);
    m = std::move(work);

    if (!skipped.cells.empty())
        notes.push_back("These cells hold no value that fits and were left out: " + skipped.list() + ".");
    std::string note;
    for (const std::string& n : notes) note += (note.empty() ? "" : "\n") + n;
    return Outcome::Ok(note);
}

Outcome ImportExcelWorkbookFile(Model& m, const QString& path, const WorkbookProgress& progress) {
    Outcome opened;
    std::unique_ptr<Workbook> wb = Workbook::Open(path, opened, progress);
    if (!wb) return NothingImported(opened);
    return ImportExcelWorkbook(m, *wb, progress);
}

}  // namespace vd
