#include "profile_view/search.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_set>

#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "engine/walk.h"
#include "profile_drawing/sheet_parts.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/profile_control.h"
#include "profile_view/view_mapping.h"

namespace vd {

const std::array<const char*, kSearchFilterCount> kSearchFilterCaptions = {
    "Manhole Name", "Latral",      "Length>", "Depth <",    "Depth >",  "Velocity <",
    "Velocity > ",  "Drop  >",     "Change Dia", "Length <", "None",
};
const std::array<const char*, 4> kMarkOptionCaptions = {"None", "Diameter", "Color", "Package"};

namespace {

// A field's full width as shown in a row; a field never assigned shows blank.
template <std::size_t N>
std::string FullText(const FixedText<N>& t) {
    return t.unassigned() ? std::string(N, ' ') : t.str();
}
template <std::size_t N>
std::string TrimmedText(const FixedText<N>& t) {
    return t.unassigned() ? std::string() : t.rtrim();
}

bool UsesBound(SearchFilter f) {
    switch (f) {
        case SearchFilter::LengthAtLeast:
        case SearchFilter::DepthBelow:
        case SearchFilter::DepthAbove:
        case SearchFilter::VelocityBelow:
        case SearchFilter::VelocityAbove:
        case SearchFilter::DropAtLeast:
        case SearchFilter::LengthAtMost: return true;
        default: return false;
    }
}

}  // namespace

SearchResult RunSearch(const Model& m, const SearchRequest& q) {
    SearchResult out;
    const int n = UsableLines(m);
    const SearchFilter f = q.filter;
    out.markReset = f == SearchFilter::ManholeName || f == SearchFilter::Latral;
    const MarkOption mark = out.markReset ? MarkOption::None : q.mark;

    if (n == 0) {
        out.message = "The network has no lines to search.";
        return out;
    }

    // The bound of the numeric filters; an empty box counts as 0.
    float v = 0;
    if (UsesBound(f)) {
        const OneNumber typed = ReadSingleBox(q.text);
        if (typed.kind == OneNumber::NotANumber || typed.kind == OneNumber::TooLarge) {
            out.message = BoxRefusal(kSearchBoxName, q.text, typed.kind, "nothing was searched");
            out.searchBoxRefused = true;
            return out;
        }
        v = static_cast<float>(typed.value);
    }
    // Lines are tested only while the marking choice is "None".
    const bool testLines = mark == MarkOption::None;
    const std::string name = UpperCase(Trim(q.text));
    // A row: its value and bar, then the number of the line it stands for.
    auto add = [&out](std::string valueAndBar, int line) {
        out.rows.push_back(std::move(valueAndBar) + NumText(line));
        out.lines.push_back(line);
    };
    auto next = [&](int i) { return LinkedLine(m.Links[i].NextLine, n); };

    switch (f) {
        case SearchFilter::ManholeName:
            if (name.empty()) {
                out.message = "Type the manhole name to find.";
                return out;
            }
            for (int i = 1; i <= n; ++i) {
                const LineRecord& l = m.Lines[i];
                if (TrimmedText(l.From) == name || (TrimmedText(l.to) == name && next(i) == 0))
                    add(TrimmedText(l.From) + "              | ", i);
            }
            break;
        case SearchFilter::Latral:
            for (int k = 1; k <= m.LatCount; ++k) {
                const int first = m.Lat(k, LatFirst);
                if (first < 1 || first > n) continue;
                add(FullText(m.Lines[first].Latral) + "          |", first);
            }
            if (out.rows.empty()) out.message = "There are no laterals yet; run Process first.";
            break;
        case SearchFilter::ChangeDia: {
            std::unordered_set<int> listed;
            for (int i = 1; i <= n; ++i) {
                const int N = next(i);
                if (N == 0) continue;
                float largest = m.Lines[i].Dia;
                for (int16_t b : {m.Links[i].Branch1, m.Links[i].Branch2})
                    if (int k = LinkedLine(b, n)) largest = std::max(largest, m.Lines[k].Dia);
                if (m.Lines[N].Dia > largest && listed.insert(N).second)
                    add(StrSingle(m.Lines[N].Dia) + "                 |", N);
            }
            break;
        }
        case SearchFilter::None:
            if (q.mark == MarkOption::Diameter) {
                const OneNumber dia = ReadSingleBox(q.markText);
                if (dia.kind != OneNumber::Number) {
                    out.message = BoxRefusal(kMarkBoxName, q.markText, dia.kind, "nothing was marked");
                    out.markBoxRefused = true;
                    return out;
                }
                for (int i = 1; i <= n; ++i)
                    if (m.Lines[i].Dia == static_cast<float>(dia.value))
                        add(FullText(m.Lines[i].From) + "            |", i);
            }
            break;
        default:
            if (!testLines) break;
            for (int i = 1; i <= n; ++i) {
                const LineRecord& l = m.Lines[i];
                const float depth = l.Gr1 - l.Inv1;
                const float velocity = m.Results[i].VmaxEnd;
                switch (f) {
                    case SearchFilter::LengthAtLeast:
                        if (l.Len >= v) add(StrSingle(l.Len) + "            |", i);
                        break;
                    case SearchFilter::LengthAtMost:
                        if (l.Len <= v) add(StrSingle(l.Len) + "                |", i);
                        break;
                    case SearchFilter::DepthBelow:
                        if (depth < v) add(FormatFixed(depth, 2) + "          |", i);
                        break;
                    case SearchFilter::DepthAbove:
                        if (depth > v) add(FormatFixed(depth, 2) + "          |", i);
                        break;
                    case SearchFilter::VelocityBelow:
                        if (velocity < v) add(FormatFixed(velocity, 2) + "          |", i);
                        break;
                    case SearchFilter::VelocityAbove:
                        if (velocity > v) add(FormatFixed(velocity, 2) + "          |", i);
                        break;
                    case SearchFilter::DropAtLeast: {
                        const int N = next(i);
                        if (N == 0) break;  // an outfall has no drop
                        const float drop = l.Inv2 - m.Lines[N].Inv1;
                        if (drop >= v) add(FormatFixed(drop, 2) + "          |", i);
                        break;
                    }
                    default: break;
                }
            }
            break;
    }
    return out;
}

std::string SearchInfoText(std::size_t count, std::string_view firstRow, std::string_view lastRow) {
    // A manhole named "1E400" lists a value no number holds: it counts as 0.
    auto value = [](std::string_view row) {
        try {
            return Val(row);
        } catch (const RuntimeError&) {
            return 0.0;
        }
    };
    return "Count: " + NumText(static_cast<long long>(count)) + "\nMin: " + PlainNumberText(value(firstRow)) +
           "\nMax: " + PlainNumberText(value(lastRow));
}

int NextRow(int selected, int rowCount) {
    if (rowCount <= 0) return -1;
    if (selected < 0 || selected >= rowCount) return 0;
    return selected < rowCount - 1 ? selected + 1 : selected;
}

double NextCanvasStep(double value) { return value < 10 ? value + 2.5 : 2.5; }

// ---- the frame on the control -----------------------------------------------

SearchFrame::SearchFrame(Model& m, QWidget* parent) : QWidget(parent), m_(m) {
    setObjectName("Frame3");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QGroupBox(QStringLiteral(" Search "), this);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);

    auto* filterBox = new QGroupBox(QStringLiteral("Filter2"), frame);
    auto* filterGrid = new QGridLayout(filterBox);
    filters_ = new QButtonGroup(this);
    for (int i = 0; i < kSearchFilterCount; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(kSearchFilterCaptions[i]), filterBox);
        option->setObjectName(QStringLiteral("Option2_%1").arg(i));
        filters_->addButton(option, i);
        filterGrid->addWidget(option, i / 2, i % 2);
    }
    filters_->button(0)->setChecked(true);
    connect(filters_, &QButtonGroup::idClicked, this, [this](int) { Option2_Click(); });
    layout->addWidget(filterBox);

    searchBox_ = new QLineEdit(frame);
    searchBox_->setObjectName("Txt1");
    searchBox_->installEventFilter(this);
    layout->addWidget(searchBox_);

    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const char* name, const char* caption, void (SearchFrame::*handler)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), frame);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
        return b;
    };
    addButton("Comand1", "Find", &SearchFrame::Comand1_Click);
    addButton("Comand2", "Find &Next", &SearchFrame::Comand2_Click);
    addButton("Command24", "Info", &SearchFrame::Command24_Click);
    addButton("Command27", "Msg", &SearchFrame::Command27_Click);
    addButton("Command28", "", &SearchFrame::Command28_Click)->setMaximumWidth(20);
    addButton("Command19", "Close", &SearchFrame::Command19_Click);
    layout->addLayout(buttons);

    resultList_ = new QListWidget(frame);
    resultList_->setObjectName("List1");
    resultList_->setSortingEnabled(false);
    resultList_->setFont(QFont(QStringLiteral("Monospace"), 8));
    resultList_->setMinimumHeight(140);
    resultList_->viewport()->installEventFilter(this);
    connect(resultList_, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    layout->addWidget(resultList_, 1);

    auto* markFrame = new QGroupBox(QStringLiteral("Filter1"), frame);
    auto* markGrid = new QGridLayout(markFrame);
    marks_ = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(kMarkOptionCaptions[i]), markFrame);
        option->setObjectName(QStringLiteral("Option3_%1").arg(i));
        marks_->addButton(option, i);
        markGrid->addWidget(option, i / 2, i % 2);
    }
    marks_->button(0)->setChecked(true);
    markBox_ = new QLineEdit(markFrame);
    markBox_->setObjectName("Text5");
    markGrid->addWidget(markBox_, 2, 0, 1, 2);
    layout->addWidget(markFrame);
}

SearchFilter SearchFrame::filter() const { return static_cast<SearchFilter>(std::max(0, filters_->checkedId())); }
void SearchFrame::setFilter(SearchFilter f) { filters_->button(static_cast<int>(f))->setChecked(true); }
MarkOption SearchFrame::mark() const { return static_cast<MarkOption>(std::max(0, marks_->checkedId())); }
void SearchFrame::setMark(MarkOption o) { marks_->button(static_cast<int>(o))->setChecked(true); }
int SearchFrame::ReadMarkOption(int index) const { return marks_->checkedId() == index ? 1 : 0; }

void SearchFrame::Command18_Click() {
    show();
    searchBox_->setFocus();
}

void SearchFrame::Command19_Click() {
    hide();
    if (focusCanvas) focusCanvas();
}

void SearchFrame::Option2_Click() {
    searchBox_->setFocus();
    resultList_->clear();
    rowLines_.clear();
    searchBox_->clear();
    searchText_.clear();
}

void SearchFrame::Comand1_Click() {
    resultList_->clear();
    rowLines_.clear();
    SearchRequest q;
    q.filter = filter();
    q.text = searchBox_->text().toLatin1().toStdString();
    q.mark = mark();
    q.markText = markBox_->text().toLatin1().toStdString();
    SearchResult r = RunSearch(m_, q);
    if (r.markReset) setMark(MarkOption::None);
    // A refused value puts back the text the last search took.
    if (r.searchBoxRefused) searchBox_->setText(QString::fromLatin1(searchText_));
    else searchText_ = q.text;
    if (r.markBoxRefused) markBox_->setText(QString::fromLatin1(markText_));
    else markText_ = q.markText;
    if (!r.message.empty()) {
        if (showMessage) showMessage(r.message);
        return;
    }
    QStringList items;
    items.reserve(static_cast<int>(r.rows.size()));
    for (const std::string& row : r.rows) items << QString::fromLatin1(row.data(), static_cast<int>(row.size()));
    resultList_->addItems(items);
    rowLines_ = std::move(r.lines);
    m_.Ui->SetStatus(r.rows.empty() ? std::string("No line found") : NumText(static_cast<long long>(r.rows.size())) + " found");
    Comand2_Click();
}

void SearchFrame::Comand2_Click() {
    const int row = NextRow(resultList_->currentRow(), resultList_->count());
    if (row < 0) return;
    resultList_->setCurrentRow(row);
    List1_DblClick();
}

void SearchFrame::List1_DblClick() {
    const int row = resultList_->currentRow();
    if (row < 0 || row >= static_cast<int>(rowLines_.size())) return;
    const int line = rowLines_[static_cast<std::size_t>(row)];
    // A row left from before the network changed may name no line now.
    if (line > 0 && line <= UsableLines(m_) && findsheet) findsheet(line);
}

void SearchFrame::Command24_Click() {
    const int count = resultList_->count();
    const QByteArray first = count > 0 ? resultList_->item(0)->text().toLatin1() : QByteArray();
    const QByteArray last = count > 0 ? resultList_->item(count - 1)->text().toLatin1() : QByteArray();
    const std::string info = SearchInfoText(static_cast<std::size_t>(count), std::string_view(first.constData(), first.size()),
                                            std::string_view(last.constData(), last.size()));
    if (showMessage) showMessage(info);
    else m_.Ui->MessageBox(info);
}

void SearchFrame::Command27_Click() { AppendLog(m_, NumText(resultList_->count())); }

void SearchFrame::Command28_Click() { *canvasStep = NextCanvasStep(*canvasStep); }

bool SearchFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchBox_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Comand2_Click();
            return true;
        }
    }
    if (watched == resultList_->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        Command24_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

SearchFrame* AttachSearchFrame(ProfileControl& control) {
    auto* button = new QPushButton(QStringLiteral("Search"));
    button->setObjectName("Command18");
    button->setFocusPolicy(Qt::NoFocus);
    control.addToSidePanel(button);
    auto* frame = new SearchFrame(control.model());
    control.addToSidePanel(frame);
    frame->hide();
    frame->findsheet = [&control](int line) { control.findsheet(line); };
    frame->focusCanvas = [&control] { control.canvasWidget().setFocus(); };
    frame->showMessage = [&control](const std::string& text) {
        control.dialogs().Message(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    };
    frame->canvasStep = &control.CanvasStep;
    QObject::connect(button, &QPushButton::clicked, frame, &SearchFrame::Command18_Click);
    return frame;
}

void ProfileControl::Command18_Click() {
    if (auto* frame = findChild<SearchFrame*>()) frame->Command18_Click();
}

}  // namespace vd
