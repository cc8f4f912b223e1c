// Search and filters of the profile view: the lines that pass one of eleven
// filters, one row per hit with its value before a bar and the line number
// after it. The rows are plain code; SearchFrame is the frame on the control.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vd {

enum class SearchFilter : int {
    ManholeName = 0,
    Latral = 1,
    LengthAtLeast = 2,
    DepthBelow = 3,
    DepthAbove = 4,
    VelocityBelow = 5,
    VelocityAbove = 6,
    DropAtLeast = 7,
    ChangeDia = 8,
    LengthAtMost = 9,
    None = 10,
};
inline constexpr int kSearchFilterCount = 11;

// How found lines are marked (Option3).
enum class MarkOption : int { None = 0, Diameter = 1, Color = 2, Package = 3 };

// The captions of the filter options and of the marking options.
extern const std::array<const char*, kSearchFilterCount> kSearchFilterCaptions;
extern const std::array<const char*, 4> kMarkOptionCaptions;

struct SearchRequest {
    SearchFilter filter = SearchFilter::ManholeName;
    std::string text;      // Txt1: a name or a bound
    MarkOption mark = MarkOption::None;
    std::string markText;  // Text5: the diameter marked
};

struct SearchResult {
    std::vector<std::string> rows;
    // The line each row stands for; names may hold bars and digits, so the
    // row text does not tell it.
    std::vector<int> lines;
    // The filter sets the marking choice back to "None".
    bool markReset = false;
    // Why nothing could be searched; empty when the search ran.
    std::string message;
    // The search or marking value was refused as no number.
    bool searchBoxRefused = false;
    bool markBoxRefused = false;
};

// The search and marking value boxes as a refusal names them.
inline constexpr const char* kSearchBoxName = "Search value";
inline constexpr const char* kMarkBoxName = "Marking value";

// Runs one filter over the lines (or laterals) in order.
SearchResult RunSearch(const Model& m, const SearchRequest& request);

// The "Info" text: the count of rows, the first row's value and the last
// row's value (the rows keep the order found, so these are no extremes).
std::string SearchInfoText(std::size_t count, std::string_view firstRow, std::string_view lastRow);

// The row "Find Next" moves to: the next one, the first when none is
// selected, the last one stays; -1 for an empty list.
int NextRow(int selected, int rowCount);

// Command28's canvas value: raised by 2.5 below 10, else back to 2.5.
double NextCanvasStep(double value);

// The search frame " Search " with its filters, result list and buttons.
class SearchFrame : public QWidget {
    Q_OBJECT
public:
    SearchFrame(Model& m, QWidget* parent = nullptr);

    // Shows the sheet of a line and selects it there (the control's findsheet).
    std::function<void(int line)> findsheet;
    // Hands the keyboard focus back to the canvas.
    std::function<void()> focusCanvas;
    // Shows an OK-only message.
    std::function<void(const std::string&)> showMessage;
    // The canvas value Command28 steps.
    double* canvasStep = &ownStep_;

    SearchFilter filter() const;
    void setFilter(SearchFilter f);
    MarkOption mark() const;
    void setMark(MarkOption o);
    // 1 when the marking option `index` is the one chosen, else 0.
    int ReadMarkOption(int index) const;

    // Handlers, by their form names.
    void Command18_Click();  // "Search": show the frame
    void Command19_Click();  // "Close"
    void Option2_Click();
    void Comand1_Click();    // "Find"
    void Comand2_Click();    // "Find &Next"
    void List1_DblClick();
    void Command24_Click();  // "Info"
    void Command27_Click();  // "Msg"
    void Command28_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Model& m_;
    QButtonGroup* filters_ = nullptr;
    QButtonGroup* marks_ = nullptr;
    QLineEdit* searchBox_ = nullptr;     // Txt1: a name or a bound
    QLineEdit* markBox_ = nullptr;       // Text5: the diameter marked
    QListWidget* resultList_ = nullptr;  // List1
    std::vector<int> rowLines_;          // the line of each row of List1
    // The texts of Txt1 and Text5 the last search took.
    std::string searchText_, markText_;
    double ownStep_ = 2.5;
};

class ProfileControl;
// Puts the "Search" button and the search frame, hidden, into the control's
// side panel; a chosen row shows its line through the control's findsheet.
SearchFrame* AttachSearchFrame(ProfileControl& control);

}  // namespace vd
