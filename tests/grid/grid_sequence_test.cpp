// Random sequences of what an engineer does in the line view (type, paste
// from the grid and from other programs, past the end too, cut, delete, undo,
// insert and remove rows, texts the cells refuse pasted into rows added at
// the end, the column calculator's Ok), each ended by hiding the grid,
// saving and reopening. The reopened file must hold the table a plain model
// kept alongside: every cell as its text says, a cell showing the text it
// was loaded with (or was given back by Undo, whatever was written back in
// between) with exactly the bytes its field had then, and a number cell
// showing the text a paste of the grid's own block, Undo or the calculator
// gave it with exactly the value it was given.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "grid/column_calculator.h"
#include "grid/flex.h"
#include "grid/function_panel.h"
#include "grid/grid_edit.h"
#include "net_builder.h"
#include "platform/flex_grid.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"

namespace vd {
namespace {

constexpr int kCols = 16;  // the line view: number column and 15 fields

bool IsName(int col) { return col == 1 || col == 2 || col == 10 || col == 11; }
// The catalogue code of each column of the view.
constexpr int kCodes[kCols] = {0, 1, 2, 37, 38, 40, 41, 42, 31, 32, 52, 100, 68, 69, 70, 71};

float* Number(LineRecord& l, int col) {
    float* fields[] = {&l.Gr1, &l.Gr2, &l.Len, &l.Inv1, &l.Inv2, &l.Dia, &l.slope, nullptr, nullptr,
                       &l.X1,  &l.Y1,  &l.X2,  &l.Y2};
    return fields[col - 3];
}

// A name field without its padding (blanks, or NULs never assigned);
// leading blanks count.
std::string Name(const LineRecord& l, int col) {
    std::string_view v = col == 1 ? l.From.view() : col == 2 ? l.to.view() : col == 10 ? l.Latral.view() : l.MhType.view();
    while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
    return std::string(v);
}

// What a cell's field holds: a name or a number.
struct Value {
    std::string name;
    float number = 0;
    bool operator==(const Value&) const = default;
};

Value FieldValue(const LineRecord& l, int col) {
    if (IsName(col)) return {Name(l, col), 0};
    return {"", *Number(const_cast<LineRecord&>(l), col)};
}

Value TextValue(const std::string& text, int col) {
    if (IsName(col)) return {TrimRight(text), 0};
    return {"", static_cast<float>(Val(text))};
}

Value NumberValue(float v) { return {"", v}; }

bool Refused(int col, const std::string& text) { return CellTextProblem(kCodes[col], text, "").has_value(); }

// The plain model: the cells the grid should show, and for each cell the
// text and value it was loaded with, the text whose value its field holds
// now with that value (what a refused text gives way to), and in a number
// column the text it was last given with an exact value, or with none when
// given as standing for itself.
struct PlainTable {
    struct Cell {
        std::string text, baseText;
        Value base;
        std::string stored;
        Value storedValue;
        bool given = false;
        std::string givenText;
        std::optional<float> givenExact;
    };
    std::vector<std::vector<Cell>> rows;  // rows 1.. (row 0 unused)
    std::vector<bool> fresh;             // added since the last write-back
    struct Snapshot {
        int r1, c1, r2, c2;
        std::vector<std::string> texts;
        std::vector<std::optional<float>> values;
    };
    std::vector<Snapshot> undo;

    int count() const { return static_cast<int>(rows.size()) - 1; }
    std::string& text(int r, int c) { return rows[r][c].text; }

    // The exact value a number cell stands for: the one it was given with
    // its text, else for the loaded text the loaded value.
    std::optional<float> exact(int r, int c) const {
        const Cell& cell = rows[r][c];
        if (IsName(c)) return std::nullopt;
        if (cell.given && cell.text == cell.givenText) return cell.givenExact;
        if (!fresh[r] && cell.text == cell.baseText) return cell.base.number;
        return std::nullopt;
    }
    // What a write-back stores for the cell now.
    Value meaning(int r, int c) const {
        const Cell& cell = rows[r][c];
        if (!IsName(c) && cell.given && cell.text == cell.givenText)
            return cell.givenExact ? NumberValue(*cell.givenExact) : TextValue(cell.text, c);
        if (!fresh[r] && cell.text == cell.baseText) return cell.base;
        return TextValue(cell.text, c);
    }
    // A number cell given its present text with a value; a refused text
    // leaves what it was given before.
    void give(int r, int c, std::optional<float> value) {
        Cell& cell = rows[r][c];
        if (IsName(c) || (!value && Refused(c, cell.text))) return;
        cell.given = true, cell.givenText = cell.text, cell.givenExact = value;
    }
    std::vector<std::optional<float>> values(int r1, int c1, int r2, int c2) const {
        std::vector<std::optional<float>> out;
        for (int r = r1; r <= r2; ++r)
            for (int c = c1; c <= c2; ++c) out.push_back(exact(r, c));
        return out;
    }

    void push(int r1, int c1, int r2, int c2) {
        Snapshot s{r1, c1, r2, c2, {}, values(r1, c1, r2, c2)};
        for (int r = r1; r <= r2; ++r)
            for (int c = c1; c <= c2; ++c) s.texts.push_back(text(r, c));
        undo.push_back(s);
        if (undo.size() > 10) undo.erase(undo.begin());
    }
    bool rowBlank(int r) const {
        for (int c = 1; c < kCols; ++c)
            if (!Trim(rows[r][c].text).empty()) return false;
        return true;
    }
    // Rows added and left blank at the end are no lines.
    int lastLine() const {
        int last = count();
        while (last >= 1 && fresh[last] && rowBlank(last)) --last;
        return last;
    }
    // A refused text gives way to the stored one (blank in a row added),
    // which stands for exactly what the field holds.
    void refuse(int r, int c) {
        Cell& cell = rows[r][c];
        cell.text = fresh[r] ? std::string() : cell.stored;
        give(r, c, fresh[r] ? std::optional<float>(0.0f) : cell.storedValue.number);
    }
    // A write-back: refused texts give way, then rows added become lines
    // holding what their cells stand for; the other cells keep the text and
    // value they were loaded with.
    void writeBack() {
        for (int r = 1; r <= lastLine(); ++r)
            for (int c = 1; c < kCols; ++c) {
                Cell& cell = rows[r][c];
                if (Refused(c, cell.text)) {
                    refuse(r, c);
                    if (fresh[r]) cell.storedValue = TextValue("", c);
                } else {
                    cell.stored = cell.text, cell.storedValue = meaning(r, c);
                }
            }
        const int last = lastLine();
        for (int r = 1; r <= last; ++r) {
            if (!fresh[r]) continue;
            for (int c = 1; c < kCols; ++c) {
                Cell& cell = rows[r][c];
                cell.base = cell.storedValue, cell.baseText = cell.stored = cell.text;
            }
            fresh[r] = false;
        }
    }
    void insertBlank(int at) {
        rows.insert(rows.begin() + at, std::vector<Cell>(kCols));
        fresh.insert(fresh.begin() + at, true);
        undo.clear();
    }
    // Rows a paste adds past the end keep the undo snapshots.
    void appendBlank() {
        rows.emplace_back(kCols);
        fresh.push_back(true);
    }
};

class Sequences {
public:
    Sequences(Model& m, unsigned seed) : m_(m), rng_(seed) {}

    // Plays one sequence of `steps` actions on a freshly loaded line view;
    // the failure text, empty when the reopened file holds the plain table.
    std::string play(int steps, const std::string& folder) {
        ScriptedDialogs dialogs;
        Flex flex(m_, dialogs);
        flex.resize(1100, 500);
        flex.show();
        flex_ = &flex;
        g_ = test::Child<FlexGrid>(&flex, "MSFlexGrid1");
        box_ = test::Child<QLineEdit>(&flex, "txtEdit");
        flex.mnusewer();
        table_ = PlainTable();
        table_.rows.assign(static_cast<std::size_t>(m_.LineCount) + 1, std::vector<PlainTable::Cell>(kCols));
        table_.fresh.assign(table_.rows.size(), false);
        for (int r = 1; r <= m_.LineCount; ++r)
            for (int c = 1; c < kCols; ++c) {
                PlainTable::Cell& cell = table_.rows[r][c];
                cell.text = cell.baseText = cell.stored = g_->TextMatrix(r, c);
                cell.base = cell.storedValue = FieldValue(m_.Lines[r], c);
            }
        log_.clear();
        for (int i = 0; i < steps; ++i) step();
        settle();
        flex.hide();
        flex.frm7upDATE();
        table_.writeBack();
        flex_ = nullptr;

        if (!SaveProject(m_, "seq", folder)) return "not saved\n" + log_;
        Model back;
        back.ProjectFolder = folder;
        back.ProjectName = "seq";
        if (!LoadNetworkText(back, folder + "seq.asb")) return "not reopened\n" + log_;
        const int last = table_.lastLine();
        if (back.LineCount != last)
            return "lines " + std::to_string(back.LineCount) + ", table " + std::to_string(last) + "\n" + log_;
        for (int r = 1; r <= last; ++r)
            for (int c = 1; c < kCols; ++c) {
                const PlainTable::Cell& cell = table_.rows[r][c];
                const Value want = table_.meaning(r, c);
                const Value got = FieldValue(back.Lines[r], c);
                if (!(got == want)) {
                    char buf[200];
                    std::snprintf(buf, sizeof buf, "row %d col %d shows \"%s\": file holds \"%s\" %.9g, wanted \"%s\" %.9g\n",
                                  r, c, cell.text.c_str(), got.name.c_str(), got.number, want.name.c_str(), want.number);
                    return buf + log_;
                }
            }
        return {};
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    int rows() const { return g_->Rows(); }

    std::string numberText() {
        switch (pick(0, 6)) {
            case 0: return std::to_string(pick(-50, 500));
            case 1: return "-1.23100304104775E-05";  // longer than a cell
            case 2: return "." + std::to_string(pick(1, 99));
            case 3: return std::to_string(pick(1, 9)) + "E+0" + std::to_string(pick(1, 5));
            case 4: return "123456789012345678901234";
            default: {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.*f", pick(0, 4), pick(-99999, 999999) / 37.0);
                return buf;
            }
        }
    }
    std::string nameText() {
        static const char* parts[] = {"MH", "CA", "X", "A-", "N ", "7", "e9", "K.1"};
        std::string s;
        for (int n = pick(0, 3); n >= 0; --n) s += parts[pick(0, 7)];
        return Trim(s);
    }
    std::string validText(int col) { return IsName(col) ? nameText() : numberText(); }
    std::string refusedText(int col) {
        if (IsName(col)) return std::string(21 + pick(0, 9), 'W');
        static const char* bad[] = {"12abc", "1,5", "1E400", "x", "- ", "3 4"};
        return bad[pick(0, 5)];
    }
    // Refused texts as a paste leaves them in a cell: no blanks around them.
    std::string refusedCellText(int col) {
        const std::string t = refusedText(col);
        return t == "- " ? "abc" : t;
    }

    void select(int r1, int c1, int r2, int c2) {
        g_->setRowCol(r1, c1);
        g_->setRowSel(r2);
        g_->setColSel(c2);
    }
    // Texts, row by row, pasted from another program over the selection
    // (r1, c1)..(r2, c2), each row ending with `end`; the plain table takes
    // them as they are.
    void pasteFromOutside(int r1, int c1, int r2, int c2, const std::vector<std::string>& texts, const char* end) {
        std::string clip;
        std::size_t k = 0;
        for (int i = r1; i <= r2; ++i)
            for (int j = c1; j <= c2; ++j) clip += texts[k++] + (j < c2 ? "\t" : end);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(clip.c_str()));
        select(r1, c1, r2, c2);
        flex_->mnueditpaste_Click();
        table_.push(r1, c1, r2, c2);
        k = 0;
        for (int i = r1; i <= r2; ++i)
            for (int j = c1; j <= c2; ++j) table_.text(i, j) = texts[k++];
    }
    // The text typed last is stored by the next action, as any commit does;
    // a refused text leaves the cell as it was, or, when that was a refused
    // text, shows the stored text (none in a row added).
    void settle() {
        if (!pending_) return;
        PlainTable::Cell& cell = table_.rows[pendingRow_][pendingCol_];
        const bool line = !table_.fresh[pendingRow_];
        if (pendingFits_) {
            cell.text = pendingText_;
            if (line) cell.stored = cell.text, cell.storedValue = table_.meaning(pendingRow_, pendingCol_);
        } else if (Refused(pendingCol_, cell.text)) {
            cell.text = line ? cell.stored : std::string();
            table_.give(pendingRow_, pendingCol_, line ? std::optional<float>(cell.storedValue.number) : std::nullopt);
        }
        pending_ = false;
    }
    void note(const std::string& s) { log_ += s + "\n"; }

    // "Function" on column `target`: an operator with a constant or another
    // column. A result the column would refuse is left to other tests.
    void calculate(int target) {
        static const char* ops[] = {" =", " +", " --", " *", " /", " ^", " &"};
        const int op = IsName(target) ? (pick(0, 1) ? 0 : 6) : pick(0, 5);
        const int operandCol = pick(0, 2) ? -1 : pick(0, kCols - 1);
        const std::string constant = op == 0 || op == 6 ? validText(target) : std::to_string(pick(-3, 9));
        std::vector<std::optional<CalcResult>> results;
        for (int i = 1; i < rows(); ++i) {
            const std::string operand = operandCol < 0   ? constant
                                        : operandCol == 0 ? g_->TextMatrix(i, 0)
                                                          : table_.text(i, operandCol);
            const std::optional<float> operandExact = operandCol >= 1 ? table_.exact(i, operandCol) : std::nullopt;
            const std::string& now = table_.text(i, target);
            results.push_back(ApplyColumnOperator({now, table_.exact(i, target)}, {operand, operandExact}, ops[op],
                                                  !IsName(target)));
            if (results.back() && CellTextProblem(kCodes[target], results.back()->text, "")) {
                flex_->CommitCellEdit();  // the typed text is stored all the same
                return;
            }
        }
        note("function " + std::to_string(target) + ops[op] + " " +
             (operandCol < 0 ? constant : "column " + std::to_string(operandCol)));
        test::Child<QAction>(flex_, "mnufun")->trigger();
        auto* panel = test::Child<FunctionPanel>(flex_, "Frame2");
        test::Child<ListCombo>(panel, "Combo1")->setListIndex(target - 1);
        test::Child<ListCombo>(panel, "Combo3")->setListIndex(op);
        auto* operand = test::Child<ListCombo>(panel, "Combo2");
        operand->setListIndex(operandCol + 1);
        if (operandCol < 0) operand->setText(constant);
        test::Child<QPushButton>(panel, "Command7")->click();
        for (int i = 1; i < rows(); ++i)
            if (const auto& result = results[static_cast<std::size_t>(i - 1)]) {
                table_.text(i, target) = result->text;
                table_.give(i, target, result->exact);
            }
        table_.writeBack();
    }

    void step() {
        const int r = pick(1, rows() - 1), c = pick(1, kCols - 1);
        const int r2 = std::min(r + pick(0, 2), rows() - 1), c2 = std::min(c + pick(0, 2), kCols - 1);
        settle();
        switch (pick(0, 11)) {
            case 0:
            case 1:
            case 2: {  // type into a cell, as a click and keys do
                const bool fits = pick(0, 5) != 0;
                const std::string text = fits ? validText(c) : refusedText(c);
                note("type " + std::to_string(r) + "," + std::to_string(c) + " " + text);
                g_->setRowCol(r, c);
                flex_->CommitCellEdit();  // the grid's focus
                flex_->BeginCellEdit();
                box_->setText(QString::fromLatin1(text.c_str()));
                pending_ = true, pendingFits_ = fits, pendingRow_ = r, pendingCol_ = c, pendingText_ = text;
                break;
            }
            case 3: {  // paste text from another program over a selection
                std::vector<std::string> texts;
                const char* ends[] = {"\r\n", "\n", "\r"};
                const char* end = ends[pick(0, 2)];
                for (int i = r; i <= r2; ++i)
                    for (int j = c; j <= c2; ++j) texts.push_back(validText(j));
                note("paste outside " + std::to_string(r) + "," + std::to_string(c) + ".." + std::to_string(r2) + "," +
                     std::to_string(c2));
                pasteFromOutside(r, c, r2, c2, texts, end);
                break;
            }
            case 4: {  // copy a block and paste it lower or higher in the same columns; past the end rows are added
                const int to = pick(1, rows() - 1);
                const int last = to + (r2 - r);
                note("paste inside " + std::to_string(r) + "," + std::to_string(c) + ".." + std::to_string(r2) + "," +
                     std::to_string(c2) + " at row " + std::to_string(to));
                select(r, c, r2, c2);
                flex_->mnueditcopy_Click();
                std::vector<std::string> texts;
                for (int i = r; i <= r2; ++i)
                    for (int j = c; j <= c2; ++j) texts.push_back(table_.text(i, j));
                const std::vector<std::optional<float>> values = table_.values(r, c, r2, c2);
                g_->setRowCol(to, c);
                flex_->mnueditpaste_Click();
                while (table_.count() < last) table_.appendBlank();
                table_.push(to, c, last, c2);
                for (int i = to; i <= last; ++i)
                    for (int j = c; j <= c2; ++j) {
                        const auto k = static_cast<std::size_t>((i - to) * (c2 - c + 1) + (j - c));
                        table_.text(i, j) = texts[k];
                        table_.give(i, j, values[k]);
                    }
                break;
            }
            case 5:
            case 6: {  // cut or delete a block
                const bool cut = pick(0, 1);
                note(std::string(cut ? "cut " : "delete ") + std::to_string(r) + "," + std::to_string(c) + ".." +
                     std::to_string(r2) + "," + std::to_string(c2));
                select(r, c, r2, c2);
                cut ? flex_->mnueditcut_Click() : flex_->mnueditdelete_Click();
                table_.push(r, c, r2, c2);
                for (int i = r; i <= r2; ++i)
                    for (int j = c; j <= c2; ++j) table_.text(i, j).clear();
                break;
            }
            case 7: {  // undo
                note("undo");
                flex_->mnueditundo_Click();
                if (table_.undo.empty()) break;
                const PlainTable::Snapshot s = table_.undo.back();
                table_.undo.pop_back();
                std::size_t k = 0;
                for (int i = s.r1; i <= s.r2; ++i)
                    for (int j = s.c1; j <= s.c2; ++j, ++k) {
                        table_.text(i, j) = s.texts[k];
                        table_.give(i, j, s.values[k]);
                    }
                break;
            }
            case 8: {  // insert a row: at the last row one is added, elsewhere all is written back
                note("insert row " + std::to_string(r));
                g_->setRowCol(r, c);
                const bool atEnd = r == rows() - 1;
                flex_->mnueditinsertrow_Click();
                table_.insertBlank(atEnd ? r + 1 : r);
                if (!atEnd) table_.writeBack();
                break;
            }
            case 9: {  // remove a row
                note("remove row " + std::to_string(r));
                g_->setRowCol(r, c);
                flex_->mnueditdelrow_Click();
                if (table_.count() >= 2) {
                    table_.rows.erase(table_.rows.begin() + r);
                    table_.fresh.erase(table_.fresh.begin() + r);
                    table_.undo.clear();
                }
                break;
            }
            case 10: {  // rows added at the end, texts pasted there, most of them refused, and the view written back
                const int added = pick(1, 3), first = rows();
                for (int k = 0; k < added; ++k) {
                    g_->setRowCol(rows() - 1, c);
                    flex_->mnueditinsertrow_Click();
                    table_.insertBlank(table_.count() + 1);
                }
                const int last = rows() - 1;
                std::vector<std::string> texts;
                for (int i = first; i <= last; ++i) {
                    const bool onlyRefused = pick(0, 1);
                    for (int j = c; j <= c2; ++j)
                        texts.push_back(onlyRefused || pick(0, 2) ? refusedCellText(j) : validText(j));
                }
                note("refused texts pasted " + std::to_string(first) + "," + std::to_string(c) + ".." +
                     std::to_string(last) + "," + std::to_string(c2));
                pasteFromOutside(first, c, last, c2, texts, "\r\n");
                flex_->frm7upDATE();
                table_.writeBack();
                break;
            }
            default:  // the column calculator's Ok, which writes the view back
                calculate(c);
                break;
        }
        // The grid and the plain table show the same texts after every action.
        for (int i = 1; i < rows(); ++i)
            for (int j = 1; j < kCols; ++j) {
                if (g_->TextMatrix(i, j) != table_.text(i, j) && mismatch_.empty())
                    mismatch_ = "cell " + std::to_string(i) + "," + std::to_string(j) + " shows \"" +
                                g_->TextMatrix(i, j) + "\", table \"" + table_.text(i, j) + "\"\n" + log_;
            }
    }

    Model& m_;
    std::mt19937 rng_;
    Flex* flex_ = nullptr;
    FlexGrid* g_ = nullptr;
    QLineEdit* box_ = nullptr;
    PlainTable table_;
    bool pending_ = false, pendingFits_ = false;
    int pendingRow_ = 0, pendingCol_ = 0;
    std::string pendingText_;
    std::string log_;

public:
    std::string mismatch_;
};

// A network of `lines` lines with every field the view shows assigned.
void GeneratedNetwork(Model& m, int lines) {
    test::NetBuilder net(m);
    for (int i = 1; i <= lines; ++i) {
        // Some names start with a blank, which the cells do not show.
        net.line((i % 4 ? "M" : " M") + std::to_string(i), "M" + std::to_string(i + 1))
            .len(20.125f + i)
            .gr(100.0f + i * 0.013f, 99.9f + i * 0.011f)
            .inv(98.0f + i * 0.0071f, 97.95f)
            .dia(200 + 50 * (i % 5))
            .slope(0.00123f * (1 + i % 7))
            .lat(i % 3 ? "01" : "2A")
            .mhType(i % 4 ? "T2" : "T13")
            .xy(500123.37f + i, 4100234.61f + i * 3.3f, 500150.5f + i, 4100240.25f);
    }
}

void PlaySequences(const std::function<void(Model&)>& make, int count, unsigned seed0) {
    test::TempDir dir("grid_seq");
    test::RecordingUi ui;
    for (int k = 0; k < count; ++k) {
        Model m;
        m.SetUi(&ui);
        m.ProjectFolder = dir.folder();
        m.ProjectName = "start";
        make(m);
        Sequences s(m, seed0 + static_cast<unsigned>(k));
        const std::string failure = s.play(6 + k % 14, dir.folder());
        ASSERT_EQ(s.mismatch_, "") << "sequence " << k;
        ASSERT_EQ(failure, "") << "sequence " << k;
        m.SetUi(nullptr);
    }
}

TEST(GridSequences, TheSampleNetworkReopensAsTheGridShowedIt) {
    const std::filesystem::path sample = std::filesystem::path(VIDODUV_SOURCE_DIR) / "examples";
    test::TempDir src("grid_sample");
    std::filesystem::copy_file(sample / "town.asb", src.path() / "town.asb");
    std::filesystem::copy_file(sample / "town.cor", src.path() / "town.cor");
    PlaySequences(
        [&](Model& m) {
            m.ProjectFolder = src.folder();
            m.ProjectName = "town";
            ASSERT_TRUE(LoadNetworkText(m, src.folder() + "town.asb"));
        },
        250, 1000);
}

TEST(GridSequences, AGeneratedNetworkOf200LinesReopensAsTheGridShowedIt) {
    PlaySequences([](Model& m) { GeneratedNetwork(m, 200); }, 250, 5000);
}

}  // namespace
}  // namespace vd
