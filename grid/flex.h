// The table editor "FLEX": one grid showing the line, pipe-size, lateral or
// results table, an edit box laid over the current cell, and the Edit menu
// with its undo stack. Hiding it writes the view back into the shared tables.
//
// Commands that change cells run inside a CommandScope: it commits the box
// first and reloads the box from its cell at the end, so neither a typed
// value nor the command's result is lost.
#pragma once

#include <QPointer>
#include <array>
#include <map>
#include <cstdint>
#include <optional>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "engine/model.h"
#include "grid/grid_edit.h"
#include "platform/dialogs.h"
#include "workspace/excel_export.h"
#include "workspace/grid_host.h"

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vd {

class FlexGrid;

// The views; the lateral view's value is its own.
enum GridView : int16_t { kLineView = 1, kPipeSizeView = 2, kResultsView = 3, kLateralView = 4 };

class Flex : public GridHost {
    Q_OBJECT
public:
    // `dialogs` asks where "Set EXCEL" writes its workbook.
    Flex(Model& m, Dialogs& dialogs, QWidget* parent = nullptr);
    ~Flex() override;

    // Loaders of the four views.
    void mnusewer() override;
    void mnudia();
    void mnulatral() override;
    void mnuout() override;
    // Stores every cell changed since the view loaded and sets the line or
    // pipe-size count from the rows; the line, link and result tables grow
    // to hold the lines.
    void frm7upDATE() override;
    // While a view is shown: the open cell's commit, then the write-back.
    bool CommitOpenCell() override;
    void MakeUndoBuffer(const std::string& action);

    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool v) { autoRedraw_ = v; }
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& v) { caption_ = v; }
    bool CanPropertyChange(const std::string&) const { return false; }

    // In-place editing. A commit is false when the box's text was refused:
    // the user has been told, and the cell and the box show the text kept.
    void BeginCellEdit();
    bool CommitCellEdit();

    // Commits the pending edit, holds off the commits that moving the
    // current cell would make, and at the end gives the box its cell's text.
    class CommandScope {
    public:
        explicit CommandScope(Flex& f);
        ~CommandScope();
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        Flex& f_;
    };

    // Edit menu commands.
    void mnueditcopy_Click();
    void mnueditcut_Click();
    void mnueditpaste_Click();
    void mnueditdelete_Click();
    void mnueditundo_Click() { UndoLastEdit(); }
    void mnueditinsertrow_Click();
    void mnueditdelrow_Click();

    Model& model() { return m_; }

    // What the column calculator reads and writes besides the texts: the
    // exact value cell (row, col) stands for (see exactOf), whether a
    // column's fields are single-precision, and a cell given a text with
    // the value it stands for.
    std::optional<float> CellExact(int row, int col) const;
    bool HoldsSingles(int col) const;
    void GiveCell(int row, int col, const std::string& text, std::optional<float> exact);
    // What opens a workbook "Set EXCEL" wrote; the desktop's program unless set.
    void setWorkbookOpener(WorkbookOpener open) { openWorkbook_ = std::move(open); }

    std::array<GridColumnDef, 106> ColumnCatalogue{};
    int16_t FillRow = 0;
    int16_t EditCode = 0;
    int16_t GridMode = 0;
    int EditRow = 0, EditCol = 0, EditTopRow = 0, EditLeftCol = 0;
    std::string EditStartText;
    UndoStack Undo;

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct ViewSpec;
    void loadView(const ViewSpec& v);
    int viewCount(int16_t mode) const;
    // The most rows the view's table may hold, and the sentence that says so.
    int capacity() const;
    std::string capacityText() const;
    // Adds blank rows at the end, up to `rows` rows with the title row.
    void growRows(int rows);
    // frm7upDATE; false when a cell was refused.
    bool writeBack();
    // CommitCellEdit, its refusal added to `problems` rather than told.
    bool commitBox(std::vector<std::string>& problems);

    void GridFocusCommit() { CommitCellEdit(); }
    void GridEditMenuPopup(int button, int shift, int x, int y);
    // The grid moves its own cursor; a key adds nothing to that.
    void GridKeyNoop() {}
    void FollowGridScroll();
    bool txtEdit_KeyDown(int keyCode, int shift);
    bool txtEdit_KeyPress(int keyAscii);
    void moveEdit(int dRow, int dCol);
    void fillGroundLevels();
    void UndoLastEdit();
    void ResetUndoBuffer() { Undo.Reset(10); }
    void reloadBox();
    void placeBox();
    void blankSelection();
    void rowsChanged();

    // Storing one cell into its record; false with a message when refused.
    bool storeCell(int record, int col, const std::string& text, std::vector<std::string>* problems);
    // Brings the field of grid cell (row, col), of source record `source`
    // and now in record `record`, in line with the cell's text: a text the
    // cell was given with an exact value (see given_) stores that value, the
    // text loaded for it puts back the value the field had then, any other
    // text is stored.
    bool syncCell(int row, int source, int record, int col, const std::string& text,
                  std::vector<std::string>* problems);
    void report(const std::vector<std::string>& problems);
    std::string cellTitle(int col) const;

    Model& m_;
    Dialogs& dialogs_;
    WorkbookOpener openWorkbook_;
    // The children. Each carries its form name as objectName ("MSFlexGrid1",
    // "txtEdit", "Command3", "mnueditcopy"), by which tests find it.
    FlexGrid* grid_;                  // MSFlexGrid1
    QLineEdit* editBox_;              // txtEdit, laid over the current cell
    QPushButton* editButton_;         // Command4 "EDIT"
    QPushButton* findButton_;         // Command10, Find
    QLineEdit* searchBox_;            // Text1
    QPushButton* findNextButton_;     // Command5, Find next
    QPushButton* moreButton_;         // Command11 ">>"
    QPushButton* byLevelButton_;      // Command9 "By Level"
    QPushButton* byLengthButton_;     // Command1 "By  Lenght"
    QPushButton* setNameButton_;      // Command6 "SET Name"
    QPushButton* setLateralButton_;   // Command2 "SET Latral"
    QPushButton* excelButton_;        // Command3 "Set EXCEL"
    QMenu* editMenu_;                 // mnuedit
    QAction *undoAction_, *cutAction_, *copyAction_, *pasteAction_, *deleteAction_;
    QAction* functionAction_;         // mnufun "Function": the column calculator
    QAction *insertRowAction_, *removeRowAction_;
    // The command half of the editor works on these children.
    friend class FlexCommands;

    bool autoRedraw_ = false;
    std::string caption_;
    int held_ = 0;  // commands running; commits wait for them
    // The record each grid row shows (0: a row added since the load), and the
    // texts the cells of each record had at the load, record-major.
    std::vector<int> rowRecord_;
    struct LoadedTexts {
        std::string bytes;                // every text, one after another
        std::vector<std::uint32_t> start;  // per cell, record-major, and one past the end
        int cols = 0;
        void take(int rows, int cols, const std::vector<std::string>& cells);
        std::string_view at(int record, int col) const {
            const std::size_t i = static_cast<std::size_t>(record) * cols + col;
            return std::string_view(bytes).substr(start[i], start[i + 1] - start[i]);
        }
    } loaded_;
    std::string_view loadedText(int record, int col) const { return loaded_.at(record, col); }
    // Fields changed since the loaded texts were taken, by (record, column):
    // the bytes the field held then, and the text last stored into it. A
    // cell given its loaded text back (Undo, or typing it again) gets exactly
    // that value back, not the value of the text, which shows fewer digits.
    struct KeptField {
        std::string bytes;
        std::string text;
        bool exact = false;  // the text came with the value stored, not read from it
    };
    std::map<std::pair<int, int>, KeptField> originals_;
    // The text whose value the field of cell (source record, col) holds now:
    // what a refused cell shows again.
    std::string keptText(int source, int col) const;

    // The values cells of single-precision columns were given with their
    // texts by a paste of this grid's own block, by Undo and by the column
    // calculator, by grid (row, column). While a cell shows that text it
    // stands for that value; none: for the value of the text itself.
    struct GivenValue {
        std::string text;
        std::optional<float> exact;
    };
    std::map<std::pair<int, int>, GivenValue> given_;
    // The exact value cell (row, col) stands for with `text`: the value it
    // was given with it, else for its loaded text the value the field had
    // at the load; nothing where it stands for its text.
    std::optional<float> exactOf(int row, int col, std::string_view text) const;
    std::optional<float> loadedValue(int row, int col, std::string_view text) const;
    // Gives cell (row, col) its present text with `exact`; a text the cell
    // would refuse changes nothing, so what it stood for before stays.
    void give(int row, int col, std::optional<float> exact);
    // Gives cell (row, col) its present text with the value field record
    // `record` holds (0: a row added since the load, which holds none).
    void giveStored(int row, int col, int record);
    BlockValues blockValues(const CellBlock& b) const;
    void giveBlock(const CellBlock& b, const BlockValues& values);
    // Rows inserted (by > 0) or removed (by < 0) at `row`.
    void shiftGiven(int row, int by);
};

}  // namespace vd
