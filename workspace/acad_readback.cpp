// "Get ACAD" and "Get ACAD Block": a network read back from the drawing.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "engine/errors.h"
#include "engine/name_bytes.h"
#include "engine/number_text.h"
#include "engine/project_reset.h"
#include "platform/key_poll.h"
#include "workspace/acad_commands.h"
#include "workspace/acad_shared.h"

namespace vd {

namespace {

// Column letters of a cell: A to Z, then AA, AB, ... as spreadsheets name
// them, so that no two columns share a name; columns left of the origin get
// a minus sign.
std::string ColumnLetters(long long col) {
    std::string prefix;
    if (col < 0) {
        prefix = "-";
        col = -col - 1;
    }
    std::string s;
    long long n = col + 1;
    while (n > 0) {
        --n;
        s.insert(s.begin(), static_cast<char>('A' + n % 26));
        n /= 26;
    }
    return prefix + s;
}

void ReadSheetGrid(CadDocument& doc, CadApplication& app, bool threeItemFilter) {
    // Only the first grid text counts: the drawing is walked up to it rather
    // than selected whole.
    const CadSelectionFilter gridText = threeItemFilter ? CadSelectionFilter({0, 8, 0}, {"TEXT", "VORLAN", ""})
                                                        : CadSelectionFilter({0, 8}, {"TEXT", "VORLAN"});
    for (const CadEntityPtr& e : doc.ModelSpace().entities()) {
        if (!gridText(*e) || e->TextString != "VORLAN") continue;
        XData d = e->GetXData("Sheetindex");
        if (!d.empty()) {
            app.SheetOriginX = XNumber(d, 1);
            app.SheetOriginY = XNumber(d, 2);
            app.SheetSize = XNumber(d, 5);
        }
        return;
    }
}

// The read-backs show their progress as the whole percent reached, never
// rounded up.
int ProgressFix(int done, int total) {
    if (total <= 0) return 0;
    long long v = static_cast<long long>(done) * 100 / total;
    return v < 0 ? 0 : v > 100 ? 100 : static_cast<int>(v);
}

bool HasLetter(const FixedText<30>& status, char letter) {
    return UpperCase(status.view()).find(letter) != std::string::npos;
}

// Lateral table from the links as they stand: laterals numbered in the order
// of the lateral name of their last line. Every walk is bounded, and the
// table describes exactly the laterals built.
void BuildLateralTable(Model& m) {
    const int n = std::min(m.LineCount, std::min(m.LineUpper(), m.LinkUpper()));
    auto link = [&](int i) -> const LinkRecord& { return m.Links[static_cast<size_t>(i)]; };
    auto inRange = [&](int i) { return i >= 1 && i <= n; };
    auto isEnd = [&](int j) {
        int next = link(j).NextLine;
        return next == 0 || !inRange(next) || link(next).UpLine != j;
    };
    int heads = 0, ends = 0;
    for (int i = n; i >= 1; --i) {
        if (HasLetter(m.Lines[static_cast<size_t>(i)].Status, 'F') || link(i).UpLine == 0) ++heads;
        if (isEnd(i)) ++ends;
    }
    m.CreateLatTable(std::max(heads, ends));
    // Laterals in the order of their last line's name, ties by line number:
    // one sort, not a search of every line per lateral.
    std::vector<int> byNumber;
    byNumber.reserve(static_cast<size_t>(ends));
    for (int j = 1; j <= n; ++j)
        if (isEnd(j)) byNumber.push_back(j);
    std::vector<int> order = byNumber;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return m.Lines[static_cast<size_t>(a)].Latral < m.Lines[static_cast<size_t>(b)].Latral;
    });
    // The walk a line was last seen in, so every walk stops at a revisit.
    std::vector<int> seenIn(static_cast<size_t>(n) + 1, 0);
    int latNo = 0;
    for (size_t o = 0; o < order.size(); ++o) {
        m.Ui->SetProgress(ProgressFix(byNumber[o], n));
        const int best = order[o];
        ++latNo;
        m.LatTable[static_cast<size_t>(latNo)][LatLast] = best;
        int line = best, steps = 0;
        while (inRange(line)) {
            if (seenIn[static_cast<size_t>(line)] == latNo || ++steps > n) {
                AppendLog(m, "Lateral " + NumText(latNo) + ": the upstream links of line " + NumText(line) +
                                 " lead round in a circle; the walk stops there");
                break;
            }
            seenIn[static_cast<size_t>(line)] = latNo;
            m.Links[static_cast<size_t>(line)].LatNo = ClampInt16(latNo);
            m.LatTable[static_cast<size_t>(latNo)][LatFirst] = line;
            line = link(line).UpLine;
        }
    }
    m.LatCount = latNo;
}

}  // namespace

std::string SheetCellText(const CadApplication& app, double x, double y) {
    if (!(app.SheetSize > 0)) return "";
    double c = std::trunc((x - app.SheetOriginX) / app.SheetSize);
    double r = std::trunc((app.SheetOriginY - y) / app.SheetSize) + 1;
    if (!std::isfinite(c) || !std::isfinite(r) || std::fabs(c) > 1e9 || std::fabs(r) > 1e9) return "";
    return ColumnLetters(static_cast<long long>(c)) + NumText(static_cast<long long>(r));
}

namespace {

// A name read from a drawing in which characters outside Latin-1 had to be
// replaced: logged with its line, since two such names may now be one.
void LogChangedName(Model& m, const std::string& command, int line, const std::string& read,
                    std::string_view source) {
    if (source.empty()) return;
    AppendLog(m, command + ": line " + NumText(line) + ": the name \"" + TrimRight(DescribeUtf8(source)) +
                     "\" was read as \"" + TrimRight(read) + "\" (characters outside Latin-1)");
}

int16_t ClampedInt16(double value) {
    double v = RoundHalfEven(value);
    if (!(v >= -32768.0)) v = -32768.0;
    if (v > 32767.0) v = 32767.0;
    return static_cast<int16_t>(v);
}

// Line k's link record from the LINE's "DUV" data.
void ReadPlanLinks(Model& m, const XData& duv, int k) {
    LinkRecord& link = m.Links[static_cast<size_t>(k)];
    link.NextLine = ClampedInt16(XNumber(duv, 2));
    link.UpLine = ClampedInt16(XNumber(duv, 3));
    link.Branch1 = ClampedInt16(XNumber(duv, 4));
    link.Branch2 = ClampedInt16(XNumber(duv, 5));
    link.Drop = static_cast<float>(XNumber(duv, 7));
}

// Line k's record from the LINE's "SEWER" data and its end points.
void ReadPlanRecord(Model& m, const CadApplication& app, const CadEntity& e, const XData& sewer, int k) {
    LineRecord& l = m.Lines[static_cast<size_t>(k)];
    if (app.SheetSize > 0) l.SeqText = SheetCellText(app, e.StartPoint[0], e.StartPoint[1]);
    auto f = [&](size_t item) { return static_cast<float>(XNumber(sewer, item)); };
    l.From = XString(sewer, 1);
    l.to = XString(sewer, 2);
    l.Latral = XString(sewer, 8);
    for (size_t item : {1, 2, 8}) LogChangedName(m, "Get ACAD", k, XString(sewer, item), e.XDataSource("sewer", item));
    l.Qadd = f(3);
    l.Len = static_cast<float>(PointDistance({e.StartPoint[0], e.StartPoint[1]}, {e.EndPoint[0], e.EndPoint[1]}));
    l.Area1_sub = f(4);
    l.Area2_sub = f(5);
    l.Pop1 = f(6);
    l.Pop2 = f(7);
    l.Dia = f(9);
    l.slope = f(10);
    l.Mincover = f(11);
    l.Status = XString(sewer, 15);
    l.CalcSlope = f(12);
    l.XData13 = f(13);
    l.Inv1 = f(14);
    l.Inv2 = l.Inv1 - l.Len * l.slope;
    if ((l.slope > 0.6f || l.slope < 0) && !HasLetter(l.Status, 'E')) l.slope = 0;
    // Ground levels and coordinates as drawn: rounding them would corrupt
    // depths, cover and cost.
    l.X1 = static_cast<float>(e.StartPoint[0]);
    l.Y1 = static_cast<float>(e.StartPoint[1]);
    l.Gr1 = static_cast<float>(e.StartPoint[2]);
    l.X2 = static_cast<float>(e.EndPoint[0]);
    l.Y2 = static_cast<float>(e.EndPoint[1]);
    l.Gr2 = static_cast<float>(e.EndPoint[2]);
}

const XData kNoXData;

// A LINE the read-back can take: "DUV" and "SEWER" data of plan-line length.
bool HasPlanData(const XData& duv, const XData& sewer) { return duv.size() >= 8 && sewer.size() >= 16; }

}  // namespace

const char* const kStoppedByEsc = "stopped by Esc";

Outcome GetAcadLines(Model& m, CadApplication& app, EscKeyPoll* keys) {
    try {
        CadDocument& doc = app.ActiveDocument();
        ReadSheetGrid(doc, app, false);
        CadSelectionSet& set = FreshSelectionSet(doc, "temp");
        set.Select(5, {0, 8}, {"LINE", "SEWER"});
        m.Ui->SetProgressVisible(true);
        m.Ui->SetProgress(0);
        const int count = set.Count();
        // The tables grow to take every line numbered up to the limit; a LINE
        // numbered above it is only counted.
        int upper = std::min({m.LineUpper(), m.LinkUpper(), kMaxLineUpper});
        int c = 0, highest = 0, skipped = 0, tooMany = 0;
        std::vector<bool> read(static_cast<size_t>(upper) + 1, false);
        auto escape = [&] {
            if (!keys || !keys->EscPressed()) return false;
            m.Ui->SetProgress(0);
            // What was read stays visible rather than hidden behind LineCount 1.
            m.LineCount = std::max(highest, 1);
            m.LatCount = 0;
            AppendLog(m, "Get ACAD stopped by Esc after " + NumText(c) + " of " + NumText(count) + " lines");
            return true;
        };
        for (const CadEntity* e : set.entities()) {
            const XData* duvData = e->FindXData("DUV");
            const XData& duv = duvData ? *duvData : kNoXData;
            const double kValue = duv.size() > 1 ? XNumber(duv, 1) : 0;
            // Lines beyond the table are only counted: one message says how
            // many, and they cost no more than that (not even an Esc test).
            if (kValue > kMaxLineUpper && duv.size() >= 8) {
                ++c;
                ++tooMany;
                continue;
            }
            if (escape()) return Outcome::Fail(kStoppedByEsc);
            ++c;
            m.Ui->SetProgress(ProgressFix(c, count));
            const XData* sewerData = e->FindXData("sewer");
            const XData& sewer = sewerData ? *sewerData : kNoXData;
            if (!HasPlanData(duv, sewer)) {
                ++skipped;
                AppendLog(m, "Get ACAD: a LINE without complete DUV and SEWER data skipped");
                continue;
            }
            if (!(kValue >= 1)) {
                ++skipped;
                AppendLog(m, "Get ACAD: a LINE numbered " + FloatText(static_cast<float>(kValue)) +
                                 " lies outside the line table; skipped");
                continue;
            }
            const int k = std::min<int>(CInt(kValue), kMaxLineUpper);
            if (k > upper) {
                m.FitLineTables(std::min(2LL * k, static_cast<long long>(kMaxLineUpper)));
                upper = std::min({m.LineUpper(), m.LinkUpper(), kMaxLineUpper});
                read.resize(static_cast<size_t>(upper) + 1, false);
            }
            if (read[static_cast<size_t>(k)])
                AppendLog(m, "Get ACAD: line number " + NumText(k) + " appears twice; the later LINE is kept");
            read[static_cast<size_t>(k)] = true;
            ReadPlanLinks(m, duv, k);
            if (escape()) return Outcome::Fail(kStoppedByEsc);
            m.Ui->SetProgress(ProgressFix(c, count));
            ReadPlanRecord(m, app, *e, sewer, k);
            highest = std::max(highest, k);
        }
        // Lines stand under their own numbers: a gap is reported, and no line
        // above it is dropped.
        m.FitLineTables(highest);
        m.LineCount = highest;
        for (int i = 1; i <= highest; ++i)
            if (!read[static_cast<size_t>(i)]) AppendLog(m, "Get ACAD: no LINE for line " + NumText(i) + "; the row stays blank");
        if (skipped) AppendLog(m, "Get ACAD: " + NumText(skipped) + " LINE(s) skipped");
        m.Ui->SetProgress(0);
        BuildLateralTable(m);
        m.Ui->SetProgress(0);
        if (tooMany == 0) return Outcome::Ok();
        const std::string note = NumText(tooMany) + " lines did not fit";
        AppendLog(m, "Get ACAD: " + note + " in the line table (" + NumText(kMaxLineUpper) + " rows); they were not read");
        m.Ui->MessageBox(NumText(tooMany) + " of the " + NumText(count) +
                         " plan lines did not fit in the line table, which holds at most " + NumText(kMaxLineUpper) +
                         " lines. Only the lines numbered 1 to " + NumText(kMaxLineUpper) + " were read.");
        return Outcome::Ok(note);
    } catch (const RuntimeError& e) {
        // A drawing error, or a number text too large for a 16-bit field.
        m.Ui->SetProgress(0);
        return Outcome::Fail(e.what());
    }
}

Outcome getmhblock(Model& m, CadApplication& app) {
    try {
        CadDocument& doc = app.ActiveDocument();
        ReadSheetGrid(doc, app, true);
        CadSelectionSet& set = FreshSelectionSet(doc, "temp");
        set.Select(5, {0, 2, 8}, {"INSERT", "Mhblock", "sewer*"});
        const int found = set.Count();
        const int n = std::min(found, kMaxLineUpper);
        if (found > n)
            AppendLog(m, "Get ACAD Block: only the first " + NumText(kMaxLineUpper) + " of " + NumText(found) +
                             " blocks fit in the line table");
        m.FitLineTables(n);
        std::vector<CadEntityPtr> blocks;
        for (int i = 1; i <= n; ++i) {
            m.Ui->SetProgress(ProgressFix(i, n));
            CadEntityPtr b = set.Item(i - 1);
            blocks.push_back(b);
            LineRecord& l = m.Lines[static_cast<size_t>(i)];
            l.X1 = static_cast<float>(b->InsertionPoint[0]);
            l.Y1 = static_cast<float>(b->InsertionPoint[1]);
            auto attributes = b->GetAttributes();
            if (attributes.empty())
                AppendLog(m, "Get ACAD Block: block " + NumText(i) + " at " + FloatText(l.X1) + ", " +
                                 FloatText(l.Y1) + " has no attributes");
            for (const auto& a : attributes) {
                // Tags come back upper-cased from most CAD programs.
                const std::string& tag = a->TagString;
                const std::string& text = a->TextString;
                if (SameCadName(tag, "Mhname1") || SameCadName(tag, "Mhname2") || SameCadName(tag, "Lat"))
                    LogChangedName(m, "Get ACAD Block", i, text, a->TextStringSource);
                if (SameCadName(tag, "Mhname1")) l.From = text;
                else if (SameCadName(tag, "Mhname2")) l.to = text;
                else if (SameCadName(tag, "Gr-el")) l.Gr1 = static_cast<float>(Val(text));
                else if (SameCadName(tag, "Inv-el")) l.Inv1 = static_cast<float>(Val(text));
                else if (SameCadName(tag, "Dia")) l.Dia = static_cast<float>(Val(text));
                else if (SameCadName(tag, "Slope")) l.slope = static_cast<float>(Val(text) / 100.0);
                else if (SameCadName(tag, "Dist")) l.Len = static_cast<float>(Val(text));
                else if (SameCadName(tag, "Lat")) l.Latral = text;
            }
        }
        m.LineCount = n;
        // The last block of each manhole name: a block whose name a later
        // block repeats goes to layer "ERROR", and a line ends where the last
        // block of its downstream name stands.
        std::unordered_map<std::string_view, int> lastOfName;
        lastOfName.reserve(static_cast<size_t>(n));
        for (int i = 1; i <= n; ++i) lastOfName[m.Lines[static_cast<size_t>(i)].From.view()] = i;
        for (int i = 1; i <= n; ++i) {
            m.Ui->SetProgress(ProgressFix(i, n));
            LineRecord& li = m.Lines[static_cast<size_t>(i)];
            const std::string down = TrimRight(XText(li.to.view()));
            if (down.empty() || down == "0" || lastOfName[li.From.view()] != i)
                blocks[static_cast<size_t>(i - 1)]->setLayer("ERROR");
            if (auto at = lastOfName.find(li.to.view()); at != lastOfName.end()) {
                const LineRecord& below = m.Lines[static_cast<size_t>(at->second)];
                li.Gr2 = below.Gr1;
                li.X2 = below.X1;
                li.Y2 = below.Y1;
            }
            li.Inv2 = li.Inv1 - li.Len * li.slope;
        }
        m.Ui->SetProgress(0);
        BuildLateralTable(m);
        m.Ui->SetProgress(0);
        app.Update();
        if (found == n) return Outcome::Ok();
        m.Ui->MessageBox(NumText(found - n) + " of the " + NumText(found) +
                         " blocks did not fit in the line table, which holds at most " + NumText(kMaxLineUpper) +
                         " lines. Only the first " + NumText(kMaxLineUpper) + " blocks were read.");
        return Outcome::Ok(NumText(found - n) + " blocks did not fit");
    } catch (const RuntimeError& e) {
        // A drawing error, or a number text too large for a 16-bit field.
        m.Ui->SetProgress(0);
        return Outcome::Fail(e.what());
    }
}

namespace {

// A LINE on layer "sewer" carrying the program's plan data.
bool IsReadablePlanLine(const CadEntity& e) {
    const XData* duv = e.FindXData("DUV");
    const XData* sewer = e.FindXData("sewer");
    return duv && sewer && HasPlanData(*duv, *sewer);
}

// Connects and checks that the drawing holds something to read; says why not.
Outcome ReadyToRead(Model& m, CadApplication& app, const std::vector<int16_t>& types,
                    const std::vector<std::string>& values, const std::function<bool(const CadEntity&)>& readable,
                    const std::string& what, const std::string& statusWord) {
    if (!app.HasDocument()) {
        m.Ui->SetStatus(statusWord + " ... no drawing");
        // The Drawing window is where the user opens it, so it comes up.
        app.setVisible(true);
        return Outcome::Fail("No drawing is open. Open the drawing (DXF) in the Drawing window first.");
    }
    if (Outcome connected = ConnectAutoCAD(m, app); !connected) {
        m.Ui->SetStatus(statusWord + " ... failed");
        return connected;
    }
    int found = 0;
    try {
        // One is enough to go on: the drawing is walked up to the first.
        const CadSelectionFilter passes(types, values);
        for (const CadEntityPtr& e : app.ActiveDocument().ModelSpace().entities()) {
            if (passes(*e) && (!readable || readable(*e))) {
                ++found;
                break;
            }
        }
    } catch (const CadError& e) {
        m.Ui->SetStatus(statusWord + " ... failed");
        return Outcome::Fail(e.what());
    }
    if (found == 0) {
        m.Ui->SetStatus(statusWord + " ... nothing to read");
        return Outcome::Fail("The drawing \"" + app.ActiveDocument().Name + "\" holds no " + what +
                             ". The project is left as it was.");
    }
    return Outcome::Ok();
}

}  // namespace

namespace {

// The items of "SEWER" and the block attributes a read-back stores as names.
const struct {
    std::size_t item;
    const char* field;
} kPlanNames[] = {{1, "From"}, {2, "To"}, {8, "Lateral"}, {15, "Status"}};
const char* const kBlockNames[] = {"Mhname1", "Mhname2", "Lat"};

// The items of "DUV" and "SEWER" a read-back stores as single-precision
// numbers, by the fields they go into.
const struct {
    std::size_t item;
    const char* field;
} kDuvNumbers[] = {{7, "Drop"}},
  kPlanNumbers[] = {{3, "Qadd"},      {4, "Area1_sub"}, {5, "Area2_sub"}, {6, "Pop1"},
                    {7, "Pop2"},      {9, "Dia"},       {10, "slope"},    {11, "Mincover"},
                    {12, "CalcSlope"}, {13, "XData13"}, {14, "Inv1"}};
const char* const kBlockNumbers[] = {"Gr-el", "Inv-el", "Dia", "Slope", "Dist"};

// The refusal of a number of the drawing beyond what its single-precision
// field holds, which would go in as inf and make a network file no reader
// opens.
Outcome TooLargeNumber(const std::string& entity, const std::string& what, std::string_view text) {
    return Outcome::Fail(entity + ": " + what + " " + NumberRefusal(text, OneNumber::TooLarge) +
                         ". The project is left as it was.");
}

// A number as a refusal quotes it, when it has no text of its own.
std::string NumberShown(double v) { return GeneralNumberText(v, 7); }

// A coordinate or level of the drawing as a message shows it.
std::string CoordinateShown(double v) {
    const std::optional<float> f = SingleValue(v);
    return f ? FloatText(*f) : NumberShown(v);
}

// Item `item` of a plan line's data as the read-back stores it into a
// single-precision field: Ok, or the refusal when it does not fit there.
Outcome CheckPlanNumber(const std::string& entity, const std::string& what, const XData& d, std::size_t item,
                        float& out) {
    double v = 0;
    try {
        v = XNumber(d, item);
    } catch (const RuntimeError&) {
        return TooLargeNumber(entity, what, d[item].text);
    }
    const std::optional<float> f = SingleValue(v);
    if (!f) return TooLargeNumber(entity, what, d[item].isText() ? d[item].text : NumberShown(v));
    out = *f;
    return Outcome::Ok();
}

// The numbers of one plan line the read-back stores, the length and the
// downstream invert it works out from them included.
Outcome CheckPlanNumbers(const CadEntity& e, const XData& duv, const XData& sewer, const std::string& entity) {
    float value = 0;
    for (const auto& [item, field] : kDuvNumbers)
        if (Outcome o = CheckPlanNumber(entity, "DUV item " + NumText(static_cast<long long>(item)) + " (" + field + ")",
                                        duv, item, value);
            !o)
            return o;
    float inv1 = 0, slope = 0;
    for (const auto& [item, field] : kPlanNumbers) {
        if (Outcome o = CheckPlanNumber(entity, "SEWER item " + NumText(static_cast<long long>(item)) + " (" + field + ")",
                                        sewer, item, value);
            !o)
            return o;
        if (item == 10) slope = value;
        if (item == 14) inv1 = value;
    }
    // Names given as numbers go in as their print form.
    for (const auto& [item, field] : kPlanNames)
        if (!sewer[item].isText() && !SingleValue(sewer[item].number))
            return TooLargeNumber(entity, std::string("its ") + field + " name", NumberShown(sewer[item].number));
    const char* const kPoint[] = {"the x of its start point (X1)", "the y of its start point (Y1)",
                                  "the level of its start point (Gr1)", "the x of its end point (X2)",
                                  "the y of its end point (Y2)", "the level of its end point (Gr2)"};
    for (int c = 0; c < 6; ++c) {
        const double v = c < 3 ? e.StartPoint[static_cast<std::size_t>(c)] : e.EndPoint[static_cast<std::size_t>(c - 3)];
        if (!SingleValue(v)) return TooLargeNumber(entity, kPoint[c], NumberShown(v));
    }
    const double length = PointDistance({e.StartPoint[0], e.StartPoint[1]}, {e.EndPoint[0], e.EndPoint[1]});
    const std::optional<float> len = SingleValue(length);
    if (!len) return TooLargeNumber(entity, "the length between its end points (Len)", NumberShown(length));
    // As the read-back works it out, in single precision.
    const float inv2 = inv1 - *len * slope;
    if (!std::isfinite(inv2))
        return TooLargeNumber(entity, "its downstream invert (Inv2, Inv1 less Len times slope)",
                              NumberShown(static_cast<double>(inv1) - static_cast<double>(*len) * slope));
    return Outcome::Ok();
}

// What "Get ACAD" would read, checked before the project is reset: a name
// that holds a control character or a number beyond its field refuses the
// drawing, and a drawing whose plan lines all lie outside the line table
// has nothing to read. Says why.
Outcome CheckPlanLines(Model& m, CadDocument& doc) {
    const CadSelectionFilter passes({0, 8}, {"LINE", "SEWER"});
    long long beyond = 0, below = 0, readable = 0;
    for (const CadEntityPtr& e : doc.ModelSpace().entities()) {
        if (!passes(*e)) continue;
        const XData* duv = e->FindXData("DUV");
        const XData* sewer = e->FindXData("sewer");
        if (!duv || !sewer || !HasPlanData(*duv, *sewer)) continue;
        const double k = XNumber(*duv, 1);
        if (k > kMaxLineUpper) {
            ++beyond;
            continue;
        }
        if (!(k >= 1)) {
            ++below;
            continue;
        }
        ++readable;
        for (const auto& [item, field] : kPlanNames) {
            const std::string text = XString(*sewer, item);
            if (const std::size_t at = FirstControlByte(text); at != std::string::npos) {
                m.Ui->SetStatus("Get Acad Data ... failed");
                return Outcome::Fail("Plan line " + NumText(CInt(k)) + ": its " + field + " name holds " +
                                     ControlByteText(static_cast<unsigned char>(text[at])) +
                                     ", which no name may hold. The project is left as it was.");
            }
        }
        if (Outcome o = CheckPlanNumbers(*e, *duv, *sewer, "Plan line " + NumText(CInt(k))); !o) {
            m.Ui->SetStatus("Get Acad Data ... failed");
            return o;
        }
    }
    if (readable > 0) return Outcome::Ok();
    m.Ui->SetStatus("Get Acad Data ... nothing to read");
    std::string why;
    if (beyond > 0)
        why = NumText(beyond) + " plan line" + (beyond == 1 ? " is" : "s are") + " numbered beyond " +
              NumText(kMaxLineUpper) + ", the most lines the line table holds";
    if (below > 0)
        why += (why.empty() ? "" : ", and ") + NumText(below) + " numbered below 1";
    return Outcome::Fail("The drawing \"" + doc.Name + "\" holds no plan line the line table can take: " + why +
                         ". The project is left as it was.");
}

// The same for "Get ACAD Block", over the blocks it would read.
Outcome CheckBlocks(CadDocument& doc) {
    const CadSelectionFilter passes({0, 2, 8}, {"INSERT", "Mhblock", "sewer*"});
    int n = 0;
    for (const CadEntityPtr& e : doc.ModelSpace().entities()) {
        if (!passes(*e)) continue;
        if (++n > kMaxLineUpper) break;
        const std::string block = "Block " + NumText(n) + " at " + CoordinateShown(e->InsertionPoint[0]) + ", " +
                                  CoordinateShown(e->InsertionPoint[1]);
        for (int c = 0; c < 2; ++c)
            if (!SingleValue(e->InsertionPoint[static_cast<std::size_t>(c)]))
                return TooLargeNumber(block, c == 0 ? "the x of its insertion point" : "the y of its insertion point",
                                      NumberShown(e->InsertionPoint[static_cast<std::size_t>(c)]));
        // The last attribute of a tag is the one the read-back keeps.
        float inv1 = 0, len = 0, slope = 0;
        for (const auto& a : e->GetAttributes()) {
            bool name = false;
            for (const char* tag : kBlockNames) name |= SameCadName(a->TagString, tag);
            if (name) {
                if (const std::size_t at = FirstControlByte(a->TextString); at != std::string::npos)
                    return Outcome::Fail(block + ": its " + a->TagString + " holds " +
                                         ControlByteText(static_cast<unsigned char>(a->TextString[at])) +
                                         ", which no name may hold. The project is left as it was.");
                continue;
            }
            bool number = false;
            for (const char* tag : kBlockNumbers) number |= SameCadName(a->TagString, tag);
            if (!number) continue;
            std::optional<float> v;
            try {
                const bool percent = SameCadName(a->TagString, "Slope");
                v = SingleValue(percent ? Val(a->TextString) / 100.0 : Val(a->TextString));
            } catch (const RuntimeError&) {
            }
            if (!v) return TooLargeNumber(block, "its " + a->TagString, a->TextString);
            if (SameCadName(a->TagString, "Inv-el")) inv1 = *v;
            if (SameCadName(a->TagString, "Dist")) len = *v;
            if (SameCadName(a->TagString, "Slope")) slope = *v;
        }
        // As the read-back works it out, in single precision.
        if (!std::isfinite(inv1 - len * slope))
            return TooLargeNumber(block, "its downstream invert (Inv-el less Dist times Slope)",
                                  NumberShown(static_cast<double>(inv1) - static_cast<double>(len) * slope));
    }
    return Outcome::Ok();
}

}  // namespace

Outcome GetAcadCommand(Model& m, CadApplication& app, EscKeyPoll* keys) {
    Outcome ready = ReadyToRead(m, app, {0, 8}, {"LINE", "SEWER"}, IsReadablePlanLine,
                                "plan lines on layer \"sewer\" (LINEs carrying the plan data \"DUV\" and \"SEWER\")",
                                "Get Acad Data");
    if (!ready) {
        m.Ui->MessageBox(ready.message());
        return ready;
    }
    Outcome fit;
    try {
        fit = CheckPlanLines(m, app.ActiveDocument());
    } catch (const RuntimeError& e) {
        // A line number text too large to read.
        m.Ui->SetStatus("Get Acad Data ... failed");
        fit = Outcome::Fail(e.what());
    }
    if (!fit) {
        m.Ui->MessageBox(fit.message());
        return fit;
    }
    std::unique_ptr<EscKeyPoll> own;
    if (!keys) {
        own = std::make_unique<EscKeyPoll>();
        keys = own.get();
    }
    keys->Reset();
    m.ProjectName = "";
    ResetProject(m);
    Outcome r = GetAcadLines(m, app, keys);
    m.Ui->SetProgress(0);
    if (r) {
        m.Ui->SetStatus("Get Acad Data ... " + (r.message().empty() ? std::string("OK") : r.message()));
    } else if (r.message() == kStoppedByEsc) {
        m.Ui->SetStatus("Get Acad Data ... stopped by Esc");
    } else {
        m.Ui->MessageBox(r.message());
        m.Ui->SetStatus("Get Acad Data ... failed");
    }
    return r;
}

Outcome GetAcadBlockCommand(Model& m, CadApplication& app) {
    Outcome ready = ReadyToRead(m, app, {0, 2, 8}, {"INSERT", "Mhblock", "sewer*"}, nullptr,
                                "\"Mhblock\" blocks on a layer \"sewer*\"", "Get Block Data");
    if (ready) {
        ready = CheckBlocks(app.ActiveDocument());
        if (!ready) m.Ui->SetStatus("Get Block Data ... failed");
    }
    if (!ready) {
        m.Ui->MessageBox(ready.message());
        return ready;
    }
    m.ProjectName = "";
    ResetProject(m);
    Outcome r = getmhblock(m, app);
    m.Ui->SetProgress(0);
    if (r) {
        m.Ui->SetStatus("Get Block Data ... " + (r.message().empty() ? std::string("OK") : r.message()));
    } else {
        m.Ui->MessageBox(r.message());
        m.Ui->SetStatus("Get Block Data ... failed");
    }
    return r;
}

}  // namespace vd
