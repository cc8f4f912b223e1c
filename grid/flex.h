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
#include <cstdint>
#include <string_view>
#include <string>
#include <vector>

#include "engine/model.h"
#include "grid/grid_edit.h"
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
    explicit Flex(Model& m, QWidget* parent = nullptr);
    ~Flex() override;

    // Loaders of the four views.
    void mnusewer() override;
    void mnudia();
    void mnulatral() override;
    void mnuout() override;
    // Stores every cell changed since the view loaded and sets the line or
    // pipe-size count from the rows.
    void frm7upDATE() override;
    void MakeUndoBuffer(const std::string& action);

    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool v) { autoRedraw_ = v; }
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& v) { caption_ = v; }
    bool CanPropertyChange(const std::string&) const { return false; }

    // In-place editing.
    void BeginCellEdit();
    void CommitCellEdit();

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

    // Constituent controls.
    FlexGrid* MSFlexGrid1;
    QLineEdit* txtEdit;
    QPushButton* Command4;   // "EDIT"
    QPushButton* Command10;  // Find
    QLineEdit* Text1;        // search box
    QPushButton* Command5;   // Find next
    QPushButton* Command11;  // ">>"
    QPushButton* Command9;   // "By Level"
    QPushButton* Command1;   // "By  Lenght"
    QPushButton* Command6;   // "SET Name"
    QPushButton* Command2;   // "SET Latral"
    QPushButton* Command3;   // "Set EXCEL"
    QMenu* mnuedit;
    QAction* mnueditundo;
    QAction* mnueditcut;
    QAction* mnueditcopy;
    QAction* mnueditpaste;
    QAction* mnueditdelete;
    QAction* mnufun;  // "Function": the column calculator
    QAction* mnueditinsertrow;
    QAction* mnueditdelrow;

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
    int capacity() const;

    void GridFocusCommit() { CommitCellEdit(); }
    void GridEditMenuPopup(int button, int shift, int x, int y);
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
    void report(const std::vector<std::string>& problems);
    std::string cellTitle(int col) const;

    Model& m_;
    bool autoRedraw_ = false;
    std::string caption_;
    int held_ = 0;  // commands running; commits wait for them
    bool copyCutOff_ = false;
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
};

}  // namespace vd
