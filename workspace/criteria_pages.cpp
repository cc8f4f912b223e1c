#include "workspace/criteria_pages.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include "platform/dialogs.h"
#include "workspace/workspace_layout.h"

namespace vd {

namespace {

const std::string kOpenStatus = "Project" + std::string(22, ' ');
const std::string kClosedStatus(26, ' ');

const struct {
    const char* caption;
    const char* key;
} kTabs[] = {
    {"Title", "mnutitle"},         {"Criteria", "mnucriteria"}, {"Population(1)", "mnupop1"},
    {"Population(2)", "mnupop2"}, {"Infiltration", "mnuinfilt"}, {"Storm", "mnustorm"},
};

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromBox(const QLineEdit* box) { return box->text().toLatin1().toStdString(); }

// A box's text in Latin-1, one "?" for each character that has no Latin-1
// form; those characters (UTF-8) go to unkept.
std::string FromBox(const QLineEdit* box, std::string& unkept) {
    std::string text;
    unkept.clear();
    for (char32_t c : box->text().toUcs4()) {
        if (c <= 0xFF) {
            text.push_back(static_cast<char>(c));
        } else {
            text.push_back('?');
            unkept += QString::fromUcs4(&c, 1).toStdString();
        }
    }
    return text;
}

// The tab strip's place in the workspace, in twips: below the log box, whose
// foot is at 1605, so neither hides the other.
constexpr int kStripLeft = 2040, kStripTop = 1680, kStripWidth = 6015, kStripHeight = 5535;

QString Indexed(const char* name, int k) { return QString("%1(%2)").arg(name).arg(k); }

// The pages were laid out for a small dialog font.
void SmallFont(QWidget* w) {
    QFont f = w->font();
    f.setPixelSize(11);
    w->setFont(f);
}

}  // namespace

CriteriaPages::CriteriaPages(Model& m, Dialogs& dialogs, QWidget* workspace, QWidget* importFrame)
    : QObject(workspace), m_(m), dialogs_(dialogs), workspace_(workspace), importFrame_(importFrame) {
    tabStrip_ = new QTabWidget(workspace);
    tabStrip_->setObjectName("TabStrip1");
    tabStrip_->setGeometry(PxRect(kStripLeft, kStripTop, kStripWidth, kStripHeight));
    SmallFont(tabStrip_);
    // Six captions across the strip's width, none behind a scroll arrow.
    tabStrip_->tabBar()->setStyleSheet("QTabBar::tab { padding: 3px 5px; }");
    for (int i = 0; i < 6; ++i) {
        tabStrip_->addTab(new QWidget, kTabs[i].caption);
        tabStrip_->tabBar()->setTabData(i, kTabs[i].key);
    }
    // A click on the tab already selected builds its page again, as a click
    // on another tab does; the tab strip keeps its tab when the panel reopens.
    connect(tabStrip_, &QTabWidget::currentChanged, this, [this](int i) {
        if (!pushing_) TabStrip1_Click(i + 1);
    });
    connect(tabStrip_, &QTabWidget::tabBarClicked, this, [this](int i) {
        if (i >= 0 && i == tabStrip_->currentIndex()) TabStrip1_Click(i + 1);
    });

    buildOptionFrame();
    buildListFrame();

    closeBox_ = new QPushButton("---", workspace);
    closeBox_->setObjectName("Command8");
    closeBox_->setAutoDefault(false);
    closeBox_->resize(Px(255), Px(255));
    connect(closeBox_, &QPushButton::clicked, this, &CriteriaPages::Command8_Click);

    tabStrip_->hide();
    optionFrame_->hide();
    listFrame_->hide();
    closeBox_->hide();
}

void CriteriaPages::buildOptionFrame() {
    optionFrame_ = new QGroupBox("Frame1", workspace_);
    optionFrame_->setObjectName("Frame1");
    optionFrame_->resize(Px(5415), Px(4815));
    SmallFont(optionFrame_);
    optionGroup_ = new QButtonGroup(optionFrame_);
    for (int k = 0; k < kOptionBoxes; ++k) {
        optionButtons_[k] = new QRadioButton(optionFrame_);
        optionButtons_[k]->setObjectName(Indexed("Option1", k));
        optionButtons_[k]->setGeometry(PxRect(360, 240 + 480 * k, 2775, 375));
        optionGroup_->addButton(optionButtons_[k], k);
        connect(optionButtons_[k], &QRadioButton::clicked, this, [this, k] { Option1_Click(k); });
    }
    // Boxes 0 and 1 on the left, 2 and 3 on the right; each label runs up
    // to its box.
    const struct {
        int labelLeft, top, boxLeft;
    } places[] = {{240, 2160, 1440}, {240, 2880, 1440}, {2520, 2160, 3960}, {2640, 2880, 3960}};
    for (int k = 0; k < kOptionBoxes; ++k) {
        const auto& p = places[k];
        optionLabels_[k] = new QLabel(" ", optionFrame_);
        optionLabels_[k]->setObjectName(Indexed("Label1", k));
        optionLabels_[k]->setGeometry(PxRect(p.labelLeft, p.top, p.boxLeft - p.labelLeft, 285));
        optionBoxes_[k] = new QLineEdit(optionFrame_);
        optionBoxes_[k]->setObjectName(Indexed("Text1", k));
        optionBoxes_[k]->setGeometry(PxRect(p.boxLeft, p.top, 855, 285));
        connect(optionBoxes_[k], &QLineEdit::returnPressed, this, [this, k] { Text1_KeyPress(k); });
    }
}

void CriteriaPages::buildListFrame() {
    listFrame_ = new QGroupBox("Frame3", workspace_);
    listFrame_->setObjectName("Frame3");
    listFrame_->resize(Px(5415), Px(4815));
    SmallFont(listFrame_);
    for (int k = 0; k < kListRows; ++k) {
        const int top = 480 + 240 * k;
        listLabels_[k] = new QLabel(" ", listFrame_);
        listLabels_[k]->setObjectName(Indexed("Label2", k));
        listLabels_[k]->setGeometry(PxRect(120, top, 2160, 255));
        listBoxes_[k] = new QLineEdit(listFrame_);
        listBoxes_[k]->setObjectName(Indexed("Text2", k));
        // One row every 240 twips: the boxes keep to their row.
        listBoxes_[k]->setGeometry(PxRect(2280, top, 1095, 240));
        listBoxes_[k]->setTextMargins(0, 0, 0, 0);
    }
}

bool CriteriaPages::isOpen() const { return !tabStrip_->isHidden(); }

void CriteriaPages::placeFrames() {
    // The frames cover the tab strip's client area, in front of it.
    const QRect strip = tabStrip_->geometry();
    const int bar = tabStrip_->tabBar()->sizeHint().height();
    const QRect client = strip.adjusted(2, bar + 2, -2, -2);
    listFrame_->setGeometry(client);
    optionFrame_->setGeometry(client);
}

void CriteriaPages::ShowProjectSettings() {
    if (!isOpen()) {
        importFrame_->hide();
        tabStrip_->show();
        tabStrip_->raise();
        m_.Ui->SetStatus(kOpenStatus);
        closeBox_->move(Px(kStripLeft + kStripWidth - 400), Px(kStripTop + 360));
        closeBox_->show();
        placeFrames();
        panel_.ShowProjectHeaderPage(m_);
        push();
        listFrame_->raise();
        optionFrame_->raise();
        closeBox_->raise();
    } else {
        pull();
        panel_.StoreOnClose(m_);
        m_.Ui->SetStatus(kClosedStatus);
        hideAll();
    }
}

void CriteriaPages::closeStoring() {
    if (!isOpen()) return;
    pull();
    panel_.StoreOnClose(m_);
    hideAll();
}

void CriteriaPages::Command8_Click() {
    pull();
    panel_.StoreOnClose(m_);
    hideAll();
}

void CriteriaPages::hideAll() {
    panel_.Frame1.Visible = false;
    panel_.Frame3.Visible = false;
    push();
    tabStrip_->hide();
    closeBox_->hide();
}

void CriteriaPages::TabStrip1_Click(int tab) {
    pull();
    panel_.TabStrip1_Click(m_, tab);
    push();
}

void CriteriaPages::Option1_Click(int Index) {
    pull();
    panel_.Option1_Click(m_, Index);
    push();
}

void CriteriaPages::Text1_KeyPress(int) {
    pull();
    panel_.projectupdate(m_);
    push();
}

void CriteriaPages::pull() {
    for (int k = 0; k < kOptionBoxes; ++k) panel_.Frame1.Text[k] = FromBox(optionBoxes_[k]);
    for (int k = 0; k < kListRows; ++k) panel_.Frame3.Text[k] = FromBox(listBoxes_[k], panel_.Frame3.Unkept[k]);
}

void CriteriaPages::push() {
    pushing_ = true;
    const OptionFrame& o = panel_.Frame1;
    optionFrame_->setTitle(Latin1(o.Caption));
    if (o.Selected >= 0 && o.Selected < kOptionBoxes) {
        optionButtons_[o.Selected]->setChecked(true);
    } else {
        optionGroup_->setExclusive(false);
        for (QRadioButton* b : optionButtons_) b->setChecked(false);
        optionGroup_->setExclusive(true);
    }
    auto setText = [](QLineEdit* box, const std::string& text) {
        const QString t = Latin1(text);
        if (box->text() != t) box->setText(t);
    };
    for (int k = 0; k < kOptionBoxes; ++k) {
        optionButtons_[k]->setText(Latin1(o.OptionCaption[k]));
        optionLabels_[k]->setText(Latin1(o.Label[k]));
        setText(optionBoxes_[k], o.Text[k]);
        optionBoxes_[k]->setVisible(o.TextVisible[k]);
    }
    const ListFrame& l = panel_.Frame3;
    listFrame_->setTitle(Latin1(l.Caption));
    for (int k = 0; k < kListRows; ++k) {
        listLabels_[k]->setText(Latin1(l.Label[k]));
        setText(listBoxes_[k], l.Text[k]);
        listBoxes_[k]->setVisible(l.TextVisible[k]);
        listBoxes_[k]->setEnabled(l.TextEnabled[k]);
    }
    optionFrame_->setVisible(o.Visible);
    listFrame_->setVisible(l.Visible);
    pushing_ = false;
    if (!panel_.Frame3.UnkeptNote.empty()) {
        const QString note = QString::fromStdString(panel_.Frame3.UnkeptNote);
        panel_.Frame3.UnkeptNote.clear();
        dialogs_.Message(note);
    }
}

}  // namespace vd
