#include "profile_view/style_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "cad/aci_palette.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "engine/whole_file.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/output.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/key_table.h"
#include "profile_view/profile_control.h"
#include "profile_view/view_mapping.h"
#include "profile_view/view_button.h"

namespace vd {

namespace {

QString FromLatin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
std::string Latin1(const QString& s) { return s.toLatin1().toStdString(); }
QColor ScreenColour(int32_t rgb) { return QColor(AciRed(rgb), AciGreen(rgb), AciBlue(rgb)); }

const char* const kPickARow = "Pick a row of the Object List first: the boxes belong to the row picked.";

// Captions of Text1(0) to Text1(8); Text1(0) is the selection-box colour.
const char* const kBoxCaptions[9] = {"Select Box Color", "Color :", "Style :", "Row Locate:", "H-Space: (M=Middle)",
                                     "Text height :", "Divide-Line (length)", "Rotation :", "Height text :"};

// Text1(0) to Text1(8) as a refusal names them.
const char* const kBoxNames[9] = {"Select Box Color", "Color", "Style", "Row Locate", "H-Space",
                                  "Text height", "Divide-Line", "Rotation", "Height text"};

// A number the settings file keeps: colours within 16 bits, other values
// within what a style row can be read back with.
bool Storable(double v, double bound) { return std::isfinite(v) && std::fabs(v) <= bound; }

// A box's text as a refusal quotes it, as NumberRefusal does.
std::string Shown(std::string_view text) {
    std::string t = Trim(text);
    return t.size() > 40 ? t.substr(0, 40) + "..." : t;
}

template <std::size_t N>
std::string ShownText(FixedText<N>& field) {
    const std::string t = StyleText(field);
    field = t;
    return t;
}

// Rows 0 to 25 with colours of 0 or less set to 3, for the time of a write.
class ColourFloor {
public:
    explicit ColourFloor(Model& m) : m_(m) {
        for (int r = 0; r <= 25; ++r) {
            saved_[r] = m.ObjectStyles[r].Color;
            if (m.ObjectStyles[r].Color <= 0) m.ObjectStyles[r].Color = 3;
        }
    }
    ~ColourFloor() {
        for (int r = 0; r <= 25; ++r) m_.ObjectStyles[r].Color = saved_[r];
    }

private:
    Model& m_;
    std::array<float, 26> saved_{};
};

// Why bytes cannot be a drawing-settings file, or "".
std::string NotASettingsFile(const std::string& bytes) {
    const std::size_t least = static_cast<std::size_t>(kStyleRecords) * kSettingsRecordBytes;
    const std::size_t most = static_cast<std::size_t>(kSettingsRecords) * kSettingsRecordBytes;
    if (bytes.size() < least || bytes.size() > most || bytes.size() % kSettingsRecordBytes != 0)
        return "it is " + std::to_string(bytes.size()) + " bytes long, where a drawing-settings file holds " +
               std::to_string(kStyleRecords) + " to " + std::to_string(kSettingsRecords) + " records of " +
               std::to_string(kSettingsRecordBytes) + " bytes";
    // The rest as at start-up, so a loaded file is one the next start accepts.
    return SettingsFileDamage(bytes);
}

}  // namespace

// ---- the rows --------------------------------------------------------------------

StyleBoxes ShowStyleRow(Model& m, int r) {
    StyleBoxes b;
    if (r < 0 || r >= kStyleRecords) return b;
    ObjectStyle& s = m.ObjectStyles[r];
    if (r == 0) {
        b.text[1] = FloatText(s.Color);
        b.text[0] = ShownText(s.StyleName);
        return b;
    }
    if (!s.Visible.unassigned()) s.Visible = UpperCase(s.Visible.view());
    b.visible = s.Visible.view() == "Y";
    b.middle = std::isfinite(s.VSpace) && RoundHalfEven(s.VSpace) == 1;
    b.text[1] = FloatText(s.Color);
    b.text[2] = ShownText(s.StyleName);
    const std::string rowLocate = StyleText(s.RowLocate);
    b.text[3] = rowLocate;
    // Stored back as the text of its number when that text fits the field;
    // a row that got here holds a number the drawing can read.
    try {
        const std::string number = PlainNumberText(Val(rowLocate));
        if (number.size() <= 7) s.RowLocate = number;
    } catch (const RuntimeError&) {
    }
    b.text[4] = ShownText(s.HSpace);
    b.text[5] = FloatText(s.TextHeight);
    b.text[6] = FloatText(s.DivideLen);
    b.text[7] = FloatText(s.Rotate);
    b.text[8] = ShownText(s.HeightText);
    return b;
}

Outcome ApplyStyleRow(Model& m, int r, const StyleBoxes& b, const StyleBoxes* shown, int* refusedBox) {
    if (refusedBox) *refusedBox = -1;
    if (r < 0 || r >= kStyleRecords) return Outcome::Fail(kPickARow);
    auto edited = [&](int box) { return !shown || shown->text[box] != b.text[box]; };
    // why: what is wrong with the box's text, which it quotes itself.
    auto refused = [&](int box, const std::string& why) {
        if (refusedBox) *refusedBox = box;
        return Outcome::Fail(std::string(kBoxNames[box]) + ": " + why + "; nothing is applied.");
    };
    auto refusal = [&](int box, const std::string& why) { return refused(box, "\"" + Shown(b.text[box]) + "\" " + why); };
    constexpr std::size_t kWidth = 7;  // every text field of a style row but its name
    const std::string tooLong = "does not fit the " + std::to_string(kWidth) + " characters of its field";
    // The box's number, read whole, or why it has none a style can hold.
    auto number = [&](int box, double bound, double& out) -> std::string {
        const OneNumber n = ReadBox(b.text[box]);
        out = n.value;  // an empty box is 0
        if (n.kind == OneNumber::NotANumber || n.kind == OneNumber::TooLarge) return NumberRefusal(b.text[box], n.kind);
        if (!Storable(out, bound)) return "\"" + Shown(b.text[box]) + "\" is out of the range a drawing style can use";
        return {};
    };

    ObjectStyle s = m.ObjectStyles[r];
    // Number boxes: {box, bound, the float it sets, or the text it sets as its number}.
    struct NumberBox {
        int box;
        double bound;
        float* value;
        std::function<void(const std::string&)> text;
    };
    std::vector<NumberBox> numbers;
    std::vector<std::pair<int, std::function<void(const std::string&)>>> texts;
    if (r == 0) {
        numbers.push_back({0, 32767, nullptr, [&](const std::string& t) { s.StyleName = t; }});
        numbers.push_back({1, 32767, &s.Color, nullptr});
    } else {
        numbers.push_back({1, 32767, &s.Color, nullptr});
        texts.emplace_back(2, [&](const std::string& t) { s.StyleName = t; });
        numbers.push_back({3, 1e7, nullptr, [&](const std::string& t) { s.RowLocate = t; }});
        texts.emplace_back(4, [&](const std::string& t) { s.HSpace = t; });
        numbers.push_back({5, 1e7, &s.TextHeight, nullptr});
        numbers.push_back({6, 1e7, &s.DivideLen, nullptr});
        numbers.push_back({7, 1e7, &s.Rotate, nullptr});
        numbers.push_back({8, 1e7, nullptr, [&](const std::string& t) { s.HeightText = t; }});
    }
    // Every box is checked before anything changes, so a refusal leaves the row as it was.
    for (const NumberBox& n : numbers) {
        if (!edited(n.box)) continue;
        double v = 0;
        if (std::string why = number(n.box, n.bound, v); !why.empty()) return refused(n.box, why);
        if (n.value) {
            *n.value = static_cast<float>(v);
            continue;
        }
        const std::string t = PlainNumberText(v);
        if (t.size() > kWidth) return refusal(n.box, tooLong);
        n.text(t);
    }
    for (const auto& [box, set] : texts) {
        if (!edited(box)) continue;
        std::string t = b.text[box];
        while (!t.empty() && t.back() == ' ') t.pop_back();
        if (t.size() > kWidth) return refusal(box, tooLong);
        set(b.text[box]);
    }
    if (r != 0 && (!shown || shown->visible != b.visible)) s.Visible = b.visible ? "Y" : "N";

    // What the drawing would fail on is refused here as in a file.
    std::string field;
    if (std::string why = StyleFieldFault(s, r, &field); !why.empty()) {
        static const std::map<std::string, int> boxOf = {{"Color", 1},     {"RowLocate", 3},  {"HSpace", 4},
                                                         {"TextHeight", 5}, {"DivideLen", 6}, {"Rotate", 7},
                                                         {"HeightText", 8}};
        int box = field == "StyleName" ? (r == 0 ? 0 : 2) : boxOf.count(field) ? boxOf.at(field) : -1;
        if (box >= 0) return refused(box, why.substr(field.size() + 1));
        return Outcome::Fail("Style row " + std::to_string(r) + ", field " + why + "; nothing is applied.");
    }
    m.ObjectStyles[r] = s;
    return PutStyleRecord(m, r);
}

Outcome CloseStyles(Model& m) {
    for (int r = 0; r <= 25; ++r) {
        ObjectStyle& s = m.ObjectStyles[r];
        if (s.Color <= 0) s.Color = 3;
        if (!s.Visible.unassigned()) s.Visible = UpperCase(s.Visible.view());
    }
    return PutSettingsRecords(m);
}

Outcome SetDefaultStyles(Model& m) {
    const ObjectStyle options = m.ObjectStyles[26];
    const int16_t layout = m.SheetLayoutMode;
    const auto columnMap = m.ColumnMap;
    ApplyDefaultStyles(m);
    m.ObjectStyles[26] = options;
    m.ObjectStyles[26].Color = 0;
    m.SheetLayoutMode = layout;
    m.ColumnMap = columnMap;
    return PutSettingsRecords(m);
}

Outcome LoadStyleFile(Model& m, const std::string& path) {
    std::string bytes;
    if (Outcome read = ReadSettingsFile(path, bytes); !read.ok())
        return Outcome::Fail(read.message() + " Nothing is loaded.");
    const std::string why = NotASettingsFile(bytes);
    if (!why.empty())
        return Outcome::Fail("The file " + path + " is no drawing-settings file: " + why +
                             ". The drawing styles are left as they were.");
    ReadStyleRows(m, bytes);
    m.SettingsFilePath = path;
    m.SettingsFileRefused = false;
    return Outcome::Ok();
}

Outcome SaveStyleFile(Model& m, const std::string& path) {
    Outcome saved = Outcome::Ok();
    {
        ColourFloor floor(m);
        saved = SaveDrawingSettings(m, path);
    }
    if (saved.ok()) {
        m.SettingsFilePath = path;
        m.SettingsFileRefused = false;
    }
    return saved;
}

// ---- the page --------------------------------------------------------------------

namespace {

// The colour sample of the selected row: takes the view's keys and mouse.
class ColourSample : public QWidget {
public:
    ColourSample(ProfileControl& view, std::function<void()> onClick, QWidget* parent)
        : QWidget(parent), view_(view), onClick_(std::move(onClick)) {
        setObjectName("Picture1");
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
        setMinimumSize(60, 24);
    }

protected:
    bool event(QEvent* e) override {
        // Tab and Shift+Tab are view keys here, not focus moves.
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            VirtualKey vk = ToVirtualKey(*k);
            if (vk.code != 0) {
                int code = vk.code;
                view_.Picture1_KeyDown(code, vk.mask);
                return true;
            }
        }
        return QWidget::event(e);
    }
    // The mouse works as on the canvas: a drag pans, the right button picks a
    // line. The sample's pixels count in the canvas's units.
    void mousePressEvent(QMouseEvent* e) override {
        setFocus(Qt::MouseFocusReason);
        const QPointF at = view_.canvasWidget().ToUnits(e->position());
        view_.Picture1_MouseDown(MouseButtonCode(e->button()), at.x(), at.y());
        if (e->button() == Qt::LeftButton && onClick_) onClick_();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPointF at = view_.canvasWidget().ToUnits(e->position());
        view_.Picture1_MouseUp(MouseButtonCode(e->button()), at.x(), at.y());
    }

private:
    ProfileControl& view_;
    std::function<void()> onClick_;
};

// The canvas colour with the selection-box colour in a small square.
class CanvasSample : public QWidget {
public:
    CanvasSample(Model& m, std::function<void(int)> onPress, QWidget* parent)
        : QWidget(parent), m_(m), onPress_(std::move(onPress)) {
        setObjectName("Picture3");
        setToolTip("Click forViewbox color  &  Right click for selectbox");
        setMinimumSize(60, 24);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const ObjectStyle& row0 = m_.ObjectStyles[0];
        p.fillRect(rect(), ScreenColour(AciToRgb(ColourIndex(row0.Color))));
        const int box = ColourIndex(Val(StyleText(row0.StyleName)));
        p.setPen(ScreenColour(AciToRgb(box)));
        p.drawRect(QRectF(width() * 0.15, height() * 0.15, width() * 0.5, height() * 0.6));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (onPress_) onPress_(e->button() == Qt::RightButton ? 2 : 1);
    }

private:
    Model& m_;
    std::function<void(int)> onPress_;
};

}  // namespace

StylePage::StylePage(ProfileControl& view, QWidget* blockButtons, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName("stylePage");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    configButton_ = ViewButton("Command14", "Config", this);
    column->addWidget(configButton_);

    frame_ = new QGroupBox(this);
    frame_->setObjectName("Frame1");
    auto* grid = new QGridLayout(frame_);
    grid->setSpacing(2);
    grid->addWidget(new QLabel("Object List:", frame_), 0, 0);
    objectList_ = new QListWidget(frame_);
    objectList_->setObjectName("List2");
    objectList_->setMinimumHeight(120);
    grid->addWidget(objectList_, 1, 0, 9, 1);

    int row = 0;
    for (int i = 1; i <= 8; ++i) {
        if (i == 4) grid->addWidget(new QLabel("Alignment:", frame_), row++, 1);
        styleBoxes_[i] = new QLineEdit(frame_);
        styleBoxes_[i]->setObjectName(QString("Text1_%1").arg(i));
        styleBoxes_[i]->setMaximumWidth(70);
        grid->addWidget(new QLabel(kBoxCaptions[i], frame_), row, 1);
        grid->addWidget(styleBoxes_[i], row, 2);
        ++row;
    }
    middleCheck_ = new QCheckBox("Middle", frame_);
    middleCheck_->setObjectName("Check1");
    grid->addWidget(new QLabel("V-Space :", frame_), row, 1);
    grid->addWidget(middleCheck_, row, 2);
    ++row;
    visibleOption_ = new QRadioButton("Visiable", frame_);
    visibleOption_->setObjectName("Option4");
    unvisibleOption_ = new QRadioButton("Unvisiable", frame_);
    unvisibleOption_->setObjectName("Option5");
    auto* shown = new QButtonGroup(frame_);
    shown->addButton(visibleOption_);
    shown->addButton(unvisibleOption_);
    grid->addWidget(visibleOption_, row, 1);
    grid->addWidget(unvisibleOption_, row, 2);
    ++row;

    colourSample_ = new ColourSample(view, [this] { Picture1_Click(); }, frame_);
    grid->addWidget(colourSample_, row, 1);
    styleBoxes_[0] = new QLineEdit(frame_);
    styleBoxes_[0]->setObjectName("Text1_0");
    styleBoxes_[0]->setMaximumWidth(70);
    canvasSample_ = new CanvasSample(view.model(), [this](int b) { Picture3_MouseDown(b); }, frame_);
    ++row;
    grid->addWidget(new QLabel("Select Box Color", frame_), row, 1);
    grid->addWidget(styleBoxes_[0], row, 2);
    ++row;
    grid->addWidget(canvasSample_, row, 1);
    ++row;

    auto* buttons = new QGridLayout;
    defaultsButton_ = ViewButton("Command29", "Set Defult", frame_);
    applyButton_ = ViewButton("Command30", "Apply", frame_);
    loadButton_ = ViewButton("Command32", "Load", frame_);
    saveButton_ = ViewButton("Command33", "Save", frame_);
    closeButton_ = ViewButton("Command31", "Close", frame_);
    buttons->addWidget(defaultsButton_, 0, 0);
    buttons->addWidget(applyButton_, 0, 1);
    buttons->addWidget(loadButton_, 1, 0);
    buttons->addWidget(saveButton_, 1, 1);
    buttons->addWidget(closeButton_, 2, 0);
    grid->addLayout(buttons, std::max(row, 10), 0, 1, 3);
    if (blockButtons) grid->addWidget(blockButtons, std::max(row, 10) + 1, 0, 1, 3);
    memoryNote_ = new QLabel(frame_);
    memoryNote_->setObjectName("memoryNote");
    memoryNote_->setWordWrap(true);
    memoryNote_->setStyleSheet("color: #a00000");
    memoryNote_->hide();
    grid->addWidget(memoryNote_, std::max(row, 10) + 2, 0, 1, 3);
    column->addWidget(frame_);
    frame_->hide();

    for (QLineEdit* box : styleBoxes_) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::returnPressed, this, &StylePage::ApplyFromBox);
    }
    connect(configButton_, &QPushButton::clicked, this, &StylePage::Command14_Click);
    connect(objectList_, &QListWidget::currentRowChanged, this, [this] {
        if (!showing_) List2_Click();
    });
    connect(defaultsButton_, &QPushButton::clicked, this, &StylePage::Command29_Click);
    connect(applyButton_, &QPushButton::clicked, this, &StylePage::Command30_Click);
    connect(closeButton_, &QPushButton::clicked, this, &StylePage::Command31_Click);
    connect(loadButton_, &QPushButton::clicked, this, &StylePage::Command32_Click);
    connect(saveButton_, &QPushButton::clicked, this, &StylePage::Command33_Click);
    connect(visibleOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !showing_) Option4_Click();
    });
    connect(unvisibleOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !showing_) Option5_Click();
    });
    connect(middleCheck_, &QCheckBox::toggled, this, [this] {
        if (!showing_) Check1_Click();
    });

    // The view's start-up fills the list and the samples' colours.
    view_.styleList_ = objectList_;
    view_.colourSample_ = colourSample_;
    view_.canvasSample_ = canvasSample_;
}

StyleBoxes StylePage::Boxes() const {
    StyleBoxes b;
    for (int i = 0; i < 9; ++i) b.text[i] = Latin1(styleBoxes_[i]->text());
    b.visible = visibleOption_->isChecked();
    b.middle = middleCheck_->isChecked();
    return b;
}

void StylePage::ShowOutcome(const Outcome& o) {
    if (!o.ok()) view_.dialogs().Message(FromLatin1(o.message()));
}

void StylePage::SelectRow(int r) {
    {
        QSignalBlocker block(objectList_);
        objectList_->setCurrentRow(r);
    }
    List2_Click();
}

void StylePage::Command14_Click() {
    if (frame_->isHidden()) {
        frame_->show();
        SelectRow(0);
        ShowFileState();
    } else {
        if (!CommitTypedBox()) return;
        frame_->hide();
    }
}

void StylePage::List2_Click() {
    const int r = objectList_->currentRow();
    if (r < 0) return;
    Model& m = view_.model();
    const StyleBoxes b = ShowStyleRow(m, r);
    shown_ = b;
    showing_ = true;
    for (int i = 0; i < 9; ++i) {
        styleBoxes_[i]->setText(FromLatin1(b.text[i]));
        styleBoxes_[i]->setModified(false);
    }
    const bool general = r == 0;
    styleBoxes_[0]->setEnabled(general);
    for (int i = 2; i <= 8; ++i) styleBoxes_[i]->setEnabled(!general && b.visible);
    middleCheck_->setVisible(!general);
    canvasSample_->setVisible(general);
    if (!general) {
        middleCheck_->setChecked(b.middle);
        (b.visible ? visibleOption_ : unvisibleOption_)->setChecked(true);
        styleBoxes_[1]->setEnabled(b.visible);
    } else {
        styleBoxes_[1]->setEnabled(true);
    }
    showing_ = false;
    Repaint();
    ShowFileState();
}

bool StylePage::ApplyShown() {
    const int r = objectList_->currentRow();
    if (r < 0) {
        view_.dialogs().Message(kPickARow);
        return false;
    }
    const StyleBoxes boxes = Boxes();
    int refusedBox = -1;
    Outcome o = ApplyStyleRow(view_.model(), r, boxes, &shown_, &refusedBox);
    // A refused box shows again what the row holds.
    if (refusedBox >= 0) {
        styleBoxes_[refusedBox]->setText(FromLatin1(shown_.text[refusedBox]));
        styleBoxes_[refusedBox]->setModified(false);
    }
    ShowOutcome(o);
    if (!o.ok()) return false;
    shown_ = boxes;
    for (QLineEdit* box : styleBoxes_) box->setModified(false);
    Repaint();
    if (r == 0) {
        view_.canvasWidget().SetBackColour(AciToRgb(ColourIndex(view_.model().ObjectStyles[0].Color)));
    } else {
        view_.Redraw();
    }
    return true;
}

void StylePage::Command30_Click() { (void)ApplyShown(); }

void StylePage::ApplyFromBox() {
    if (committing_) return;
    committing_ = true;
    (void)ApplyShown();
    committing_ = false;
}

bool StylePage::CommitTypedBox() {
    if (committing_) return true;
    bool typed = false;
    for (QLineEdit* box : styleBoxes_) typed = typed || box->isModified();
    if (!typed || frame_->isHidden()) return true;
    committing_ = true;
    // A refused value is said and put back; the button waits for the next click.
    const bool applied = ApplyShown();
    committing_ = false;
    return applied;
}

bool StylePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !showing_ && frame_->isVisible()) {
        // Another window taking the focus (a message box) is no leaving of the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            for (QLineEdit* box : styleBoxes_)
                if (watched == box && box->isModified()) ApplyFromBox();
    }
    return QWidget::eventFilter(watched, event);
}

void StylePage::Option4_Click() {
    const int r = objectList_->currentRow();
    if (r < 1) return;
    view_.model().ObjectStyles[r].Visible = "Y";
    for (int i = 1; i <= 8; ++i) styleBoxes_[i]->setEnabled(true);
}

void StylePage::Option5_Click() {
    const int r = objectList_->currentRow();
    if (r < 1) return;
    view_.model().ObjectStyles[r].Visible = "N";
    for (int i = 1; i <= 8; ++i) styleBoxes_[i]->setEnabled(false);
}

void StylePage::Check1_Click() {
    const int r = objectList_->currentRow();
    if (r < 1) return;
    view_.model().ObjectStyles[r].VSpace = middleCheck_->isChecked() ? 1.0f : 0.0f;
}

void StylePage::Repaint() {
    const Model& m = view_.model();
    const int r = std::max(0, objectList_->currentRow());
    QPalette p = colourSample_->palette();
    p.setColor(QPalette::Window, ScreenColour(AciToRgb(ColourIndex(m.ObjectStyles[r].Color))));
    colourSample_->setPalette(p);
    colourSample_->update();
    canvasSample_->update();
}

void StylePage::Command29_Click() {
    if (!CommitTypedBox()) return;
    Model& m = view_.model();
    ShowOutcome(SetDefaultStyles(m));
    view_.canvasWidget().SetBackColour(AciToRgb(ColourIndex(m.ObjectStyles[0].Color)));
    if (objectList_->currentRow() >= 0) List2_Click();
    Repaint();
    view_.Command7_Click();
    if (m.SettingsFileRefused &&
        view_.dialogs().AskYesNo(FromLatin1("The drawing-settings file " + m.SettingsFilePath +
                                             " was refused at start-up and is not written. Write the default "
                                             "drawing styles to a new settings file?"),
                                 true))
        SaveAs();
    ShowFileState();
}

void StylePage::Command31_Click() {
    if (!CommitTypedBox()) return;
    ShowOutcome(CloseStyles(view_.model()));
    frame_->hide();
}

void StylePage::Command32_Click() {
    if (!CommitTypedBox()) return;
    Model& m = view_.model();
    std::optional<QString> chosen = view_.dialogs().OpenFile(kStyleLoadTitle, kStyleLoadFilter);
    if (!chosen || chosen->isEmpty()) return;
    Outcome o = LoadStyleFile(m, Latin1(*chosen));
    ShowOutcome(o);
    if (!o.ok()) return;
    view_.canvasWidget().SetBackColour(AciToRgb(ColourIndex(m.ObjectStyles[0].Color)));
    if (objectList_->currentRow() >= 0) List2_Click();
    Repaint();
    ShowFileState();
    view_.Command7_Click();
}

void StylePage::Command33_Click() {
    if (!CommitTypedBox()) return;
    SaveAs();
}

void StylePage::SaveAs() {
    Model& m = view_.model();
    std::optional<QString> chosen = view_.dialogs().SaveFile(kStyleSaveTitle, kStyleSaveFilter, FromLatin1(m.SettingsFilePath));
    if (!chosen || chosen->isEmpty()) return;
    std::string path = Latin1(*chosen);
    if (std::filesystem::path(path).extension().empty()) path += ".cfg";
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !view_.dialogs().AskYesNo(FromLatin1(path + " Overwrite ?"), false)) return;
    Outcome o = SaveStyleFile(m, path);
    ShowOutcome(o);
    if (o.ok()) m.Ui->SetStatus("Drawing styles saved in " + path);
    ShowFileState();
}

void StylePage::ShowFileState() {
    const Model& m = view_.model();
    memoryNote_->setVisible(m.SettingsFileRefused);
    if (m.SettingsFileRefused)
        memoryNote_->setText(FromLatin1("Kept in memory only: " + m.SettingsFilePath +
                                        " was refused at start-up and is not written. \"Save\" writes the styles "
                                        "to a file."));
}

void StylePage::Picture1_Click() { SelectRow(0); }

void StylePage::Picture3_Click() { SelectRow(0); }

void StylePage::Picture3_MouseDown(int) { SelectRow(0); }

}  // namespace vd
