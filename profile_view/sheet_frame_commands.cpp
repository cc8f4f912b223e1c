#include "profile_view/sheet_frame_commands.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "engine/lateral_reorder.h"
#include "engine/number_text.h"
#include "engine/walk.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/sheet_parts.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/profile_control.h"
#include "profile_view/selection.h"

namespace vd {

const std::array<const char*, 6> kLateralSortChoices = {"LatName", "Depth", "Dia", "Length", "Color", "Package"};

bool SheetFrameShownAfterToggle(bool sheetFrameShown, bool configFrameShown) {
    if (!sheetFrameShown && !configFrameShown) return true;
    if (sheetFrameShown) return false;
    return false;  // only the style frame is open: it keeps the place
}

std::vector<std::string> SheetListItems(const Model& m, int sheetNumberBase) {
    std::vector<std::string> items;
    const int count = std::clamp(m.SheetCount, 0, static_cast<int>(m.SheetTable.size()));
    items.reserve(static_cast<std::size_t>(count));
    // Each sheet by the number its drawing prints.
    for (int i = 0; i < count; ++i)
        items.push_back(NumText(static_cast<long long>(m.SheetTable[static_cast<std::size_t>(i)].DwgNo) + sheetNumberBase));
    return items;
}

Outcome SheetByLat(Model& m) {
    if (UsableLines(m) == 0) return Outcome::Fail("There is no network to cut into sheets.");
    SheetByLateral(m);
    return Outcome::Ok();
}

bool SortLateralsByChoice(Model& m, std::string_view choice) {
    if (choice != "LatName" || UsableLines(m) == 0) return false;
    SortLateralsByStart(m);
    return true;
}

double ClampCustomSheetLength(double metres) {
    if (!std::isfinite(metres)) return metres > 0 ? kMaxCustomSheetLength : kMinCustomSheetLength;
    return std::clamp(metres, kMinCustomSheetLength, kMaxCustomSheetLength);
}

std::string StoredCustomLengthText(const ObjectStyle& options) {
    // A length the file cannot hold as a number shows the default.
    return CustomLengthText(std::isfinite(options.Rotate) ? ClampCustomSheetLength(options.Rotate) : 2000);
}

std::string CustomLengthText(double metres) {
    // Whole metres are written without a point; other lengths as the
    // single-precision style field keeps them.
    return Trim(StrSingle(static_cast<float>(metres)));
}

CustomLength ReadCustomSheetLength(std::string_view text) {
    CustomLength out;
    const OneNumber typed = ReadBox(text);
    if (typed.kind != OneNumber::Number) {
        out.message = BoxRefusal(kCustomLengthBoxName, text, typed.kind, "the sheet options stay as they were");
        return out;
    }
    out.ok = true;
    out.metres = ClampCustomSheetLength(typed.value);
    out.boxText = out.metres == typed.value ? Trim(text) : CustomLengthText(out.metres);
    return out;
}

Outcome SetSheetLengthChoice(Model& m, int choice, std::string_view customText) {
    if (choice < 0 || choice > kCustomLengthChoice) return Outcome::Fail("There is no sheet-length choice " + NumText(choice) + ".");
    ObjectStyle& options = m.ObjectStyles[26];
    std::string boxText;
    if (choice == kCustomLengthChoice) {
        const CustomLength length = ReadCustomSheetLength(customText);
        if (!length.ok) return Outcome::Fail(length.message);
        options.Rotate = static_cast<float>(length.metres);
        boxText = length.boxText;
    }
    options.Color = static_cast<float>(choice);
    m.SheetLayoutMode = static_cast<int16_t>(choice);
    Outcome written = PutStyleRecord(m, 26);
    if (!written) return written;
    return Outcome::Ok(boxText);
}

Outcome SetMonoSheet(Model& m, bool oneStrip) {
    m.ObjectStyles[26].DivideLen = oneStrip ? 1.0f : 0.0f;
    m.MonoSheet = oneStrip ? 1 : 0.5;
    return PutStyleRecord(m, 26);
}

// ---- the frame on the control -----------------------------------------------

SheetFrame::SheetFrame(Model& m, QWidget* parent) : QWidget(parent), m_(m) {
    setObjectName("Frame2");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QGroupBox(this);
    outer->addWidget(frame);
    auto* grid = new QGridLayout(frame);

    monoSheetCheck_ = new QCheckBox(QStringLiteral("Mono sheet"), frame);
    monoSheetCheck_->setObjectName("Check4");
    connect(monoSheetCheck_, &QCheckBox::clicked, this, [this] { Check4_Click(); });
    grid->addWidget(monoSheetCheck_, 0, 0, 1, 2);

    lengthOptions_ = new QButtonGroup(this);
    static const char* captions[] = {"700m", " 1400m", "300m", ""};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(captions[i]), frame);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        lengthOptions_->addButton(option, i);
        grid->addWidget(option, 1 + i, 0);
    }
    connect(lengthOptions_, &QButtonGroup::idClicked, this, [this](int i) { Option1_Click(i); });

    customLengthBox_ = new QLineEdit(QStringLiteral("2000"), frame);
    customLengthBox_->setObjectName("Text6");
    customLengthBox_->setMaximumWidth(70);
    customLengthBox_->installEventFilter(this);
    grid->addWidget(customLengthBox_, 4, 1);

    auto* close = new QPushButton(QStringLiteral("Close"), frame);
    close->setObjectName("Command34");
    connect(close, &QPushButton::clicked, this, [this] { Command34_Click(); });
    grid->addWidget(close, 5, 0, 1, 2);
    grid->setColumnStretch(2, 1);
}

int SheetFrame::lengthChoice() const { return lengthOptions_->checkedId(); }

void SheetFrame::LoadFromSettings() {
    loading_ = true;
    const ObjectStyle& options = m_.ObjectStyles[26];
    const double choice = options.Color;
    if (choice == kCustomLengthChoice) customLengthBox_->setText(QString::fromLatin1(StoredCustomLengthText(options)));
    const int index = (choice >= 0 && choice <= kCustomLengthChoice) ? static_cast<int>(choice) : 1;
    lengthOptions_->button(index)->setChecked(true);
    monoSheetCheck_->setChecked(options.DivideLen == 1);
    loading_ = false;
}

void SheetFrame::Report(const Outcome& o) {
    if (o) {
        if (rebuild) rebuild();
        return;
    }
    if (showMessage) showMessage(o.message());
    else m_.Ui->MessageBox(o.message());
}

void SheetFrame::Command17_Click() {
    setVisible(SheetFrameShownAfterToggle(!isHidden(), configShown && configShown()));
}

void SheetFrame::Command39_Click() {
    const Outcome o = SheetByLat(m_);
    if (!o) {
        Report(o);
        return;
    }
    // The list offers the sheets just cut, none past the table.
    if (refillSheets) refillSheets();
}

void SheetFrame::Combo4_Click(const std::string& choice) {
    if (SortLateralsByChoice(m_, choice)) {
        if (refillSheets) refillSheets();
    } else if (redraw) {
        redraw();
    }
}

void SheetFrame::Command34_Click() { hide(); }

void SheetFrame::ShowStoredLength() {
    customLengthBox_->setText(QString::fromLatin1(StoredCustomLengthText(m_.ObjectStyles[26])));
}

void SheetFrame::Option1_Click(int index) {
    if (loading_) return;
    const Outcome o = SetSheetLengthChoice(m_, index, customLengthBox_->text().toLatin1().toStdString());
    if (o && index == kCustomLengthChoice) customLengthBox_->setText(QString::fromLatin1(o.message()));
    if (!o && index == kCustomLengthChoice) {
        // The box held no length: show the one stored and keep the choice.
        LoadFromSettings();
        ShowStoredLength();
    }
    Report(o);
}

void SheetFrame::Text6_Click() {
    if (loading_) return;
    lengthOptions_->button(kCustomLengthChoice)->setChecked(true);
    Option1_Click(kCustomLengthChoice);
}

void SheetFrame::Text6_KeyPress() {
    const CustomLength length = ReadCustomSheetLength(customLengthBox_->text().toLatin1().toStdString());
    if (!length.ok) {
        ShowStoredLength();
        Report(Outcome::Fail(length.message));
        return;
    }
    customLengthBox_->setText(QString::fromLatin1(length.boxText));
    loading_ = true;
    lengthOptions_->button(kCustomLengthChoice)->setChecked(true);
    loading_ = false;
    Option1_Click(kCustomLengthChoice);
}

void SheetFrame::Check4_Click() {
    if (loading_) return;
    Report(SetMonoSheet(m_, monoSheetCheck_->isChecked()));
}

bool SheetFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == customLengthBox_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Text6_KeyPress();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonPress) {
            Text6_Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

SheetFrame* AttachSheetFrame(ProfileControl& control) {
    auto* row = new QHBoxLayout;
    auto* sheet = new QPushButton(QStringLiteral("Sheet"));
    sheet->setObjectName("Command17");
    sheet->setToolTip(QStringLiteral("select sheet "));
    auto* byLat = new QPushButton(QStringLiteral("Sheet By Lat"));
    byLat->setObjectName("Command39");
    byLat->setToolTip(QStringLiteral("Sheeting by lateral"));
    auto* sort = new QComboBox;
    sort->setObjectName("Combo4");
    for (QWidget* w : std::initializer_list<QWidget*>{sheet, byLat, sort}) {
        w->setFocusPolicy(Qt::NoFocus);
        row->addWidget(w);
    }
    control.addToSidePanel(row);
    // "Force Pipe" sits with the sheet commands; it only redraws.
    auto* forcePipe = new QCheckBox(QStringLiteral("Force Pipe"));
    forcePipe->setObjectName("Check5");
    forcePipe->setFocusPolicy(Qt::NoFocus);
    control.addToSidePanel(forcePipe);
    QObject::connect(forcePipe, &QCheckBox::clicked, &control, [&control](bool on) {
        control.view().ForcePipe = on;
        control.Redraw();
    });

    auto* frame = new SheetFrame(control.model());
    control.addToSidePanel(frame);
    frame->hide();

    control.lateralOrderList_ = sort;
    control.customLengthBox_ = frame->customLengthBox_;
    control.monoSheetCheck_ = frame->monoSheetCheck_;
    for (int i = 0; i < 4; ++i)
        control.lengthOptions_[i] = qobject_cast<QRadioButton*>(frame->lengthOptions_->button(i));
    {
        QSignalBlocker block(sort);
        sort->addItem(QStringLiteral("LatName"));
        sort->setCurrentIndex(0);
    }
    frame->LoadFromSettings();

    Model& m = control.model();
    frame->redraw = [&control] { control.Redraw(); };
    frame->refillSheets = [&control, &m] {
        const std::vector<std::string> items = SheetListItems(m, control.view().SheetNumberBase);
        QStringList texts;
        for (const std::string& item : items) texts << QString::fromStdString(item);
        control.SetSheetListItems(texts);
        const int first = items.empty() ? -1 : 0;
        control.SyncSheetList(first);
        ShowSheet(control.view(), m, first);
        control.ShowWholeSheet();
    };
    frame->rebuild = [&control] {
        control.UserControl_Initialize();
        control.ff();
    };
    frame->configShown = [&control] {
        const QWidget* config = control.findChild<QWidget*>(QStringLiteral("Frame1"));
        return config && !config->isHidden();
    };
    frame->showMessage = [&control](const std::string& text) {
        control.dialogs().Message(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    };
    QObject::connect(sheet, &QPushButton::clicked, frame, &SheetFrame::Command17_Click);
    QObject::connect(byLat, &QPushButton::clicked, frame, &SheetFrame::Command39_Click);
    // A choice by the user only; the start-up's own sets stay silent.
    QObject::connect(sort, &QComboBox::activated, frame,
                     [frame, sort](int index) { frame->Combo4_Click(sort->itemText(index).toStdString()); });
    return frame;
}

}  // namespace vd
