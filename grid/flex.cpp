#include "grid/flex.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/cell_text.h"
#include "engine/column_catalogue.h"
#include "engine/errors.h"
#include "engine/line_cost.h"
#include "engine/number_text.h"
#include "grid/flex_commands.h"
#include "grid/lateral_commands.h"
#include "platform/flex_grid.h"
#include "workspace/workspace_layout.h"

namespace vd {

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left, int width) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(PxRect(left, 0, width, 375));
    b->setAutoDefault(false);
    return b;
}

// A field's text as a cell shows it: never-assigned bytes are no text.
std::string Shown(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s)
        if (ch != '\0') out += ch;
    return out;
}

// The trimmed text of a field without never-assigned bytes. The field was
// just written with wider stores: a byte loop reads it at once, where a block
// copy from an odd offset waits for those stores to land (half the load
// time of a large view went there).
void ShownTrimmed(std::string_view s, std::string& out) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    out.resize(e - b);
    std::size_t n = 0;
    for (std::size_t i = b; i < e; ++i)
        if (s[i] != '\0') out[n++] = s[i];
    out.resize(n);
}

std::string BoxText(const QLineEdit* box) { return box->text().toLatin1().toStdString(); }

}  // namespace

struct Flex::ViewSpec {
    int16_t mode;
    int cols;
    std::vector<int> codes;  // of columns 1..cols-1
};

Flex::Flex(Model& m, Dialogs& dialogs, QWidget* parent) : GridHost(parent), m_(m), dialogs_(dialogs) {
    setObjectName("FLEX1");
    setAutoFillBackground(true);

    editButton_ = MakeButton(this, "Command4", "EDIT", 120, 735);
    findButton_ = MakeButton(this, "Command10", "|", 960, 255);
    searchBox_ = new QLineEdit(this);
    searchBox_->setObjectName("Text1");
    searchBox_->setGeometry(PxRect(1200, 0, 735, 285));
    findNextButton_ = MakeButton(this, "Command5", "|", 1920, 255);
    moreButton_ = MakeButton(this, "Command11", ">>", 2400, 495);
    byLevelButton_ = MakeButton(this, "Command9", "By Level", 3840, 855);
    byLengthButton_ = MakeButton(this, "Command1", "By  Lenght", 4800, 1095);
    setNameButton_ = MakeButton(this, "Command6", "SET Name", 6000, 1095);
    setLateralButton_ = MakeButton(this, "Command2", "SET Latral", 7200, 975);
    excelButton_ = MakeButton(this, "Command3", "Set EXCEL", 8280, 1215);

    grid_ = new FlexGrid(this);
    grid_->setObjectName("MSFlexGrid1");
    grid_->setToolTip("click for Input");
    editBox_ = new QLineEdit(grid_->parentWidget());
    editBox_->setObjectName("txtEdit");
    editBox_->setFrame(false);
    // A thin border in the highlight colour shows which cell is being typed into.
    editBox_->setStyleSheet("QLineEdit { border: 1px solid palette(highlight); padding: 0px 1px; }");
    editBox_->setFixedHeight(Px(285));
    editBox_->hide();
    editBox_->installEventFilter(this);

    editMenu_ = new QMenu("Edit", this);
    editMenu_->setObjectName("mnuedit");
    auto item = [this](const char* name, const char* caption) {
        QAction* a = editMenu_->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    undoAction_ = item("mnueditundo", "Undo");
    editMenu_->addSeparator()->setObjectName("mnueditbar0");
    cutAction_ = item("mnueditcut", "Cut");
    copyAction_ = item("mnueditcopy", "Copy");
    pasteAction_ = item("mnueditpaste", "Paste");
    deleteAction_ = item("mnueditdelete", "Delete");
    functionAction_ = item("mnufun", "Function");
    editMenu_->addSeparator()->setObjectName("mnueditbar1");
    insertRowAction_ = item("mnueditinsertrow", "InsertRow");
    removeRowAction_ = item("mnueditdelrow", "RemoveRow");
    connect(undoAction_, &QAction::triggered, this, [this] { mnueditundo_Click(); });
    connect(cutAction_, &QAction::triggered, this, [this] { mnueditcut_Click(); });
    connect(copyAction_, &QAction::triggered, this, [this] { mnueditcopy_Click(); });
    connect(pasteAction_, &QAction::triggered, this, [this] { mnueditpaste_Click(); });
    connect(deleteAction_, &QAction::triggered, this, [this] { mnueditdelete_Click(); });
    connect(insertRowAction_, &QAction::triggered, this, [this] { mnueditinsertrow_Click(); });
    connect(removeRowAction_, &QAction::triggered, this, [this] { mnueditdelrow_Click(); });

    connect(grid_, &FlexGrid::Click, this, &Flex::BeginCellEdit);
    connect(grid_, &FlexGrid::EnterCell, this, &Flex::CommitCellEdit);
    connect(grid_, &FlexGrid::GotFocus, this, &Flex::GridFocusCommit);
    connect(grid_, &FlexGrid::Scroll, this, &Flex::FollowGridScroll);
    connect(grid_, &FlexGrid::MouseDown, this, &Flex::GridEditMenuPopup);
    connect(grid_, &FlexGrid::KeyDown, this, &Flex::GridKeyNoop);

    // Start-up: the grid below the button row, the catalogue's titles.
    resize(Px(9600), Px(4800));
    grid_->setGeometry(0, setLateralButton_->height(), width(), height() - setLateralButton_->height());
    SetColumnTitles(m_, ColumnCatalogue);
    new FlexCommands(*this);
}

Flex::~Flex() = default;

void Flex::resizeEvent(QResizeEvent* e) {
    GridHost::resizeEvent(e);
    grid_->resize(std::max(width() - Px(200), 0), std::max(height() - Px(500), 0));
}

// ---- views -----------------------------------------------------------------

int Flex::viewCount(int16_t mode) const {
    switch (mode) {
        case kLineView:
        case kResultsView: return std::clamp(m_.LineCount, 0, m_.LineUpper());
        case kPipeSizeView: return std::clamp(m_.DiaCount, 0, static_cast<int>(m_.DiaTable.size()) - 1);
        default: return std::max(m_.LatCount, 0);
    }
}

int Flex::capacity() const {
    // The line tables grow with the grid, as far as any network may.
    if (GridMode == kLineView) return kMaxLineUpper;
    if (GridMode == kPipeSizeView) return static_cast<int>(m_.DiaTable.size()) - 1;
    return viewCount(GridMode);
}

std::string Flex::capacityText() const {
    if (GridMode == kLineView) return "The line table holds at most " + NumText(kMaxLineUpper) + " lines";
    return "The table holds at most " + NumText(capacity()) + " rows";
}

void Flex::growRows(int rows) {
    FlexGrid* g = grid_;
    const int from = g->Rows();
    if (rows <= from) return;
    g->setRows(rows);
    rowRecord_.resize(static_cast<std::size_t>(rows), 0);
    for (int r = from; r < rows; ++r) g->setTextMatrix(r, 0, NumText(r));
}

void Flex::mnusewer() { loadView({kLineView, 16, {1, 2, 37, 38, 40, 41, 42, 31, 32, 52, 100, 68, 69, 70, 71}}); }
void Flex::mnudia() { loadView({kPipeSizeView, 9, {60, 61, 62, 63, 64, 65, 66, 67}}); }

void Flex::mnulatral() {
    try {
        loadView({kLateralView, 10, {88, 96, 89, 90, 91, 92, 93, 94, 95}});
    } catch (const std::exception& e) {
        m_.Ui->MessageBox(e.what());
    }
}

void Flex::mnuout() {
    std::vector<int> codes(54);
    for (int c = 1; c <= 54; ++c) codes[c - 1] = c;
    loadView({kResultsView, 55, codes});
}

void Flex::loadView(const ViewSpec& v) {
    // The population titles follow the criteria's modes, which may have
    // changed since the last load.
    SetColumnTitles(m_, ColumnCatalogue);
    FlexGrid* g = grid_;
    const bool lateral = v.mode == kLateralView;
    const bool progress = v.mode == kLineView || v.mode == kResultsView;
    // The loader moves the current cell; those moves commit nothing.
    ++held_;
    struct Release {
        int& held;
        ~Release() { --held; }
    } release{held_};

    if (v.mode == kLineView) setLateralButton_->setEnabled(false);
    if (lateral) setLateralButton_->setEnabled(true);
    // A box left open from the view before would cover a cell of this one
    // with a text that is not the cell's.
    editBox_->hide();
    if (progress) g->hide();
    copyAction_->setEnabled(v.mode != kResultsView);
    cutAction_->setEnabled(v.mode != kResultsView);
    insertRowAction_->setEnabled(v.mode == kLineView || v.mode == kPipeSizeView);
    removeRowAction_->setEnabled(v.mode == kLineView || v.mode == kPipeSizeView);
    if (lateral) AssignLateralLevels(m_);

    // Until the view stands whole, a write-back has nothing to store.
    GridMode = 0;
    EditRow = EditCol = v.mode == kLineView ? 0 : 1;
    const int count = viewCount(v.mode);
    // An empty table still gets one row to type into.
    const int rows = std::max(count, 1) + 1;
    const int cols = v.cols;
    for (int c = 1; c < cols; ++c) ColumnCatalogue[c].Code = static_cast<int16_t>(v.codes[c - 1]);

    std::vector<std::string> cells = g->releaseCells();
    cells.resize(static_cast<std::size_t>(rows) * cols);
    auto cell = [&](int r, int c) -> std::string& { return cells[static_cast<std::size_t>(r) * cols + c]; };
    for (int r = 1; r <= count; ++r) cell(r, 0) = NumText(r);
    if (count == 0) cell(1, 0) = "1";
    const int firstTitled = lateral ? 2 : 1;
    if (lateral) {
        cell(0, 0) = " No.";
        cell(0, 1) = "Level";
    }
    // The whole caption: the 9 characters of Title1 cut "Diameter(mm)" to
    // "Diameter(" and leave both invert columns " inv.Elv.".
    for (int c = firstTitled; c < cols; ++c) cell(0, c) = ColumnCaption(m_, v.codes[c - 1]);

    if (progress) m_.Ui->SetProgressVisible(true);
    CostMessages costMessages;
    const int dataCols = cols - 1;
    // Rows go in blocks whose cells stay in the nearest caches while every
    // column of them is filled; the bar counts the columns of each block (for
    // a table of one block, 100 x column / columns) and is given each value once.
    constexpr int kBlockRows = 64;
    int shownProgress = -1;
    const int blocks = std::max(1, (count + kBlockRows - 1) / kBlockRows);
    for (int block = 0; block < blocks; ++block) {
        for (int c = firstTitled; c < cols; ++c) {
            const int percent = static_cast<int>(
                RoundHalfEven(100.0 * (block * dataCols + (lateral ? c - 1 : c)) / (blocks * dataCols)));
            if (progress && percent != shownProgress) m_.Ui->SetProgress(shownProgress = percent);
            const int code = v.codes[c - 1];
            GridColumnDef& record = ColumnCatalogue[code];
            EditCode = static_cast<int16_t>(code);
            const int last = std::min(count, (block + 1) * kBlockRows);
            for (int r = block * kBlockRows + 1; r <= last; ++r) {
                FillRow = static_cast<int16_t>(std::min(r, 32767));
                // Each cell starts blank, so a code with no value never shows the row above.
                record.CellText = std::string_view();
                // Showing a slope rounds it to 4 decimals in the record; a view
                // only shows, so the record keeps the slope as it was.
                const bool slope = code == 32 && r <= m_.LineUpper();
                const float kept = slope ? m_.Lines[r].slope : 0.0f;
                LineFieldToCell(m_, code, r, ColumnCatalogue, &costMessages);
                if (slope) m_.Lines[r].slope = kept;
                ShownTrimmed(record.CellText.view(), cell(r, c));
            }
        }
    }
    if (lateral) {
        for (int r = 1; r <= count; ++r) {
            const int first = m_.Lat(r, LatFirst);
            // A lateral row without lines shows no level.
            if (first >= 1 && first <= m_.LineUpper()) cell(r, 1) = NumText(m_.Lines[first].Level);
        }
    }
    if (progress) m_.Ui->SetProgress(0);

    loaded_.take(rows, cols, cells);
    originals_.clear();
    given_.clear();
    GridMode = v.mode;
    rowRecord_.assign(static_cast<std::size_t>(rows), 0);
    for (int r = 1; r <= count; ++r) rowRecord_[r] = r;

    g->setCells(rows, cols, std::move(cells));
    // Each column as wide as the layout gives it, or wider where its title
    // needs more room in the grid's font.
    auto width = [g](int c, int twips) { g->setColWidth(c, std::max(Px(twips), g->TitleWidth(c))); };
    for (int c = firstTitled; c < cols; ++c) width(c, 1200);
    if (lateral) width(1, 600);
    width(0, 600);
    g->setRowHeightMin(Px(285));
    ResetUndoBuffer();
    g->setTopRow(1);
    g->setLeftCol(1);
    if (v.mode == kPipeSizeView || lateral)
        g->setRowCol(0, 1);
    else
        g->setRowCol(1, 1);

    const std::string& target = g->TextMatrix(EditRow, EditCol);
    editBox_->setText(QString::fromLatin1(target.data(), static_cast<qsizetype>(target.size())));
    EditStartText = Trim(target);
    for (int c = 0; c < cols; ++c) g->setColAlignment(c, 1);
    g->show();
    if (lateral) AssignLateralLevels(m_);
}

// ---- write-back ------------------------------------------------------------

void Flex::LoadedTexts::take(int rows, int columns, const std::vector<std::string>& cells) {
    cols = columns;
    std::size_t total = 0;
    for (const std::string& s : cells) total += s.size();
    bytes.clear();
    bytes.reserve(total);
    start.resize(static_cast<std::size_t>(rows) * columns + 1);
    for (std::size_t i = 0; i < cells.size() && i + 1 < start.size(); ++i) {
        start[i] = static_cast<std::uint32_t>(bytes.size());
        bytes += cells[i];
    }
    start.back() = static_cast<std::uint32_t>(bytes.size());
}

std::string Flex::cellTitle(int col) const { return Trim(Shown(grid_->TextMatrix(0, col))); }

bool Flex::storeCell(int record, int col, const std::string& text, std::vector<std::string>* problems) {
    const int code = std::abs(ColumnCatalogue[col].Code);
    if (auto problem = CellTextProblem(code, text, cellTitle(col))) {
        problems->push_back("Row " + NumText(record) + ", " + *problem);
        return false;
    }
    if (code < 1 || code >= static_cast<int>(ColumnCatalogue.size())) return true;
    ColumnCatalogue[code].CellText = text;
    EditCode = static_cast<int16_t>(code);
    try {
        // From the whole text: a number longer than the 20 characters of
        // CellText must not store the value of its first 20.
        StoreCellText(m_, code, record, text);
    } catch (const RuntimeError& e) {
        problems->push_back("Row " + NumText(record) + ", " + cellTitle(col) + ": " + e.what() +
                            ". The value was not stored.");
        return false;
    }
    return true;
}

bool Flex::syncCell(int row, int source, int record, int col, const std::string& text,
                    std::vector<std::string>* problems) {
    const int code = std::abs(ColumnCatalogue[col].Code);
    const std::pair<int, int> key{source, col};
    auto kept = source != 0 && !originals_.empty() ? originals_.find(key) : originals_.end();
    const auto given = given_.empty() ? given_.end() : given_.find({row, col});
    const bool givenText = given != given_.end() && given->second.text == text;
    if (givenText && given->second.exact) {
        const std::span<char> field = CellFieldBytes(m_, code, record);
        if (field.size() == sizeof(float)) {
            if (source != 0 && kept == originals_.end())
                originals_.emplace(key, KeptField{std::string(field.begin(), field.end()), text, true});
            else if (source != 0)
                kept->second.text = text, kept->second.exact = true;
            std::memcpy(field.data(), &*given->second.exact, sizeof(float));
            return true;
        }
    }
    // A text given as standing for itself is stored even where it is the loaded one.
    if (source != 0 && !givenText && text == loadedText(source, col)) {
        if (kept != originals_.end()) {
            std::span<char> field = CellFieldBytes(m_, code, record);
            if (field.size() == kept->second.bytes.size())
                std::copy(kept->second.bytes.begin(), kept->second.bytes.end(), field.begin());
            originals_.erase(kept);
        }
        return true;
    }
    if (kept != originals_.end() && kept->second.text == text && !kept->second.exact) return true;
    const std::span<char> field = CellFieldBytes(m_, code, record);
    std::string before(field.begin(), field.end());
    if (!storeCell(record, col, text, problems)) return false;
    if (source == 0) return true;
    if (kept == originals_.end())
        originals_.emplace(key, KeptField{std::move(before), text});
    else
        kept->second.text = text, kept->second.exact = false;
    return true;
}

// ---- exact values ----------------------------------------------------------

bool Flex::HoldsSingles(int col) const {
    return col >= 1 && col < grid_->Cols() && col < static_cast<int>(ColumnCatalogue.size()) &&
           StoresSingle(std::abs(ColumnCatalogue[col].Code));
}

std::optional<float> Flex::loadedValue(int row, int col, std::string_view text) const {
    const int source = row >= 0 && row < static_cast<int>(rowRecord_.size()) ? rowRecord_[row] : 0;
    if (source == 0 || !HoldsSingles(col) || text != loadedText(source, col)) return std::nullopt;
    std::string bytes;
    if (auto kept = originals_.find({source, col}); kept != originals_.end()) {
        bytes = kept->second.bytes;
    } else {
        const std::span<char> field = CellFieldBytes(m_, std::abs(ColumnCatalogue[col].Code), source);
        bytes.assign(field.begin(), field.end());
    }
    if (bytes.size() != sizeof(float)) return std::nullopt;
    float v;
    std::memcpy(&v, bytes.data(), sizeof v);
    return v;
}

std::optional<float> Flex::exactOf(int row, int col, std::string_view text) const {
    if (auto given = given_.find({row, col}); given != given_.end() && given->second.text == text)
        return given->second.exact;
    return loadedValue(row, col, text);
}

std::optional<float> Flex::CellExact(int row, int col) const { return exactOf(row, col, grid_->TextMatrix(row, col)); }

void Flex::give(int row, int col, std::optional<float> exact) {
    if (!HoldsSingles(col) || row < 1 || row >= grid_->Rows()) return;
    const std::string& text = grid_->TextMatrix(row, col);
    if (!exact && CellTextProblem(std::abs(ColumnCatalogue[col].Code), text, {})) return;
    auto given = given_.find({row, col});
    if (given == given_.end()) {
        // What the text stands for without being given anything.
        const std::optional<float> plain = loadedValue(row, col, text);
        if (plain.has_value() == exact.has_value() && (!plain || std::memcmp(&*plain, &*exact, sizeof(float)) == 0))
            return;
        given_.emplace(std::pair{row, col}, GivenValue{text, exact});
    } else {
        given->second = GivenValue{text, exact};
    }
}

void Flex::GiveCell(int row, int col, const std::string& text, std::optional<float> exact) {
    grid_->setTextMatrix(row, col, text);
    give(row, col, exact);
}

void Flex::giveStored(int row, int col, int record) {
    if (!HoldsSingles(col)) return;
    if (record == 0) return give(row, col, std::nullopt);
    const std::span<char> field = CellFieldBytes(m_, std::abs(ColumnCatalogue[col].Code), record);
    if (field.size() != sizeof(float)) return;
    float v;
    std::memcpy(&v, field.data(), sizeof v);
    give(row, col, v);
}

BlockValues Flex::blockValues(const CellBlock& b) const {
    const int r1 = std::min(b.Row, b.RowSel), r2 = std::max(b.Row, b.RowSel);
    const int c1 = std::min(b.Col, b.ColSel), c2 = std::max(b.Col, b.ColSel);
    BlockValues values;
    values.reserve(static_cast<std::size_t>(r2 - r1 + 1) * (c2 - c1 + 1));
    for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c) values.push_back(CellExact(r, c));
    return values;
}

void Flex::giveBlock(const CellBlock& b, const BlockValues& values) {
    const int r1 = std::min(b.Row, b.RowSel), r2 = std::max(b.Row, b.RowSel);
    const int c1 = std::min(b.Col, b.ColSel), c2 = std::max(b.Col, b.ColSel);
    std::size_t k = 0;
    for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c, ++k)
            if (k < values.size()) give(r, c, values[k]);
}

void Flex::shiftGiven(int row, int by) {
    if (given_.empty()) return;
    std::map<std::pair<int, int>, GivenValue> moved;
    for (auto& [key, value] : given_) {
        if (key.first < row)
            moved.emplace(key, std::move(value));
        else if (by > 0)
            moved.emplace(std::pair{key.first + by, key.second}, std::move(value));
        else if (key.first > row)
            moved.emplace(std::pair{key.first - 1, key.second}, std::move(value));
    }
    given_ = std::move(moved);
}

std::string Flex::keptText(int source, int col) const {
    if (source == 0) return {};
    auto kept = originals_.find({source, col});
    return kept != originals_.end() ? kept->second.text : std::string(loadedText(source, col));
}

void Flex::report(const std::vector<std::string>& problems) {
    if (problems.empty()) return;
    std::string text;
    const std::size_t shown = std::min<std::size_t>(problems.size(), 8);
    for (std::size_t i = 0; i < shown; ++i) text += problems[i] + "\n";
    if (problems.size() > shown) text += "... and " + NumText(static_cast<long long>(problems.size() - shown)) + " more.\n";
    text += "The cells show the values kept.";
    m_.Ui->MessageBox(text);
}

void Flex::frm7upDATE() { (void)writeBack(); }

bool Flex::CommitOpenCell() {
    // A hidden view was written back when it closed.
    if (GridMode == 0 || isHidden()) return true;
    // A refused text stops here, before anything else is stored.
    if (!CommitCellEdit()) return false;
    return writeBack();
}

bool Flex::writeBack() {
    if (GridMode == 0) return true;
    // One message tells what the box and the cells held that was refused.
    std::vector<std::string> problems;
    const bool committed = commitBox(problems);
    FlexGrid* g = grid_;
    const int rows = g->Rows(), cols = g->Cols();
    const bool counted = GridMode == kLineView || GridMode == kPipeSizeView;
    rowRecord_.resize(static_cast<std::size_t>(rows), 0);
    auto rowBlank = [&](int r) {
        for (int c = 1; c < cols; ++c)
            if (!Trim(g->TextMatrix(r, c)).empty()) return false;
        return true;
    };

    int last = rows - 1;
    if (counted) {
        // Rows added and left blank at the end are no lines.
        while (last >= 1 && rowRecord_[last] == 0 && rowBlank(last)) --last;
        if (last > capacity()) {
            problems.push_back(capacityText() + "; rows beyond were not stored.");
            last = capacity();
        }
        if (GridMode == kLineView && last > std::min(m_.LineUpper(), m_.LinkUpper())) m_.FitLineTables(last);
        bool moved = false;
        for (int r = 1; r <= last; ++r) moved = moved || rowRecord_[r] != r;
        // Rows inserted or removed: each record follows its row whole, so
        // fields the view does not show travel with their line.
        if (moved && GridMode == kLineView) {
            const std::vector<LineRecord> old(m_.Lines);
            for (int r = 1; r <= last; ++r) m_.Lines[r] = rowRecord_[r] ? old[rowRecord_[r]] : old[0];
        } else if (moved) {
            const auto old = m_.DiaTable;
            for (int r = 1; r <= last; ++r) m_.DiaTable[r] = rowRecord_[r] ? old[rowRecord_[r]] : old[0];
        }
    }

    for (int r = 1; r <= last; ++r) {
        const int source = rowRecord_[r];
        const int record = counted ? r : source;
        if (record == 0) continue;
        for (int c = 1; c < cols; ++c) {
            const std::string& text = g->TextMatrix(r, c);
            if (syncCell(r, source, record, c, text, &problems)) continue;
            const std::string kept = keptText(source, c);
            g->setTextMatrix(r, c, kept);
            // A row added since the load holds the template's fields: the
            // blank its refused cell shows goes into the field too.
            if (source == 0) storeCell(record, c, kept, &problems);
            // The text shown again stands for exactly what the field holds.
            giveStored(r, c, record);
        }
    }
    // Which rows are lines is known only now: an added row whose every text
    // was refused is blank again, and rows added and blank at the end are no
    // lines.
    if (counted)
        while (last >= 1 && rowRecord_[last] == 0 && rowBlank(last)) --last;
    if (GridMode == kLineView) m_.LineCount = last;
    if (GridMode == kPipeSizeView) m_.DiaCount = last;

    // The records now stand in row order. Each keeps the text it was loaded
    // with and the bytes its fields had then, so an Undo after this still
    // brings back exactly what the field held; a row added since holds what
    // its cells say.
    if (counted) {
        std::vector<std::string> baseline(static_cast<std::size_t>(rows) * cols);
        std::vector<int> rowOf(loaded_.start.size() / std::max(loaded_.cols, 1) + 1, 0);
        for (int r = 0; r < rows; ++r) {
            const int source = r >= 1 && r <= last ? rowRecord_[r] : 0;
            if (source != 0) rowOf[source] = r;
            for (int c = 0; c < cols; ++c)
                baseline[static_cast<std::size_t>(r) * cols + c] =
                    source != 0 && c >= 1 ? std::string(loadedText(source, c)) : g->TextMatrix(r, c);
        }
        std::map<std::pair<int, int>, KeptField> kept;
        for (auto& [key, field] : originals_)
            if (rowOf[key.first] != 0) kept.emplace(std::pair{rowOf[key.first], key.second}, std::move(field));
        for (int r = 0; r < rows; ++r) rowRecord_[r] = r <= last ? r : 0;
        loaded_.take(rows, cols, baseline);
        originals_ = std::move(kept);
    }
    report(problems);
    return committed && problems.empty();
}

// ---- in-place editing ------------------------------------------------------

void Flex::BeginCellEdit() {
    FlexGrid* g = grid_;
    EditCode = static_cast<int16_t>(std::abs(ColumnCatalogue[std::clamp(g->Col(), 0, 105)].Code));
    if (g->Row() < 1 || g->Col() < 1) return;
    EditRow = g->Row();
    EditCol = g->Col();
    EditStartText = Trim(g->Text());
    editBox_->setText(QString::fromLatin1(EditStartText.data(), static_cast<qsizetype>(EditStartText.size())));
    editBox_->end(false);
    g->setTextMatrix(EditRow, EditCol, EditStartText);
    placeBox();
}

void Flex::placeBox() {
    FlexGrid* g = grid_;
    const QRect cell = g->CellRect(EditRow, EditCol);
    // The box covers its cell; rows are never lower than the box.
    editBox_->setFixedHeight(std::max(Px(285), cell.height()));
    editBox_->setGeometry(g->x() + cell.left(), g->y() + cell.top(), cell.width(), editBox_->height());
    EditTopRow = g->TopRow();
    EditLeftCol = g->LeftCol();
    editBox_->show();
    editBox_->raise();
    editBox_->setFocus();
}

bool Flex::CommitCellEdit() {
    std::vector<std::string> problems;
    const bool stored = commitBox(problems);
    report(problems);
    return stored;
}

bool Flex::commitBox(std::vector<std::string>& problems) {
    if (held_ > 0 || GridMode == 0) return true;
    FlexGrid* g = grid_;
    if (EditRow < 1 || EditCol < 1 || EditRow >= g->Rows() || EditCol >= g->Cols()) return true;
    EditCode = static_cast<int16_t>(std::abs(ColumnCatalogue[EditCol].Code));
    const std::string text = BoxText(editBox_);
    const int record = EditRow < static_cast<int>(rowRecord_.size()) ? rowRecord_[EditRow] : 0;
    const std::size_t before = problems.size();
    if (auto problem = CellTextProblem(EditCode, text, cellTitle(EditCol))) {
        problems.push_back("Row " + NumText(EditRow) + ", " + *problem);
    } else if (record != 0) {
        syncCell(EditRow, record, record, EditCol, text, &problems);
    }
    if (problems.size() > before) {
        // The cell shows again what it showed when the edit began, or, when
        // a command had put refused text there, the text its record keeps
        // (none in a row added since the load): a refused text never comes
        // back through the box.
        const bool startFits = !CellTextProblem(EditCode, EditStartText, cellTitle(EditCol));
        const std::string kept = startFits ? EditStartText : keptText(record, EditCol);
        g->setTextMatrix(EditRow, EditCol, kept);
        if (!startFits) giveStored(EditRow, EditCol, record);
        editBox_->setText(QString::fromLatin1(kept.data(), static_cast<qsizetype>(kept.size())));
        return false;
    }
    g->setTextMatrix(EditRow, EditCol, text);
    return true;
}

Flex::CommandScope::CommandScope(Flex& f) : f_(f) {
    f_.CommitCellEdit();
    ++f_.held_;
}

Flex::CommandScope::~CommandScope() {
    if (--f_.held_ == 0) f_.reloadBox();
}

void Flex::reloadBox() {
    FlexGrid* g = grid_;
    if (EditRow < 0 || EditCol < 0 || EditRow >= g->Rows() || EditCol >= g->Cols()) return;
    EditStartText = Trim(g->TextMatrix(EditRow, EditCol));
    editBox_->setText(QString::fromLatin1(EditStartText.data(), static_cast<qsizetype>(EditStartText.size())));
    if (editBox_->isVisible() && EditRow >= 1 && EditCol >= 1) placeBox();
}

void Flex::GridEditMenuPopup(int button, int, int x, int y) {
    if (button == 2) editMenu_->popup(grid_->mapToGlobal(QPoint(x, y)));
}

bool Flex::eventFilter(QObject* watched, QEvent* e) {
    // The cell being typed into is a cell of the grid: its menu is the grid's.
    if (watched == editBox_ && e->type() == QEvent::ContextMenu) {
        editMenu_->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }
    if (watched == editBox_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const int code = FlexKeyCode(k->key());
        if (code == kKeyEnter || code == kKeyEscape) return txtEdit_KeyPress(code);
        return txtEdit_KeyDown(code, FlexShiftMask(k->modifiers()));
    }
    return GridHost::eventFilter(watched, e);
}

bool Flex::txtEdit_KeyDown(int keyCode, int shift) {
    FlexGrid* g = grid_;
    const bool ctrl = shift == 2;
    switch (keyCode) {
        case kKeyLeft:
            if (g->Col() > 1 && (ctrl || editBox_->cursorPosition() == 0)) {
                moveEdit(0, -1);
                return true;
            }
            return false;
        case kKeyRight:
            if (g->Col() < g->Cols() - 1 && (ctrl || editBox_->cursorPosition() == editBox_->text().size())) {
                moveEdit(0, 1);
                return true;
            }
            return false;
        case kKeyUp:
            if (g->Row() > 1) moveEdit(-1, 0);
            return true;
        case kKeyDown:
            if (g->Row() < g->Rows() - 1) moveEdit(1, 0);
            return true;
        case kKeyF6:
            if (caption_ == "SEWER") fillGroundLevels();
            return true;
        default:
            return false;
    }
}

bool Flex::txtEdit_KeyPress(int keyAscii) {
    FlexGrid* g = grid_;
    if (keyAscii == kKeyEscape) {
        if (BoxText(editBox_) != EditStartText)
            editBox_->setText(QString::fromLatin1(EditStartText.data(), static_cast<qsizetype>(EditStartText.size())));
        return true;
    }
    if (keyAscii == kKeyEnter && g->Col() < g->Cols() - 1) moveEdit(0, 1);
    return true;
}

void Flex::moveEdit(int dRow, int dCol) {
    FlexGrid* g = grid_;
    g->setTextMatrix(EditRow, EditCol, BoxText(editBox_));
    g->setRowCol(g->Row() + dRow, g->Col() + dCol);
    BeginCellEdit();
    // The box follows the cell into view.
    if (!g->RowIsVisible(g->Row()) || !g->ColIsVisible(g->Col()) ||
        g->CellRect(g->Row(), g->Col()).bottom() > g->viewport()->height() + g->CellRect(0, 0).height())
        g->scrollTo(g->model()->index(g->Row() - 1, g->Col() - 1));
}

void Flex::fillGroundLevels() {
    FlexGrid* g = grid_;
    const int n = std::min(m_.LineCount, g->Rows() - 1);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (g->TextMatrix(i, 1) == g->TextMatrix(j, 2)) g->setTextMatrix(j, 4, g->TextMatrix(i, 3));
}

void Flex::FollowGridScroll() {
    // Loaders and commands place the box themselves when they end.
    if (held_ > 0) return;
    FlexGrid* g = grid_;
    const int row = g->Row(), col = g->Col();
    auto follow = [&] {
        if (row >= 1 && col >= 1 && row == EditRow && col == EditCol) {
            placeBox();  // same cell: the typed text stays
        } else {
            // The box leaves its cell: what was typed there is stored first.
            CommitCellEdit();
            BeginCellEdit();
        }
    };
    if (!g->ColIsVisible(col) || !g->RowIsVisible(row)) {
        editBox_->hide();
        return;
    }
    if (EditTopRow == g->TopRow() + 1) {
        if (row < g->Rows() - 1) {
            if (g->RowIsVisible(row + 1))
                follow();
            else
                editBox_->hide();
        }
        return;
    }
    if (EditLeftCol == g->LeftCol() + 1) {
        if (col < g->Cols() - 1 && g->ColIsVisible(col + 1))
            follow();
        else
            editBox_->hide();
        return;
    }
    follow();
}

// ---- Edit menu -------------------------------------------------------------

void Flex::MakeUndoBuffer(const std::string& action) {
    if (action != "Cut") return;
    FlexGrid* g = grid_;
    UndoEntry e;
    e.Block = {g->Row(), g->Col(), g->RowSel(), g->ColSel()};
    e.Text = SnapshotText(e.Block, [g](int r, int c) -> const std::string& { return g->TextMatrix(r, c); });
    e.Values = blockValues(e.Block);
    e.Action = action;
    Undo.Push(std::move(e));
}

void Flex::blankSelection() {
    FlexGrid* g = grid_;
    const int r1 = std::max(std::min(g->Row(), g->RowSel()), 1), r2 = std::max(g->Row(), g->RowSel());
    const int c1 = std::max(std::min(g->Col(), g->ColSel()), 1), c2 = std::max(g->Col(), g->ColSel());
    for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c) g->setTextMatrix(r, c, {});
}

void Flex::mnueditcopy_Click() {
    if (!copyAction_->isEnabled()) return;
    CommandScope scope(*this);
    FlexGrid* g = grid_;
    QGuiApplication::clipboard()->clear();
    Undo.CopyBlock = {g->Row(), g->Col(), g->RowSel(), g->ColSel()};
    const std::string text = GridClipboardText(g->Clip());
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    // A paste of this very text gives each cell the value its cell stands for now.
    Undo.CopyText = text;
    Undo.CopyValues = blockValues(Undo.CopyBlock);
}

void Flex::mnueditcut_Click() {
    if (!cutAction_->isEnabled()) return;
    CommandScope scope(*this);
    mnueditcopy_Click();
    if (std::min(grid_->Row(), grid_->RowSel()) < 1) return;
    MakeUndoBuffer("Cut");
    blankSelection();
}

void Flex::mnueditdelete_Click() {
    CommandScope scope(*this);
    if (std::min(grid_->Row(), grid_->RowSel()) < 1) return;
    MakeUndoBuffer("Cut");
    blankSelection();
}

void Flex::mnueditpaste_Click() {
    CommandScope scope(*this);
    FlexGrid* g = grid_;
    const QString clip = QGuiApplication::clipboard()->text();
    if (clip.isEmpty()) return;
    // The title row and the number column are never pasted over.
    if (g->Row() < 1 || g->Col() < 1 || std::min(g->Row(), g->RowSel()) < 1 || std::min(g->Col(), g->ColSel()) < 1) {
        m_.Ui->MessageBox("Click the cell to paste at first; nothing was pasted.");
        return;
    }
    std::string text = clip.toLatin1().toStdString();
    if (HasBinaryCharacters(text)) {
        m_.Ui->MessageBox("The clipboard holds no table text (it has control characters); nothing was pasted.");
        return;
    }
    std::string block;
    const bool copied = text.compare(0, kCopyTag.size(), kCopyTag) == 0;
    const bool own = copied && text == Undo.CopyText;
    bool beyondCapacity = false;
    if (copied) {
        block = text.substr(kCopyTag.size());
        // A block reaching past the last row of the line or pipe-size view
        // gets rows added to hold it, up to what the table may hold.
        const int lastRow = g->Row() + std::abs(Undo.CopyBlock.RowSel - Undo.CopyBlock.Row);
        if (lastRow >= g->Rows() && (GridMode == kLineView || GridMode == kPipeSizeView)) {
            growRows(std::min(lastRow, std::max(capacity(), g->Rows() - 1)) + 1);
            beyondCapacity = lastRow >= g->Rows();
        }
        const CellBlock t = PasteTarget(Undo.CopyBlock, g->Row(), g->Col(), g->Rows(), g->Cols());
        g->setColSel(t.ColSel);
        g->setRowSel(t.RowSel);
    } else {
        block = text;
    }
    block = NormalizeRowEnds(block, !copied);
    const BlockSize size = TextBlockSize(block);
    const int rows = std::abs(g->RowSel() - g->Row()) + 1, cols = std::abs(g->ColSel() - g->Col()) + 1;
    MakeUndoBuffer("Cut");
    g->setClip(block);
    if (own) {
        // Both blocks row by row from their top left cells; the target may
        // be cut at the grid's edge.
        const int width = std::abs(Undo.CopyBlock.ColSel - Undo.CopyBlock.Col) + 1;
        for (int r = g->Row(); r <= g->RowSel(); ++r)
            for (int c = g->Col(); c <= g->ColSel(); ++c) {
                const std::size_t k = static_cast<std::size_t>(r - g->Row()) * width + (c - g->Col());
                if (k < Undo.CopyValues.size()) give(r, c, Undo.CopyValues[k]);
            }
    }
    if (beyondCapacity)
        m_.Ui->MessageBox(capacityText() + "; the rows beyond row " + NumText(g->Rows() - 1) + " were not pasted.");
    else if (size.rows > rows || size.cols > cols)
        m_.Ui->MessageBox("The pasted text has " + NumText(size.rows) + " rows of up to " + NumText(size.cols) +
                          " cells; only " + NumText(rows) + " x " + NumText(cols) +
                          " fit the selection here. The rest was not pasted.");
}

void Flex::UndoLastEdit() {
    CommandScope scope(*this);
    FlexGrid* g = grid_;
    std::optional<UndoEntry> e = Undo.Pop();
    if (!e) return;
    const int row = g->Row(), col = g->Col(), top = g->TopRow();
    if (!g->setRow(e->Block.Row) || !g->setCol(e->Block.Col) || !g->setColSel(e->Block.ColSel) ||
        !g->setRowSel(e->Block.RowSel))
        return;
    g->setClip(e->Text);
    giveBlock(e->Block, e->Values);
    g->setRowCol(row, col);
    g->setTopRow(top);
}

void Flex::rowsChanged() {
    FlexGrid* g = grid_;
    for (int r = 1; r < g->Rows(); ++r) g->setTextMatrix(r, 0, NumText(r));
    Undo.ClearSnapshots();
}

void Flex::mnueditinsertrow_Click() {
    if (GridMode != kLineView && GridMode != kPipeSizeView) return;
    CommandScope scope(*this);
    FlexGrid* g = grid_;
    const int row = g->Row();
    if (row < 1) return;
    if (g->Rows() - 1 >= capacity()) {
        m_.Ui->MessageBox(capacityText() + "; no row was added.");
        return;
    }
    rowRecord_.resize(static_cast<std::size_t>(g->Rows()), 0);
    if (row == g->Rows() - 1) {
        g->AddItem({});
        rowRecord_.push_back(0);
        rowsChanged();
        return;
    }
    g->AddItem({}, row);
    rowRecord_.insert(rowRecord_.begin() + row, 0);
    shiftGiven(row, 1);
    // The box is typed into the new row next.
    EditRow = row;
    EditCol = std::max(g->Col(), 1);
    rowsChanged();
    frm7upDATE();
}

void Flex::mnueditdelrow_Click() {
    if (GridMode != kLineView && GridMode != kPipeSizeView) return;
    CommandScope scope(*this);
    FlexGrid* g = grid_;
    const int row = g->Row();
    if (row < 1) return;
    editBox_->hide();
    if (g->Rows() >= 3) {
        g->RemoveItem(row);
        if (row < static_cast<int>(rowRecord_.size())) rowRecord_.erase(rowRecord_.begin() + row);
        shiftGiven(row, -1);
        Undo.ClearSnapshots();
    }
    EditRow = EditCol = 1;
}

}  // namespace vd
