// The shared network tables, counts, sheet options, drawing-style rows and
// design criteria: everything the subsystems read and write in place. One
// Model is passed by reference to every procedure; there are no globals.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/ui_sink.h"

namespace vd {

// Rows 0 to this of the per-line tables at start-up.
inline constexpr int kStartupLineUpper = 2000;
// The 16-bit line numbers limit any network the program holds.
inline constexpr int kMaxLineUpper = 32000;

// The rows a network of `lines` lines gets: every line and ten spare rows in
// Lines and Results (twenty in Links), never fewer than at start-up and never
// beyond the limit. Every command that brings a network in sizes the tables so.
int LineTableUpper(long long lines);
int LinkTableUpper(long long lines);

// What a command says of a source holding more lines than a network holds:
// "<source> has <found> lines; the line table holds at most 32000."
std::string TooManyLinesText(const std::string& source, long long found);

struct LineRecord {
    FixedText<8> SeqText;
    FixedText<40> Latral;
    FixedText<30> MhType;
    FixedText<30> Status;
    FixedText<25> From;
    FixedText<25> to;
    float Area2_sub = 0;
    float Area1_sub = 0;
    float Qadd = 0;
    float Len = 0;
    float Dia = 0;
    float CalcSlope = 0;
    float slope = 0;
    float Pop1 = 0;
    float Pop2 = 0;
    float Gr1 = 0;
    float Gr2 = 0;
    float Inv1 = 0;
    float Inv2 = 0;
    int16_t Level = 0;
    float Mincover = 0;
    float XData13 = 0;
    float X1 = 0;
    float X2 = 0;
    float Y1 = 0;
    float Y2 = 0;
};

struct LinkRecord {
    int16_t NextLine = 0;
    int16_t Branch1 = 0;
    int16_t Branch2 = 0;
    float Drop = 0;
    int16_t UpLine = 0;
    int16_t LatNo = 0;
    int16_t PosLine = 0;
};

struct ResultRecord {
    float Area1_total = 0;
    float Area2_Total = 0;
    float QaddTotal = 0;
    float Qinf2 = 0;
    float Qinf1 = 0;
    float Pop1_total = 0;
    float Pop2_total = 0;
    float QmaxBig = 0;
    float Qsw = 0;
    float QmaxEnd = 0;
    float QavgEnd = 0;
    float VavgEnd = 0;
    float VmaxEnd = 0;
    float VmaxBig = 0;
    float SheetIdx = 0;
    float ProfX = 0;
    float Chainage = 0;
};

struct SheetRecord {
    int16_t Band1Start = 0;
    int16_t Band1End = 0;
    int16_t Band2Start = 0;
    int16_t Band2End = 0;
    int16_t DwgNo = 0;
};

struct DiaRecord {
    float Dia = 0;
    float Mins = 0;
    float Maxvel = 0;
    float nCoef = 0;
    float HdMax = 0;
    float PipeCons = 0;
    float Pipeprice = 0;
    float MhCons = 0;
};

// One drawing-style row; a 64-byte image in the drawing-settings file.
struct ObjectStyle {
    FixedText<15> EntityName;
    FixedText<1> Visible;
    FixedText<7> HeightText;
    FixedText<7> StyleName;
    FixedText<7> HSpace;
    FixedText<7> RowLocate;
    float Color = 0;
    float VSpace = 0;
    float DivideLen = 0;
    float TextHeight = 0;
    float Rotate = 0;
};

// Records 40 to 60 of the drawing-settings file; carried along, never used.
struct ColumnMapRecord {
    int16_t Map1 = 0;
    int16_t Map2 = 0;
    int16_t Map3 = 0;
    float Map4 = 0;
    int16_t Map5 = 0;
    int32_t Spare = 0;
};

// One column-catalogue record; record k is also the slot of grid column k.
struct GridColumnDef {
    int16_t Code = 0;
    FixedText<9> Title1;
    FixedText<9> Title2;
    FixedText<20> CellText;
};

// A criterion that is empty until first assigned; empty counts as 0.
using Number = std::optional<double>;
inline double Num(const Number& n) { return n.value_or(0.0); }

struct DesignCriteria {
    std::string ProjectTitle, Designer, ProjectDate;
    Number LPCD1, LPCD2, Connect1, Connect2, GroundWaterLevel, InflowPercent, MinCoverDefault,
        MinVelocity, MinHD, MhHeadloss;
    std::string NVariable;
    Number ReturnPeriod, MinConTime, A1, B1, C1, InterConTime, A2, B2, C2, CValue, InletTime,
        AreaCoef;
    int16_t InfMode = 0;
    Number Inf1, Inf2, InfArea1, InfRate1, InfArea2, InfRate2;
    int16_t Pop1Mode = 0;
    Number Pop1Area1, Pop1Density1, Pop1Area2, Pop1Density2;
    int16_t Pop2Mode = 0;
    Number Pop2Area1, Pop2Density1, Pop2Area2, Pop2Density2;
    std::string KmaxText;
    int16_t QaddMode = 0;
    Number CostParam0, CostParam1, CostParam2, CostParam3, CostParam4, CostParam5, CostParam6;
    // Counts the times the whole set was replaced (a reset, an import), so
    // that a page of the criteria panel built before never stores over it.
    uint32_t Replaced = 0;
    bool operator==(const DesignCriteria&) const = default;
};

// Gives every criterion the value a project reset gives it, titles and
// KmaxText included, and counts the replacement. Lines are not touched.
void ApplyDefaultCriteria(DesignCriteria& c);

// Columns of LatTable.
enum LatColumn : int { LatFirst = 1, LatLast = 2, LatSheet = 3, LatSheetIdx = 4, LatLayout = 5, LatBase = 6 };

struct Model {
    Model();

    // Per-line tables, row 0 the blank template, rows 1..LineCount in use.
    std::vector<LineRecord> Lines;
    std::vector<LinkRecord> Links;
    std::vector<ResultRecord> Results;
    // Lateral table: rows 0..LatCount, columns 0..7; empty until first built.
    std::vector<std::array<double, 8>> LatTable;
    std::vector<SheetRecord> SheetTable;
    std::array<DiaRecord, 21> DiaTable{};

    int LineCount = 0;
    int LatCount = 0;
    int DiaCount = 0;
    int SheetCount = 0;

    DesignCriteria Criteria;

    std::string ProjectName;
    std::string ProjectFolder;  // ends with '/' when set

    int16_t SheetLayoutMode = 0;
    double MonoSheet = 0;  // 1: one strip per sheet, 0.5: two

    std::array<ObjectStyle, 27> ObjectStyles{};
    std::array<ColumnMapRecord, 21> ColumnMap{};
    std::string SettingsFilePath;
    // Record 28 of the settings file as the profile view's start-up read it:
    // reserved, kept and never applied.
    std::string SettingsRec28;
    // SettingsFilePath was refused at start-up: the styles live in memory
    // only, and nothing writes that file until a good one is loaded or saved.
    bool SettingsFileRefused = false;
    Number DxfOffsetX, DxfOffsetY;
    std::string ProfileStartText;

    // Manning n of the line last computed (single-precision).
    float ManningN = 0;

    // What the last linking pass read and left, when it renamed nothing and
    // said nothing (0 otherwise): the next pass over the same tables can
    // change nothing, and is skipped.
    std::uint64_t LinkedDigest = 0;

    // Where messages go; never null.
    UiSink* Ui;

    // Highest usable row of Lines/Results, and of Links.
    int LineUpper() const { return static_cast<int>(Lines.size()) - 1; }
    int LinkUpper() const { return static_cast<int>(Links.size()) - 1; }

    // Re-creates the per-line tables with rows 0..linesUpper (Links 0..linksUpper),
    // all rows blank; counts are left as they are.
    void CreateLineTables(int linesUpper, int linksUpper);
    // Re-creates the per-line tables for a network of `lines` lines (see
    // LineTableUpper), all rows blank.
    void CreateLineTablesFor(long long lines);
    // Sizes the per-line tables for a network of `lines` lines, keeping the
    // rows that stay; rows added are blank.
    void FitLineTables(long long lines);
    // Copies the template row 0 over row i of Lines (the whole record).
    void ClearLine(int i);
    // Copies the template row 0 over row i of Links.
    void ClearLink(int i);
    // Re-creates LatTable with rows 0..rows, all zero.
    void CreateLatTable(int rows);
    // A LatTable cell as a line or row number; 0 when the table or row is absent.
    int Lat(int row, int column) const;

    void SetUi(UiSink* ui);
};

// The message log of the model's window. A log that refuses the text must
// not stop the operation that reports.
inline void AppendLog(Model& m, const std::string& message) {
    try {
        m.Ui->AppendLog(message);
    } catch (...) {
    }
}

}  // namespace vd
