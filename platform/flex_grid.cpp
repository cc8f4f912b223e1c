#include "platform/flex_grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace vd {

namespace {
const std::string kNoText;

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

Qt::Alignment AlignmentFlags(int a) {
    Qt::Alignment h = a <= 2 ? Qt::AlignLeft : a <= 5 ? Qt::AlignHCenter : a <= 8 ? Qt::AlignRight : Qt::AlignLeft;
    int v = a <= 8 ? a % 3 : 1;
    return h | (v == 0 ? Qt::AlignTop : v == 1 ? Qt::AlignVCenter : Qt::AlignBottom);
}
}  // namespace

int FlexKeyCode(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return kKeyEnter;
        case Qt::Key_Escape: return kKeyEscape;
        case Qt::Key_Left: return kKeyLeft;
        case Qt::Key_Up: return kKeyUp;
        case Qt::Key_Right: return kKeyRight;
        case Qt::Key_Down: return kKeyDown;
        default:
            if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F16) return 112 + (qtKey - Qt::Key_F1);
            if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
            if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
            return 0;
    }
}

int FlexShiftMask(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// The data cells (rows and columns from 1) as the view's items; row 0 and
// column 0 as its headers.
class FlexGridModel : public QAbstractTableModel {
public:
    int rows = 2, cols = 2;
    std::vector<std::string> cells = std::vector<std::string>(4);
    std::vector<int> align = std::vector<int>(2, 1);
    bool quiet = false;

    std::string& at(int r, int c) { return cells[static_cast<std::size_t>(r) * cols + c]; }
    const std::string& at(int r, int c) const { return cells[static_cast<std::size_t>(r) * cols + c]; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows - 1; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols - 1; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        if (role == Qt::DisplayRole) return Latin1(at(index.row() + 1, index.column() + 1));
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentFlags(align[index.column() + 1]));
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role == Qt::DisplayRole) {
            if (o == Qt::Horizontal && section + 1 < cols) return Latin1(at(0, section + 1));
            if (o == Qt::Vertical && section + 1 < rows) return Latin1(at(section + 1, 0));
            return {};
        }
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        return QAbstractTableModel::headerData(section, o, role);
    }

    void quietReset(bool on) {
        if (on) {
            beginResetModel();
            quiet = true;
        } else {
            quiet = false;
            endResetModel();
        }
    }
    void begin() {
        if (!quiet) beginResetModel();
    }
    void end() {
        if (!quiet) endResetModel();
    }
    void resize(int newRows, int newCols) {
        newRows = std::max(newRows, 1);
        newCols = std::max(newCols, 1);
        if (newRows == rows && newCols == cols) return;
        begin();
        if (newCols == cols) {
            cells.resize(static_cast<std::size_t>(newRows) * newCols);
        } else {
            std::vector<std::string> next(static_cast<std::size_t>(newRows) * newCols);
            for (int r = 0; r < std::min(rows, newRows); ++r)
                for (int c = 0; c < std::min(cols, newCols); ++c)
                    next[static_cast<std::size_t>(r) * newCols + c] = std::move(at(r, c));
            cells = std::move(next);
        }
        rows = newRows;
        cols = newCols;
        align.resize(static_cast<std::size_t>(cols), 1);
        end();
    }
    void changed(int r, int c) {
        if (quiet) return;
        if (r == 0 && c >= 1) emit headerDataChanged(Qt::Horizontal, c - 1, c - 1);
        else if (c == 0 && r >= 1) emit headerDataChanged(Qt::Vertical, r - 1, r - 1);
        else if (r >= 1 && c >= 1) emit dataChanged(index(r - 1, c - 1), index(r - 1, c - 1));
    }
};

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel) {
    model_->setParent(this);
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
        h->setSectionResizeMode(QHeaderView::Interactive);
    }
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    corner_ = new QLabel(this);
    corner_->setObjectName("cornerCell");
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });
}

FlexGrid::~FlexGrid() = default;

int FlexGrid::Rows() const { return model_->rows; }
int FlexGrid::Cols() const { return model_->cols; }

void FlexGrid::setRows(int rows) {
    model_->resize(rows, model_->cols);
    row_ = std::min(row_, model_->rows - 1);
    rowSel_ = std::min(rowSel_, model_->rows - 1);
    showSelection();
}

void FlexGrid::setCols(int cols) {
    model_->resize(model_->rows, cols);
    col_ = std::min(col_, model_->cols - 1);
    colSel_ = std::min(colSel_, model_->cols - 1);
    showSelection();
}

bool FlexGrid::setRowCol(int row, int col) {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return false;
    const bool moved = row != row_ || col != col_;
    row_ = rowSel_ = row;
    col_ = colSel_ = col;
    // EnterCell before the view scrolls the cell into sight: a handler of
    // Scroll then already finds the cell entered.
    if (moved) emit EnterCell();
    showSelection();
    return true;
}

bool FlexGrid::setRow(int row) { return setRowCol(row, col_); }
bool FlexGrid::setCol(int col) { return setRowCol(row_, col); }

bool FlexGrid::setRowSel(int row) {
    if (row < 0 || row >= Rows()) return false;
    rowSel_ = row;
    showSelection();
    return true;
}

bool FlexGrid::setColSel(int col) {
    if (col < 0 || col >= Cols()) return false;
    colSel_ = col;
    showSelection();
    return true;
}

int FlexGrid::TopRow() const { return verticalScrollBar()->value() + 1; }
int FlexGrid::LeftCol() const { return horizontalScrollBar()->value() + 1; }
void FlexGrid::setTopRow(int row) { verticalScrollBar()->setValue(std::max(row, 1) - 1); }
void FlexGrid::setLeftCol(int col) { horizontalScrollBar()->setValue(std::max(col, 1) - 1); }

const std::string& FlexGrid::TextMatrix(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return kNoText;
    return model_->at(row, col);
}

bool FlexGrid::setTextMatrix(int row, int col, std::string_view text) {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return false;
    std::string& cell = model_->at(row, col);
    if (cell == text) return true;
    cell.assign(text);
    model_->changed(row, col);
    if (row == 0 && col == 0) placeCorner();
    return true;
}

std::string FlexGrid::Clip() const {
    const int r1 = std::min(row_, rowSel_), r2 = std::max(row_, rowSel_);
    const int c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
    std::string out;
    for (int r = r1; r <= r2; ++r) {
        if (r > r1) out += '\r';
        for (int c = c1; c <= c2; ++c) {
            if (c > c1) out += '\t';
            out += model_->at(r, c);
        }
    }
    return out;
}

void FlexGrid::setClip(std::string_view text) {
    const int r1 = std::min(row_, rowSel_), r2 = std::max(row_, rowSel_);
    const int c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
    std::size_t pos = 0;
    for (int r = r1; r <= r2 && pos <= text.size(); ++r) {
        std::size_t end = text.find('\r', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        std::size_t cpos = 0;
        for (int c = c1; c <= c2 && cpos <= line.size(); ++c) {
            std::size_t cend = line.find('\t', cpos);
            if (cend == std::string_view::npos) cend = line.size();
            setTextMatrix(r, c, line.substr(cpos, cend - cpos));
            cpos = cend + 1;
        }
        pos = end + 1;
    }
}

int FlexGrid::ColWidth(int col) const {
    if (col == 0) return verticalHeader()->width();
    return col > 0 && col < Cols() ? columnWidth(col - 1) : 0;
}

void FlexGrid::setColWidth(int col, int width) {
    if (col == 0)
        verticalHeader()->setFixedWidth(width);
    else if (col > 0 && col < Cols())
        setColumnWidth(col - 1, width);
}

int FlexGrid::TitleWidth(int col) const {
    if (col < 0 || col >= Cols()) return 0;
    const QHeaderView* header = col == 0 ? verticalHeader() : horizontalHeader();
    const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 2;
    if (col == 0) {
        const int title = corner_->fontMetrics().horizontalAdvance(Latin1(TextMatrix(0, 0)));
        const int numbers = header->fontMetrics().horizontalAdvance(Latin1(TextMatrix(Rows() - 1, 0)));
        return std::max(title, numbers) + margins;
    }
    const int text = header->fontMetrics().horizontalAdvance(Latin1(TextMatrix(0, col))) + margins;
    return std::max(text, header->sectionSizeHint(col - 1));
}

int FlexGrid::ColAlignment(int col) const { return col >= 0 && col < Cols() ? model_->align[col] : 0; }

void FlexGrid::setColAlignment(int col, int alignment) {
    if (col < 0 || col >= Cols()) return;
    model_->align[col] = alignment;
    viewport()->update();
}

void FlexGrid::setRowHeightMin(int height) {
    // As low as the text allows, never lower than asked.
    const int fits = fontMetrics().height() + 2;
    verticalHeader()->setMinimumSectionSize(std::max(height, fits));
    verticalHeader()->setDefaultSectionSize(std::max(height, fits));
}

int FlexGrid::CellLeft() const {
    if (col_ == 0) return frameWidth();
    return frameWidth() + verticalHeader()->width() + columnViewportPosition(col_ - 1);
}

int FlexGrid::CellTop() const {
    if (row_ == 0) return frameWidth();
    return frameWidth() + horizontalHeader()->height() + rowViewportPosition(row_ - 1);
}

int FlexGrid::CellWidth() const { return ColWidth(col_); }

int FlexGrid::CellHeight() const {
    return row_ == 0 ? horizontalHeader()->height() : rowHeight(row_ - 1);
}

QRect FlexGrid::CellRect(int row, int col) const {
    const int f = frameWidth();
    const int x = col == 0 ? f : f + verticalHeader()->width() + columnViewportPosition(col - 1);
    const int y = row == 0 ? f : f + horizontalHeader()->height() + rowViewportPosition(row - 1);
    const int w = col == 0 ? verticalHeader()->width() : columnWidth(col - 1);
    const int h = row == 0 ? horizontalHeader()->height() : rowHeight(row - 1);
    return QRect(x, y, w, h);
}

bool FlexGrid::ColIsVisible(int col) const {
    if (col == 0) return true;
    if (col < 0 || col >= Cols()) return false;
    const int x = columnViewportPosition(col - 1);
    return x >= 0 && x < viewport()->width();
}

bool FlexGrid::RowIsVisible(int row) const {
    if (row == 0) return true;
    if (row < 0 || row >= Rows()) return false;
    const int y = rowViewportPosition(row - 1);
    return y >= 0 && y < viewport()->height();
}

void FlexGrid::AddItem(std::string_view text, int index) {
    if (index < 0 || index > Rows()) index = Rows();
    const int cols = Cols();
    model_->begin();
    model_->cells.insert(model_->cells.begin() + static_cast<std::ptrdiff_t>(index) * cols,
                         static_cast<std::size_t>(cols), std::string());
    ++model_->rows;
    std::size_t pos = 0;
    for (int c = 0; c < cols && pos <= text.size(); ++c) {
        std::size_t end = text.find('\t', pos);
        if (end == std::string_view::npos) end = text.size();
        model_->at(index, c).assign(text.substr(pos, end - pos));
        pos = end + 1;
    }
    model_->end();
    showSelection();
}

bool FlexGrid::RemoveItem(int index) {
    if (index < 1 || index >= Rows()) return false;
    const int cols = Cols();
    model_->begin();
    auto first = model_->cells.begin() + static_cast<std::ptrdiff_t>(index) * cols;
    model_->cells.erase(first, first + cols);
    --model_->rows;
    model_->end();
    row_ = std::min(row_, Rows() - 1);
    rowSel_ = std::min(rowSel_, Rows() - 1);
    showSelection();
    return true;
}

void FlexGrid::Clear() {
    model_->begin();
    for (std::string& s : model_->cells) s.clear();
    model_->end();
}

void FlexGrid::setRedraw(bool redraw) {
    if (redraw == !model_->quiet) return;
    model_->quietReset(!redraw);
    if (redraw) showSelection();
}

void FlexGrid::setCells(int rows, int cols, std::vector<std::string>&& cells) {
    rows = std::max(rows, 1);
    cols = std::max(cols, 1);
    cells.resize(static_cast<std::size_t>(rows) * cols);
    model_->begin();
    model_->rows = rows;
    model_->cols = cols;
    model_->cells = std::move(cells);
    model_->align.resize(static_cast<std::size_t>(cols), 1);
    model_->end();
    row_ = std::min(row_, rows - 1);
    rowSel_ = std::min(rowSel_, rows - 1);
    col_ = std::min(col_, cols - 1);
    colSel_ = std::min(colSel_, cols - 1);
    showSelection();
    placeCorner();
}

std::vector<std::string> FlexGrid::releaseCells() {
    model_->begin();
    std::vector<std::string> cells = std::move(model_->cells);
    model_->cells.assign(1, std::string());
    model_->rows = 1;
    model_->cols = 1;
    model_->end();
    row_ = rowSel_ = col_ = colSel_ = 0;
    for (std::string& s : cells) s.clear();
    return cells;
}

void FlexGrid::showSelection() {
    if (model_->quiet || !selectionModel()) return;
    const int r1 = std::max(std::min(row_, rowSel_), 1), r2 = std::max(row_, rowSel_);
    const int c1 = std::max(std::min(col_, colSel_), 1), c2 = std::max(col_, colSel_);
    if (r2 < 1 || c2 < 1) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->select(QItemSelection(model_->index(r1 - 1, c1 - 1), model_->index(r2 - 1, c2 - 1)),
                             QItemSelectionModel::ClearAndSelect);
    if (row_ >= 1 && col_ >= 1)
        selectionModel()->setCurrentIndex(model_->index(row_ - 1, col_ - 1), QItemSelectionModel::NoUpdate);
}

bool FlexGrid::cellAt(const QPoint& pos, int& row, int& col) const {
    QModelIndex i = indexAt(pos);
    if (!i.isValid()) return false;
    row = i.row() + 1;
    col = i.column() + 1;
    return true;
}

void FlexGrid::mousePressEvent(QMouseEvent* e) {
    const int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 4;
    const QPoint p = viewport()->mapTo(this, e->position().toPoint());
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    int r = 0, c = 0;
    if (e->button() == Qt::LeftButton && cellAt(e->position().toPoint(), r, c)) {
        if (e->modifiers() & Qt::ShiftModifier) {
            rowSel_ = r;
            colSel_ = c;
            showSelection();
        } else {
            setRowCol(r, c);
        }
        pressed_ = true;
    }
    emit MouseDown(button, FlexShiftMask(e->modifiers()), p.x(), p.y());
}

void FlexGrid::mouseMoveEvent(QMouseEvent* e) {
    int r = 0, c = 0;
    if (pressed_ && (e->buttons() & Qt::LeftButton) && cellAt(e->position().toPoint(), r, c) &&
        (r != rowSel_ || c != colSel_)) {
        rowSel_ = r;
        colSel_ = c;
        showSelection();
    }
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        emit Click();
    }
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void FlexGrid::keyPressEvent(QKeyEvent* e) {
    const int code = FlexKeyCode(e->key());
    emit KeyDown(code, FlexShiftMask(e->modifiers()));
    const int r = std::max(row_, 1), c = std::max(col_, 1);
    switch (code) {
        case kKeyUp: if (r > 1) setRowCol(r - 1, c); break;
        case kKeyDown: if (r < Rows() - 1) setRowCol(r + 1, c); break;
        case kKeyLeft: if (c > 1) setRowCol(r, c - 1); break;
        case kKeyRight: if (c < Cols() - 1) setRowCol(r, c + 1); break;
        default:
            // Paging only scrolls; the current cell stays.
            if (e->key() == Qt::Key_PageDown) verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            if (e->key() == Qt::Key_PageUp) verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
            return;
    }
    if (row_ >= 1) scrollTo(model_->index(row_ - 1, col_ - 1));
}

void FlexGrid::focusInEvent(QFocusEvent* e) {
    QTableView::focusInEvent(e);
    emit GotFocus();
}

void FlexGrid::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    placeCorner();
}

void FlexGrid::updateGeometries() {
    QTableView::updateGeometries();
    placeCorner();
}

void FlexGrid::placeCorner() {
    if (!corner_) return;
    corner_->setText(Latin1(TextMatrix(0, 0)));
    corner_->setGeometry(frameWidth(), frameWidth(), verticalHeader()->width(), horizontalHeader()->height());
    corner_->raise();
}

}  // namespace vd
