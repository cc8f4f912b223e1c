#include "profile_view/edit_boxes.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <charconv>
#include <cmath>

#include "engine/errors.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/walk.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/sheet_parts.h"
#include "profile_view/profile_control.h"
#include "profile_view/selection.h"

namespace vd {

namespace {

std::string SlopeBoxText(float slope) {
    try {
        return Str(CLngSingle(slope, 10000) / 10.0);
    } catch (const RuntimeError&) {
        return Str(static_cast<double>(slope) * 1000);
    }
}

std::string CoverBoxText(float cover) {
    try {
        return Str(CLngSingle(cover, 100) / 100.0);
    } catch (const RuntimeError&) {
        return StrSingle(cover);
    }
}

const char* BoxName(EditBox b) {
    switch (b) {
        case EditBox::Gr1: return "Gr1";
        case EditBox::Gr2: return "Gr2";
        case EditBox::Inv1: return "Inv1";
        case EditBox::Inv2: return "Inv2";
        case EditBox::Slope: return "Slope";
        case EditBox::Cover: return "Cover";
    }
    return "";
}

float& LevelField(LineRecord& l, EditBox b) {
    switch (b) {
        case EditBox::Gr1: return l.Gr1;
        case EditBox::Gr2: return l.Gr2;
        case EditBox::Inv1: return l.Inv1;
        default: return l.Inv2;
    }
}

// A line's slope from its inverts; a line without length keeps its slope.
void Reslope(LineRecord& l) {
    if (l.Len > 0) l.slope = (l.Inv1 - l.Inv2) / l.Len;
}

// The refusal of a text that is no number, naming the box as its label does.
std::string NoNumber(EditBox b, std::string_view text, const std::string& storedText) {
    return BoxRefusal(BoxName(b), text, ReadBox(text).kind, std::string(BoxName(b)) + " stays " + Trim(storedText));
}

// The refusal of a number out of the box's range.
std::string OutOfRange(EditBox b, const char* why, const std::string& storedText) {
    return std::string(BoxName(b)) + ": " + why + "; " + BoxName(b) + " stays " + Trim(storedText) + ".";
}

// Writes the level v of box b into line L and the lines sharing the manhole.
void CommitLevel(Model& m, int L, EditBox b, float v) {
    const int n = UsableLines(m);
    LineRecord& line = m.Lines[L];
    const LinkRecord& link = m.Links[L];
    const int next = LinkedLine(link.NextLine, n);
    const int up = LinkedLine(link.UpLine, n);
    const int branches[2] = {LinkedLine(link.Branch1, n), LinkedLine(link.Branch2, n)};
    switch (b) {
        case EditBox::Gr1:
            line.Gr1 = v;
            if (up > 0) {
                // Every line ending at L's upstream manhole takes the ground there.
                m.Lines[up].Gr2 = v;
                for (int16_t f : {m.Links[up].Branch1, m.Links[up].Branch2})
                    if (int k = LinkedLine(f, n)) m.Lines[k].Gr2 = v;
            }
            CheckBranchSlopes(m, L);
            break;
        case EditBox::Gr2:
            line.Gr2 = v;
            if (next > 0) m.Lines[next].Gr1 = v;
            for (int k : branches)
                if (k > 0) m.Lines[k].Gr2 = v;
            break;
        case EditBox::Inv1:
            line.Inv1 = v;
            Reslope(line);
            if (up > 0) {
                m.Lines[up].Inv2 = v;
                Reslope(m.Lines[up]);
            }
            CheckBranchSlopes(m, L);
            break;
        case EditBox::Inv2:
            line.Inv2 = v;
            Reslope(line);
            // The next line's up invert only follows down, the other lines
            // into the manhole only up.
            if (next > 0 && v < m.Lines[next].Inv1) {
                m.Lines[next].Inv1 = v;
                Reslope(m.Lines[next]);
            }
            for (int k : branches)
                if (k > 0 && v > m.Lines[k].Inv2) {
                    m.Lines[k].Inv2 = v;
                    Reslope(m.Lines[k]);
                }
            CheckBranchSlopes(m, L);
            break;
        default: break;
    }
}

// The text the last redraw filled into a level box.
const std::string& FilledLevel(const ProfileViewState& view, EditBox b) {
    const SelectedLineTexts& t = view.EditBoxes;
    switch (b) {
        case EditBox::Gr1: return t.Gr1;
        case EditBox::Gr2: return t.Gr2;
        case EditBox::Inv1: return t.Inv1;
        default: return t.Inv2;
    }
}

// True when a level box still shows what the redraw filled in for the stored
// level: it stands for that level, not for the seven digits it shows.
bool ShowsStoredLevel(const ProfileViewState& view, EditBox b, std::string_view text, float stored) {
    const std::string& filled = FilledLevel(view, b);
    if (filled.empty() || text != filled) return false;
    // Filled for this line, not left over from another one.
    const std::optional<double> shown = BoxNumber(filled);
    return shown && std::fabs(*shown - stored) <= 1e-6 * std::fabs(static_cast<double>(stored));
}

EditBoxResult LevelEvent(Model& m, const ProfileViewState& view, int L, EditBox b, EditEvent event,
                         std::string_view text) {
    EditBoxResult r;
    if (event != EditEvent::Enter) return r;  // a level is taken with Enter only
    r.consumed = true;
    const float stored = LevelField(m.Lines[L], b);
    if (ShowsStoredLevel(view, b, text, stored)) {
        // The lines at the manhole take the stored level itself.
        CommitLevel(m, L, b, stored);
        r.changed = r.redraw = true;
        return r;
    }
    const std::string storedText = StrSingle(stored);
    const std::optional<double> typed = BoxNumber(text);
    if (!typed) {
        r.boxText = storedText;
        r.message = NoNumber(b, text, storedText);
        return r;
    }
    // Compared as the single-precision value it would be stored as, so that
    // a level typed as shown exactly 10 m off is taken.
    bool refused = std::fabs(*typed - stored) > kLevelLimit + 1;
    float v = 0;
    if (!refused) {
        v = static_cast<float>(*typed);
        refused = std::fabs(static_cast<double>(v) - stored) > kLevelLimit;
    }
    if (refused) {
        r.boxText = storedText;
        r.message = OutOfRange(b, "a level more than 10 m from the stored one is refused", storedText);
        return r;
    }
    CommitLevel(m, L, b, v);
    r.changed = r.redraw = true;
    return r;
}

EditBoxResult SlopeEvent(Model& m, int L, EditEvent event, std::string_view text) {
    EditBoxResult r;
    const std::string storedText = SlopeBoxText(m.Lines[L].slope);
    const std::optional<double> typed = BoxNumber(text);
    if (event == EditEvent::Leave) {
        r.redraw = true;
        return r;
    }
    if (event == EditEvent::Enter) r.consumed = true;
    if (!typed) {
        r.boxText = storedText;
        if (event == EditEvent::Enter) r.message = NoNumber(EditBox::Slope, text, storedText);
        return r;
    }
    const double v = *typed;
    if (event == EditEvent::Enter) {
        // The box only checks: the slope follows the inverts.
        if (v > kSlopeBoxLimit) {
            r.boxText = storedText;
            r.message = OutOfRange(EditBox::Slope, "a slope above 500 per mille is refused", storedText);
        }
        return r;
    }
    if (v < kSlopeBoxLimit) r.redraw = true;
    else r.boxText = storedText;
    return r;
}

EditBoxResult CoverEvent(Model& m, const ProfileViewState& view, int L, EditEvent event, std::string_view text) {
    EditBoxResult r;
    if (event == EditEvent::Enter) r.consumed = true;
    float& cover = m.Lines[L].Mincover;
    const std::string storedText = event == EditEvent::Click ? CoverBoxText(cover) : StrSingle(cover);
    // A box left as the redraw filled it stores nothing: its text is rounded
    // to centimetres.
    if (event != EditEvent::Enter && text == view.EditBoxes.Cover) return r;
    const std::optional<double> typed = BoxNumber(text);
    if (!typed) {
        r.boxText = storedText;
        r.message = NoNumber(EditBox::Cover, text, storedText);
        return r;
    }
    if (*typed < 0 || *typed >= kCoverLimit) {
        r.boxText = storedText;
        r.message = OutOfRange(EditBox::Cover, "the cover must lie from 0 to below 20 m", storedText);
        return r;
    }
    cover = static_cast<float>(*typed);
    r.changed = r.redraw = true;
    return r;
}

}  // namespace

namespace {

// A line end pasted after the number is a blank too.
std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

OneNumber ReadBox(std::string_view text) { return ReadOneNumber(WithoutLineEnd(text)); }
OneNumber ReadSingleBox(std::string_view text) { return ReadOneSingle(WithoutLineEnd(text)); }

std::optional<double> BoxNumber(std::string_view text) {
    const OneNumber n = ReadBox(text);
    if (n.kind != OneNumber::Number) return std::nullopt;
    return n.value;
}

std::string BoxRefusal(std::string_view box, std::string_view text, OneNumber::Kind kind, std::string_view stays) {
    const std::string why =
        kind == OneNumber::Blank ? std::string("the box is empty") : NumberRefusal(WithoutLineEnd(text), kind);
    return std::string(box) + ": " + why + "; " + std::string(stays) + ".";
}

EditBoxResult EditBoxEvent(Model& m, const ProfileViewState& v, EditBox box, EditEvent event, std::string_view text) {
    int L = SelectedLine(v, m);
    if (L > UsableLines(m)) L = 0;  // a stale position beyond the network
    if (L == 0) {
        EditBoxResult r;
        r.consumed = event == EditEvent::Enter;
        if (event == EditEvent::Enter) r.message = "No line of the shown sheet is selected; nothing was changed.";
        return r;
    }
    switch (box) {
        case EditBox::Slope: return SlopeEvent(m, L, event, text);
        case EditBox::Cover: return CoverEvent(m, v, L, event, text);
        default: return LevelEvent(m, v, L, box, event, text);
    }
}

// ---- the boxes on the control ----------------------------------------------

EditBoxPanel::EditBoxPanel(Model& m, ProfileViewState& v, QWidget* parent) : QWidget(parent), m_(m), v_(v) {
    struct BoxDef {
        EditBox box;
        const char* name;
        const char* label;
        const char* tip;
    };
    static const BoxDef defs[] = {
        {EditBox::Gr1, "Text11", "Gr1 :", nullptr},  {EditBox::Gr2, "Text8", "Gr2 :", nullptr},
        {EditBox::Inv1, "Text9", "Inv1:", nullptr},  {EditBox::Inv2, "Text10", "Inv2:", nullptr},
        {EditBox::Slope, "Text2", "Slope :", "Slope Value"}, {EditBox::Cover, "Text3", "Cover :", "Mincover Value"},
    };
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    int row = 0;
    for (const BoxDef& s : defs) {
        auto* label = new QLabel(QString::fromLatin1(s.label), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(s.name));
        edit->setMaximumWidth(90);
        if (s.tip) edit->setToolTip(QString::fromLatin1(s.tip));
        edit->installEventFilter(this);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        boxes_[static_cast<int>(s.box)] = edit;
        ++row;
    }
    grid->setRowStretch(row, 1);
    // Labels and boxes stay together at the left of a wide panel.
    grid->setColumnStretch(2, 1);
}

void EditBoxPanel::Refill() {
    refilling_ = true;
    const SelectedLineTexts& t = v_.EditBoxes;
    const std::string* texts[] = {&t.Gr1, &t.Gr2, &t.Inv1, &t.Inv2, &t.Slope, &t.Cover};
    for (int i = 0; i < 6; ++i) boxes_[i]->setText(QString::fromLatin1(texts[i]->data(), static_cast<int>(texts[i]->size())));
    refilling_ = false;
}

void EditBoxPanel::Handle(EditBox b, EditEvent e) {
    if (refilling_) return;
    QLineEdit* edit = box(b);
    const QByteArray text = edit->text().toLatin1();
    const EditBoxResult r = EditBoxEvent(m_, v_, b, e, std::string_view(text.constData(), text.size()));
    if (r.boxText) edit->setText(QString::fromLatin1(r.boxText->data(), static_cast<int>(r.boxText->size())));
    if (r.redraw && redraw) {
        redraw();
        Refill();
    }
    if (!r.message.empty()) {
        // A message box would take the focus and fire the leave handlers once
        // more; the status bar does not.
        if (e == EditEvent::Enter && showMessage) showMessage(r.message);
        else m_.Ui->SetStatus(r.message);
    }
}

void EditBoxPanel::Text11_KeyPress() { Handle(EditBox::Gr1, EditEvent::Enter); }
void EditBoxPanel::Text8_KeyPress() { Handle(EditBox::Gr2, EditEvent::Enter); }
void EditBoxPanel::Text9_KeyPress() { Handle(EditBox::Inv1, EditEvent::Enter); }
void EditBoxPanel::Text10_KeyPress() { Handle(EditBox::Inv2, EditEvent::Enter); }
void EditBoxPanel::Text2_KeyPress() { Handle(EditBox::Slope, EditEvent::Enter); }
void EditBoxPanel::Text2_Click() { Handle(EditBox::Slope, EditEvent::Click); }
void EditBoxPanel::Text2_LostFocus() { Handle(EditBox::Slope, EditEvent::Leave); }
void EditBoxPanel::Text3_KeyPress() { Handle(EditBox::Cover, EditEvent::Enter); }
void EditBoxPanel::Text3_Click() { Handle(EditBox::Cover, EditEvent::Click); }
void EditBoxPanel::Text3_LostFocus() { Handle(EditBox::Cover, EditEvent::Leave); }

bool EditBoxPanel::eventFilter(QObject* watched, QEvent* event) {
    int index = -1;
    for (int i = 0; i < 6; ++i)
        if (watched == boxes_[i]) index = i;
    if (index < 0) return QWidget::eventFilter(watched, event);
    const auto b = static_cast<EditBox>(index);
    const bool levelBox = b != EditBox::Slope && b != EditBox::Cover;
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Handle(b, EditEvent::Enter);
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
            if (!levelBox) Handle(b, EditEvent::Click);
            break;
        case QEvent::FocusOut:
            if (!levelBox) Handle(b, EditEvent::Leave);
            break;
        default: break;
    }
    return QWidget::eventFilter(watched, event);
}

EditBoxPanel* AttachEditBoxes(ProfileControl& control) {
    auto* panel = new EditBoxPanel(control.model(), control.view());
    panel->setObjectName("EditBoxes");
    control.addToSidePanel(panel);
    panel->redraw = [&control] { control.Redraw(); };
    panel->showMessage = [&control](const std::string& text) {
        control.dialogs().Message(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    };
    QObject::connect(&control, &ProfileControl::redrawn, panel, &EditBoxPanel::Refill);
    return panel;
}

}  // namespace vd
