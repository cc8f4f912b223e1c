#include "workspace/criteria_store.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <span>

#include "engine/errors.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"

namespace vd {

namespace {

// One row of a list page: its label and the criterion behind its box, a
// number or a text.
struct ListRow {
    const char* label;
    Number DesignCriteria::*number;
    std::string DesignCriteria::*text;
};

struct ListPage {
    const char* caption;
    std::span<const ListRow> rows;
    bool hidesRest;  // the rows below its own are hidden by the builder
};

using C = DesignCriteria;

const ListRow kTitleRows[] = {
    {"Project :", nullptr, &C::ProjectTitle},
    {"Designer :", nullptr, &C::Designer},
    {"Date ", nullptr, &C::ProjectDate},
};

const ListRow kBasicRows[] = {
    {"LPCD1", &C::LPCD1, nullptr},
    {"LPCD2", &C::LPCD2, nullptr},
    {"Connect1", &C::Connect1, nullptr},
    {"Connect2", &C::Connect2, nullptr},
    {"Ground Water Level", &C::GroundWaterLevel, nullptr},
    {"Inflow (Percent)", &C::InflowPercent, nullptr},
    {"minCover(m)", &C::MinCoverDefault, nullptr},
    {"minVelocity", &C::MinVelocity, nullptr},
    {"min H/D", &C::MinHD, nullptr},
    {"Mh. headloss", &C::MhHeadloss, nullptr},
    {"'n' variable", nullptr, &C::NVariable},
};

const ListRow kStormRows[] = {
    {"Return period :", &C::ReturnPeriod, nullptr},
    {"min  Con.Time:", &C::MinConTime, nullptr},
    {"A1 coef. :", &C::A1, nullptr},
    {"B1 coef. :", &C::B1, nullptr},
    {"C1 coef. :", &C::C1, nullptr},
    {"Intermediate  Con.Time:", &C::InterConTime, nullptr},
    {"A2 coef. :", &C::A2, nullptr},
    {"B2 coef. :", &C::B2, nullptr},
    {"C2 coef. :", &C::C2, nullptr},
    {"C Valu :", &C::CValue, nullptr},
    {"Inlet Time:", &C::InletTime, nullptr},
    {"Area coef. :", &C::AreaCoef, nullptr},
};

const ListPage kTitlePage{"Title", kTitleRows, true};
const ListPage kBasicPage{"Basic Criteria", kBasicRows, true};
// Rows 12 to 14 keep their state: hidden, as the panel opens on the Title page.
const ListPage kStormPage{"Storm data ", kStormRows, false};

const std::array<std::string, kOptionBoxes> kInfiltrationOptions{
    "M3/(d)(km)", "M3/(d)(cm of dia)(km)", "Infiltration Curve", "LPCD Infiltration"};
const std::array<std::string, kOptionBoxes> kPopulationOptions{
    "Density input", "Population input", "Total Population input", "Density Curve"};

// A box's label as a message names it: without its trailing colon.
std::string FieldName(const std::string& label) {
    std::string name = Trim(label);
    while (!name.empty() && (name.back() == ':' || name.back() == ' ')) name.pop_back();
    return name.empty() ? "A box" : name;
}

// The boxes of one store. A box is read once; one that holds anything but
// one number with blanks around it ("0,004", "12abc", "1.5 m"), or a number
// too large to hold, leaves every criterion it feeds as it was, shows that
// value again and is named in one message at the end. An empty box is 0.
class BoxStore {
public:
    BoxStore(Model& m, std::span<std::string> text, std::span<const std::string> label)
        : m_(m), text_(text), label_(label) {}

    void number(int k, Number& target) {
        if (state_[k] == Unread) read(k);
        if (state_[k] == Read)
            target = value_[k];
        else
            kept_[k] = &target;
    }

    void finish() {
        std::string message;
        for (std::size_t k = 0; k < text_.size(); ++k) {
            if (state_[k] != Rejected && state_[k] != TooLarge) continue;
            if (!message.empty()) message += "\n";
            message += FieldName(label_[k]) + ": " +
                       NumberRefusal(text_[k], state_[k] == TooLarge ? OneNumber::TooLarge : OneNumber::NotANumber) +
                       "; the value is kept.";
            text_[k] = CriterionText(*kept_[k]);
        }
        if (!message.empty()) m_.Ui->MessageBox(message);
    }

private:
    enum State : unsigned char { Unread, Read, Rejected, TooLarge };

    void read(int k) {
        const OneNumber n = ReadOneNumber(text_[k]);
        value_[k] = n.value;  // an empty box is 0
        state_[k] = n.kind == OneNumber::NotANumber ? Rejected : n.kind == OneNumber::TooLarge ? TooLarge : Read;
    }

    Model& m_;
    std::span<std::string> text_;
    std::span<const std::string> label_;
    std::array<State, kListRows> state_{};
    std::array<double, kListRows> value_{};
    std::array<Number*, kListRows> kept_{};
};

const ListPage* ListPageNamed(const std::string& caption) {
    for (const ListPage* p : {&kTitlePage, &kBasicPage, &kStormPage})
        if (caption == p->caption) return p;
    return nullptr;
}

void BuildListPage(CriteriaPanel& panel, const Model& m, const ListPage& page) {
    ListFrame& f = panel.Frame3;
    const int used = static_cast<int>(page.rows.size());
    const int last = page.hidesRest ? kListRows : used;
    for (int k = 0; k < last; ++k) {
        f.TextVisible[k] = f.TextEnabled[k] = k < used;
        f.Label[k] = "";
    }
    for (int k = 0; k < used; ++k) {
        const ListRow& row = page.rows[k];
        f.Label[k] = row.label;
        f.Text[k] = row.number ? CriterionText(m.Criteria.*row.number) : m.Criteria.*row.text;
    }
    f.Caption = page.caption;
    f.Built = m.Criteria.Replaced;
    f.Visible = true;
    panel.Frame1.Visible = false;
}

// The criteria of one zone's population page.
struct PopulationZone {
    const char* caption;
    const char* density1Label;
    int16_t C::*mode;
    Number C::*area1;
    Number C::*area2;
    Number C::*density1;
    Number C::*density2;
};

const PopulationZone kZones[] = {
    {"Population1", "Dencity1:", &C::Pop1Mode, &C::Pop1Area1, &C::Pop1Area2, &C::Pop1Density1, &C::Pop1Density2},
    {"Population2", "Decity1:", &C::Pop2Mode, &C::Pop2Area1, &C::Pop2Area2, &C::Pop2Density1, &C::Pop2Density2},
};

const PopulationZone* ZoneNamed(const std::string& caption) {
    for (const PopulationZone& z : kZones)
        if (caption == z.caption) return &z;
    return nullptr;
}

}  // namespace

std::string CriterionText(const Number& value) {
    if (!value) return {};
    double v = *value;
    if (v == 0) v = 0;  // no "-0"
    return GeneralNumberText(v, 15);
}

void CriteriaPanel::update1(Model& m) {
    const ListPage* page = ListPageNamed(Frame3.Caption);
    if (!page || Frame3.Built != m.Criteria.Replaced) return;
    BoxStore store(m, Frame3.Text, Frame3.Label);
    std::string unkept;
    for (std::size_t k = 0; k < page->rows.size(); ++k) {
        const ListRow& row = page->rows[k];
        if (row.number) {
            store.number(static_cast<int>(k), m.Criteria.*row.number);
            continue;
        }
        m.Criteria.*row.text = Frame3.Text[k];
        if (Frame3.Unkept[k].empty()) continue;
        if (!unkept.empty()) unkept += "\n";
        unkept += FieldName(row.label) + ": the characters \"" + Frame3.Unkept[k] +
                  "\" cannot be kept, as these texts hold Latin-1 characters only; each is stored as \"?\".";
        Frame3.Unkept[k].clear();
    }
    store.finish();
    if (!unkept.empty()) Frame3.UnkeptNote += (Frame3.UnkeptNote.empty() ? "" : "\n") + unkept;
}

void CriteriaPanel::projectupdate(Model& m) {
    C& c = m.Criteria;
    OptionFrame& f = Frame1;
    if (f.Built != c.Replaced) return;
    BoxStore store(m, f.Text, f.Label);
    if (f.Caption == "Infiltration") {
        if (f.Selected >= 0) c.InfMode = static_cast<int16_t>(f.Selected + 1);
        if (f.Selected == 2) {
            store.number(0, c.InfArea1);
            store.number(2, c.InfArea2);
            store.number(1, c.InfRate1);
            store.number(3, c.InfRate2);
        } else {
            store.number(1, c.Inf2);
            store.number(0, c.Inf1);
        }
    } else if (const PopulationZone* z = ZoneNamed(f.Caption)) {
        if (f.Selected >= 0) c.*z->mode = static_cast<int16_t>(f.Selected + 1);
        if (f.Selected == 3) {
            store.number(0, c.*z->area1);
            store.number(2, c.*z->area2);
            store.number(1, c.*z->density1);
            store.number(3, c.*z->density2);
        }
    }
    store.finish();
}

void CriteriaPanel::update(Model& m, int Index) {
    C& c = m.Criteria;
    OptionFrame& f = Frame1;
    if (f.Built != c.Replaced) return;
    if (f.Caption == "Infiltration") {
        f.Label = {"Min :", "Max :", "", ""};
        f.TextVisible[0] = f.TextVisible[1] = true;
        if (Index == 0 || Index == 1 || Index == 3) {
            f.TextVisible[2] = f.TextVisible[3] = false;
        } else if (Index == 2) {
            f.Label = {"Area1(ha):", "inf1(m3/ha/d):", "Area2(ha):", "inf2(m3/ha/d)"};
            f.TextVisible[2] = f.TextVisible[3] = true;
        }
        // The four boxes are one set for every option: the option chosen
        // takes what they hold now.
        BoxStore store(m, f.Text, f.Label);
        store.number(1, c.Inf2);
        store.number(0, c.Inf1);
        if (Index == 2) {
            store.number(0, c.InfArea1);
            store.number(2, c.InfArea2);
            store.number(1, c.InfRate1);
            store.number(3, c.InfRate2);
        }
        store.finish();
    } else if (const PopulationZone* z = ZoneNamed(f.Caption)) {
        if (Index == 3) {
            f.Label = {"Area1(ha):", z->density1Label, "Area2(ha):", "Dencity2"};
            f.TextVisible = {true, true, true, true};
            BoxStore store(m, f.Text, f.Label);
            store.number(0, c.*z->area1);
            store.number(2, c.*z->area2);
            store.number(1, c.*z->density1);
            store.number(3, c.*z->density2);
            store.finish();
        } else if (Index >= 0 && Index <= 2) {
            for (int k = 0; k < kOptionBoxes; ++k) {
                f.TextVisible[k] = false;
                f.Label[k] = "";
            }
        }
    }
}

void CriteriaPanel::Option1_Click(Model& m, int Index) {
    Frame1.Selected = Index;
    update(m, Index);
}

void CriteriaPanel::ShowProjectHeaderPage(const Model& m) { BuildListPage(*this, m, kTitlePage); }
void CriteriaPanel::ShowBasicCriteriaPage(const Model& m) { BuildListPage(*this, m, kBasicPage); }
void CriteriaPanel::ShowStormPage(const Model& m) { BuildListPage(*this, m, kStormPage); }

void CriteriaPanel::ShowInfiltrationPage(Model& m) {
    projectupdate(m);
    Frame1.Built = m.Criteria.Replaced;
    Frame1.Visible = true;
    Frame3.Visible = false;
    Frame1.Caption = "Infiltration";
    Frame1.OptionCaption = kInfiltrationOptions;
    Frame1.TextVisible[0] = Frame1.TextVisible[1] = true;
    const C& c = m.Criteria;
    switch (c.InfMode) {
    case 1:
    case 2:
    case 4:
        Frame1.Text[1] = CriterionText(c.Inf2);
        Frame1.Text[0] = CriterionText(c.Inf1);
        Option1_Click(m, c.InfMode - 1);
        break;
    case 3:
        Frame1.Text[0] = CriterionText(c.InfArea1);
        Frame1.Text[2] = CriterionText(c.InfArea2);
        Frame1.Text[1] = CriterionText(c.InfRate1);
        Frame1.Text[3] = CriterionText(c.InfRate2);
        Frame1.TextVisible[2] = Frame1.TextVisible[3] = true;
        Option1_Click(m, 2);
        break;
    default:
        // A mode no option stands for chooses none, and the boxes show this
        // page's own values rather than what another page left in them.
        Frame1.Selected = -1;
        Frame1.Text[0] = CriterionText(c.Inf1);
        Frame1.Text[1] = CriterionText(c.Inf2);
        Frame1.Label = {"Min :", "Max :", "", ""};
        Frame1.TextVisible[2] = Frame1.TextVisible[3] = false;
        break;
    }
}

void CriteriaPanel::ShowPopulation1Page(Model& m) { ShowPopulationPage(m, 0); }
void CriteriaPanel::ShowPopulation2Page(Model& m) { ShowPopulationPage(m, 1); }

void CriteriaPanel::ShowPopulationPage(Model& m, int zone) {
    const PopulationZone& z = kZones[zone];
    projectupdate(m);
    Frame1.Built = m.Criteria.Replaced;
    Frame1.Caption = z.caption;
    Frame1.OptionCaption = kPopulationOptions;
    const C& c = m.Criteria;
    const int mode = c.*z.mode;
    if (mode >= 1 && mode <= 3) {
        Option1_Click(m, mode - 1);
    } else if (mode == 4) {
        Frame1.Text[0] = CriterionText(c.*z.area1);
        Frame1.Text[2] = CriterionText(c.*z.area2);
        Frame1.Text[1] = CriterionText(c.*z.density1);
        Frame1.Text[3] = CriterionText(c.*z.density2);
        Frame1.TextVisible[2] = Frame1.TextVisible[3] = true;
        Option1_Click(m, 3);
    } else {
        // A mode no option stands for: no option, and no boxes of another page.
        Frame1.Selected = -1;
        update(m, 0);
    }
    Frame1.Visible = true;
    Frame3.Visible = false;
}

void CriteriaPanel::StorePageShown(Model& m) {
    if (Frame3.Visible) update1(m);
    if (Frame1.Visible) projectupdate(m);
}

void CriteriaPanel::TabStrip1_Click(Model& m, int tab) {
    StorePageShown(m);
    switch (tab) {
    case 1: ShowProjectHeaderPage(m); break;
    case 2: ShowBasicCriteriaPage(m); break;
    case 3: ShowPopulation1Page(m); break;
    case 4: ShowPopulation2Page(m); break;
    case 5: ShowInfiltrationPage(m); break;
    case 6: ShowStormPage(m); break;
    default: break;
    }
}

void CriteriaPanel::StoreOnClose(Model& m) {
    update1(m);
    if (Frame1.Visible) projectupdate(m);
}

}  // namespace vd
