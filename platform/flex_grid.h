// A text grid with a frozen title row 0 and number column 0, addressed by
// row and column as the table editor addresses it. Cells hold Latin-1 texts
// in one flat table; painting only reads them, so 30,000 rows of 55 columns
// stay light. The current cell (Row, Col) and the other corner of the
// selection (RowSel, ColSel) belong to the grid and may be 0.
#pragma once

#include <QTableView>
#include <string>
#include <string_view>
#include <vector>

class QLabel;

namespace vd {

class FlexGridModel;

// Key codes and the Shift mask (1 Shift, 2 Ctrl, 4 Alt) the key events carry.
enum FlexKey : int {
    kKeyEnter = 13,
    kKeyEscape = 27,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKeyF6 = 117,
};
int FlexKeyCode(int qtKey);
int FlexShiftMask(Qt::KeyboardModifiers modifiers);

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int Rows() const;
    int Cols() const;
    // Resizing keeps the texts that still fit; new cells are empty.
    void setRows(int rows);
    void setCols(int cols);

    // Moving the current cell collapses the selection onto it and raises
    // EnterCell when the cell changes. Out-of-range values return false.
    int Row() const { return row_; }
    int Col() const { return col_; }
    int RowSel() const { return rowSel_; }
    int ColSel() const { return colSel_; }
    bool setRow(int row);
    bool setCol(int col);
    bool setRowCol(int row, int col);
    bool setRowSel(int row);
    bool setColSel(int col);

    // First data row and column in view.
    int TopRow() const;
    int LeftCol() const;
    void setTopRow(int row);
    void setLeftCol(int col);

    // Cell texts; an empty text outside the grid.
    const std::string& TextMatrix(int row, int col) const;
    bool setTextMatrix(int row, int col, std::string_view text);
    const std::string& Text() const { return TextMatrix(row_, col_); }
    void setText(std::string_view text) { setTextMatrix(row_, col_, text); }

    // The selected block, top to bottom and left to right: a Tab between
    // cells, a CR between rows, nothing trailing.
    std::string Clip() const;
    // Fills the selected block from its top-left cell: rows split at CR,
    // cells at Tab. Text beyond the block is ignored; cells it does not
    // reach keep their texts.
    void setClip(std::string_view text);

    // Widths in pixels; alignment 1 is left, as every view sets it.
    int ColWidth(int col) const;
    void setColWidth(int col, int width);
    // The width that shows the whole title of column `col` (row 0) in the
    // header's font; for column 0, its title and the widest row number.
    int TitleWidth(int col) const;
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    void setRowHeightMin(int height);

    // The current cell's place in pixels, relative to the grid's own corner.
    int CellLeft() const;
    int CellTop() const;
    int CellWidth() const;
    int CellHeight() const;
    // Any cell's place and size in pixels, relative to the grid's own corner.
    QRect CellRect(int row, int col) const;
    bool ColIsVisible(int col) const;
    bool RowIsVisible(int row) const;

    // Adds a row whose cells are the Tab-separated text, before row `index`
    // (at the end when index is -1).
    void AddItem(std::string_view text, int index = -1);
    // Removes row `index`; the title row stays.
    bool RemoveItem(int index);
    // Blanks every cell; the size stays.
    void Clear();

    // While off, texts change without repainting; turning it on shows them.
    void setRedraw(bool redraw);

    // Takes a whole table of texts at once, row-major, rows × cols.
    void setCells(int rows, int cols, std::vector<std::string>&& cells);
    // Gives up its texts, blanked, for the caller to fill and hand back with
    // setCells: a large table is rebuilt in the memory it had rather than in
    // fresh memory. Until then the grid holds one empty cell.
    std::vector<std::string> releaseCells();

signals:
    void Click();
    void EnterCell();
    void Scroll();
    void MouseDown(int button, int shift, int x, int y);
    void KeyDown(int keyCode, int shift);
    void GotFocus();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void updateGeometries() override;

private:
    void showSelection();
    void placeCorner();
    bool cellAt(const QPoint& viewportPos, int& row, int& col) const;

    FlexGridModel* model_;
    QLabel* corner_ = nullptr;
    int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
    bool pressed_ = false;
};

}  // namespace vd
