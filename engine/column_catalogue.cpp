#include "engine/errors.h"
#include "engine/column_catalogue.h"

#include <optional>

namespace vd {

namespace {

struct Titles {
    int code;
    const char* title1;
    const char* title2;
};

// As assigned; the 9-character fields cut the longer ones.
constexpr Titles kTitles[] = {
    {1, "Mh1_From", "  From   "},
    {2, "Mh2_TO", "   To    "},
    {3, "Area1_sub", "   Sub   "},
    {4, "Area1_total", "  Total  "},
    {6, "Pop1_total(p)", "  Total  "},
    {7, "Area2_sub(ha)", "   Sub   "},
    {8, " Area2_Total", "  Total  "},
    {10, "Pop2_total(p)", "  Total  "},
    {11, "Qsw(l/s)", "  (l/s)  "},
    {12, "Vsw(m/s) ", "  (m/s)  "},
    {13, "CT(min) ", "   min   "},
    {14, "Kmax(big)", "  Factor "},
    {15, "Qinf1.(l/s) ", "  (l/s)  "},
    {16, "Qinflow1(l/s)", "  (l/s)  "},
    {17, "Qmax(big)", "  (l/s)  "},
    {18, "Vmax(big)", "  (m/s)  "},
    {19, "H/D(big)", "   Max   "},
    {20, "Qavg(end)", "  (l/s)  "},
    {21, "Vavg(end)", "  (m/s)  "},
    {22, " H/D(end)", "   Avg   "},
    {23, "Kmax(end)", "  Factor "},
    {24, "Qinf.2(l/s)", "  (l/s)  "},
    {25, "Qinflow2(l/s)", "  (l/s)  "},
    {26, "Qadd(l/s)", "  Total  "},
    {27, "Qmax(end)", "  (l/s)  "},
    {28, "Vmax(end)", "  (m/s)  "},
    {29, " H/D(end)", "  Max    "},
    {30, " Q/Qfull ", "  Max    "},
    {31, "Diameter(mm)", "   (mm)  "},
    {32, "Slope(m/m)  ", "  (m/m)  "},
    {33, "    n    ", " Manning "},
    {34, "Qfull(l/s)  ", "  (l/s)  "},
    {35, "Vfull(m/s)  ", "  (m/s)  "},
    {36, "SelfClean", "  Slope  "},
    {37, "Gr.Elv._up", "    Up   "},
    {38, "Gr.Elv._down", "  down   "},
    {39, "Gr.Slope ", "  (m/m)  "},
    {40, " Lenght(m)  ", "   (m)   "},
    {41, " inv.Elv._up", "    Up   "},
    {42, " inv.Elv._down", "  down   "},
    {43, " Depth(m)_up", "    Up   "},
    {44, " Depth(m)_down", "   down  "},
    {45, " Drop(m) ", "   down  "},
    {46, "  Len.(m)", " Depth<2 "},
    {47, "  Len.(m)", " 2<Dep<3 "},
    {48, "  Len.(m)", " 3<Dep<4 "},
    {49, "  Len.(m)", " 4<Dep<5 "},
    {50, "  Len.(m)", " Depth>5 "},
    {51, "  Cost   ", "  unit/m "},
    {52, " Lateral ", "    #    "},
    {53, "   DWG   ", "    #    "},
    {54, "  Status ", "         "},
    {56, " Qpeak   ", " (l/s)  "},
    {57, " Mincover", "  (m)   "},
    {60, "   Dia   ", "  (mm)  "},
    {61, "  Mins   ", "  (m/m) "},
    {62, " Maxvel. ", "  (m/s) "},
    {63, " H/d max ", "        "},
    {64, "   n      ", "  Coef. "},
    {65, "Pipeprice ", "  (/m)  "},
    {66, "Pipe Cons.", "  (/m)  "},
    {67, " Mh Cons. ", "  (/m)  "},
    {68, "  X1      ", "  Cor.  "},
    {69, "  Y1      ", "  Cor.  "},
    {70, "  X2      ", "  Cor   "},
    {71, "  Y2      ", "  Cor   "},
    {79, "Entity  ", "  Name   "},
    {80, "Visible ", "  [y/n]   "},
    {81, "Style/LTYPE", "   NAME   "},
    {82, "COLOR  ", "  #       "},
    {83, "Row-Locate", "  Line   "},
    {84, "Text H-Space", " Text(cm)"},
    {85, "Text V-Space", " Text(cm)"},
    {86, "Divide-Line ", " Len     "},
    {87, "Rotate ", " Degree  "},
    {88, " Lateral ", "    #    "},
    {89, "  From   ", "   Mh.   "},
    {90, "  TO     ", "   Mh.   "},
    {91, "  Length ", "  (m)    "},
    {92, " GR.EL.  ", "  From   "},
    {93, " INV.EL. ", "  From   "},
    {94, " GR.EL.  ", "  To     "},
    {95, " INV.EL. ", "  To     "},
    {96, " Latral", "  Total  "},
    {97, " Pop  end", "  Total  "},
    {98, " Qmax end ", " (l/s)  "},
    {99, " Dia      ", "  (mm)  "},
    {100, " TYPE    ", "    "},
    {101, " Connect ", "    "},
    {102, " Drop ", " (m)   "},
};

}  // namespace

namespace {

// The titles of `code` under the criteria's modes; none for untitled codes.
std::optional<Titles> TitlesOf(const DesignCriteria& c, int code) {
    switch (code) {
        case 5: return Titles{5, c.Pop1Mode == 1 ? " Density1" : "   Pop.1 ", "   Sub   "};
        case 9: return Titles{9, c.Pop2Mode == 1 ? " Density2 " : "   Pop.2", "   Sub   "};
        case 55: return Titles{55, "Qadd(l/S)", c.QaddMode == 1 ? " Total  " : "  Sub   "};
        default:
            for (const Titles& t : kTitles)
                if (t.code == code) return t;
            return std::nullopt;
    }
}

}  // namespace

void SetColumnTitles(const Model& m, std::span<GridColumnDef> catalogue) {
    for (int code = 1; code <= kLastColumnCode; ++code) {
        const std::optional<Titles> t = TitlesOf(m.Criteria, code);
        if (!t) continue;
        if (static_cast<std::size_t>(code) >= catalogue.size())
            throw RuntimeError(9, kOutsideTableText);
        catalogue[code].Title1 = t->title1;
        catalogue[code].Title2 = t->title2;
    }
}

std::string_view ColumnCaption(const Model& m, int code) {
    const std::optional<Titles> t = TitlesOf(m.Criteria, code);
    return t ? std::string_view(t->title1) : std::string_view();
}

}  // namespace vd
