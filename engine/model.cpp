#include "engine/model.h"

#include <algorithm>

namespace vd {

namespace {
NullUi& SilentUi() {
    static NullUi ui;  // stateless
    return ui;
}
}  // namespace

void ApplyDefaultCriteria(DesignCriteria& c) {
    c.ProjectTitle.clear();
    c.Designer.clear();
    c.ProjectDate.clear();
    c.LPCD1 = 0;
    c.LPCD2 = 0;
    c.Connect1 = 100;
    c.Connect2 = 100;
    c.GroundWaterLevel = 0;
    c.InflowPercent = 0;
    c.MinCoverDefault = 0;
    c.MinVelocity = 0.6;
    c.MinHD = 0.3;
    c.MhHeadloss = 0;
    c.NVariable = "N";
    c.ReturnPeriod = 2;
    c.MinConTime = 10;
    c.A1 = 0;
    c.B1 = 0;
    c.C1 = 0;
    c.InterConTime = 180;
    c.A2 = 0;
    c.B2 = 0;
    c.C2 = 0;
    c.CValue = 0.5;
    c.InletTime = 4;
    c.AreaCoef = 1;
    c.InfMode = 1;
    c.Inf1 = 0;
    c.Inf2 = 0;
    c.InfArea1 = 1;
    c.InfRate1 = 1;
    c.InfArea2 = 0;
    c.InfRate2 = 0;
    c.Pop1Mode = 1;
    c.Pop1Area1 = 1;
    c.Pop1Density1 = 1;
    c.Pop1Area2 = 0;
    c.Pop1Density2 = 0;
    c.Pop2Mode = 1;
    c.Pop2Area1 = 1;
    c.Pop2Density1 = 1;
    c.Pop2Area2 = 0;
    c.Pop2Density2 = 0;
    c.KmaxText = "5";
    c.QaddMode = 0;
    c.CostParam0 = 2;
    c.CostParam1 = 1;
    c.CostParam2 = 1;
    c.CostParam3 = 1;
    c.CostParam4 = 1;
    c.CostParam5 = 1;
    c.CostParam6 = 1;
    ++c.Replaced;
}

Model::Model() : Ui(&SilentUi()) {
    CreateLineTables(kStartupLineUpper, kStartupLineUpper);
    SheetTable.assign(2, SheetRecord{});
    // Costs and peak factors are never computed from empty criteria.
    ApplyDefaultCriteria(Criteria);
}

void Model::SetUi(UiSink* ui) { Ui = ui ? ui : &SilentUi(); }

void Model::CreateLineTables(int linesUpper, int linksUpper) {
    linesUpper = std::clamp(linesUpper, 0, kMaxLineUpper);
    linksUpper = std::clamp(linksUpper, 0, kMaxLineUpper + 20);
    Lines.assign(static_cast<std::size_t>(linesUpper) + 1, LineRecord{});
    Results.assign(static_cast<std::size_t>(linesUpper) + 1, ResultRecord{});
    Links.assign(static_cast<std::size_t>(linksUpper) + 1, LinkRecord{});
}

int LineTableUpper(long long lines) {
    return static_cast<int>(std::clamp<long long>(lines + 10, kStartupLineUpper, kMaxLineUpper));
}

int LinkTableUpper(long long lines) {
    return static_cast<int>(std::clamp<long long>(lines + 20, kStartupLineUpper, kMaxLineUpper + 20));
}

std::string TooManyLinesText(const std::string& source, long long found) {
    return source + " has " + std::to_string(found) + " lines; the line table holds at most " +
           std::to_string(kMaxLineUpper) + ".";
}

void Model::CreateLineTablesFor(long long lines) { CreateLineTables(LineTableUpper(lines), LinkTableUpper(lines)); }

void Model::FitLineTables(long long lines) {
    const auto rows = static_cast<std::size_t>(LineTableUpper(lines)) + 1;
    const auto links = static_cast<std::size_t>(LinkTableUpper(lines)) + 1;
    // A table that shrinks gives its memory back.
    auto fit = [](auto& table, std::size_t size) {
        const bool shrinks = size < table.size();
        table.resize(size);
        if (shrinks) table.shrink_to_fit();
    };
    fit(Lines, rows);
    fit(Results, rows);
    fit(Links, links);
}

void Model::ClearLine(int i) {
    if (i > 0 && i < static_cast<int>(Lines.size())) Lines[i] = Lines[0];
}

void Model::ClearLink(int i) {
    if (i > 0 && i < static_cast<int>(Links.size())) Links[i] = Links[0];
}

void Model::CreateLatTable(int rows) {
    LatTable.assign(static_cast<std::size_t>(std::max(rows, 0)) + 1, std::array<double, 8>{});
}

int Model::Lat(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(LatTable.size()) || column < 0 || column > 7) return 0;
    double v = LatTable[row][column];
    if (!(v > -32769.0 && v < 32768.0)) return 0;  // not a line or row number
    return static_cast<int>(v);
}

}  // namespace vd
