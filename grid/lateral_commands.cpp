#include "grid/lateral_commands.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/walk.h"

namespace vd {

namespace {

constexpr int kDeepestLevel = 20;

// The lateral table and the links must describe the lines now in the table:
// a row removed in the grid since the last Process leaves links to lines
// that are gone, and walking them would rename the wrong lines.
Outcome CheckLateralTable(const Model& m, int n) {
    if (m.LatCount < 1 || m.LatTable.size() < 2) return Outcome::Fail("There are no laterals yet: run Process first.");
    const std::string stale = "The laterals no longer match the line table: run Process first.";
    const int rows = std::min(m.LatCount, static_cast<int>(m.LatTable.size()) - 1);
    for (int k = 1; k <= rows; ++k)
        for (int col : {LatFirst, LatLast}) {
            const double v = m.LatTable[k][col];
            if (v != 0 && !(v >= 1 && v <= n && v == std::floor(v))) return Outcome::Fail(stale);
        }
    for (int i = 1; i <= n; ++i) {
        const LinkRecord& l = m.Links[i];
        for (int16_t f : {l.NextLine, l.UpLine, l.Branch1, l.Branch2})
            if (f < 0 || f > n) return Outcome::Fail(stale);
    }
    return Outcome::Ok();
}

// Walks along the links, each stopping at the first line it meets twice:
// a loop in the links ends the walk with a line in the log, never hangs.
class Walks {
public:
    explicit Walks(Model& m) : m_(m), n_(UsableLines(m)), mark_(static_cast<std::size_t>(n_) + 1, 0) {}

    int lines() const { return n_; }
    void Begin() { ++stamp_; }
    bool Enter(int j) {
        if (mark_[j] == stamp_) {
            LogWalkStop(m_, j);
            return false;
        }
        mark_[j] = stamp_;
        return true;
    }
    int Next(int j) const { return LinkedLine(m_.Links[j].NextLine, n_); }
    int Up(int j) const { return LinkedLine(m_.Links[j].UpLine, n_); }
    int First(int k) const { return AsLine(m_.Lat(k, LatFirst)); }
    int Last(int k) const { return AsLine(m_.Lat(k, LatLast)); }
    // A lateral whose last line drains to the outfall.
    bool IsTrunk(int k) const { return Last(k) > 0 && Next(Last(k)) == 0; }
    // The line lateral k drains into; 0 for a trunk or an empty row.
    int Receiving(int k) const { return Last(k) > 0 ? Next(Last(k)) : 0; }

    // The line, then its UpLine, and so on; past the lateral's head too.
    template <class Visit>
    void WalkUp(int from, Visit&& visit) {
        Begin();
        for (int j = from; j > 0; j = Up(j)) {
            if (!Enter(j)) return;
            visit(j);
        }
    }

private:
    int AsLine(int v) const { return (v >= 1 && v <= n_) ? v : 0; }

    Model& m_;
    int n_;
    std::vector<unsigned> mark_;
    unsigned stamp_ = 0;
};

// A lateral name as the stem of its branches' names; a never-assigned name
// gives an empty stem rather than NUL bytes inside a name.
std::string NameStem(const FixedText<40>& name) { return name.unassigned() ? std::string() : name.rtrim(); }

// Names the branches joining at the upstream manhole of line j: the other
// lines into the manhole its UpLine ends at.
void NameBranches(Model& m, Walks& w, int j, int& count, bool twoDigits) {
    const int up = w.Up(j);
    if (up == 0) return;
    for (int16_t field : {m.Links[up].Branch1, m.Links[up].Branch2}) {
        const int b = LinkedLine(field, w.lines());
        if (b == 0) continue;
        ++count;
        const std::string number = twoDigits ? TwoDigitNumber(count) : NumText(count);
        m.Lines[b].Latral = NameStem(m.Lines[j].Latral) + "-" + number;
    }
}

// Trunks first at level 1, then every lateral draining into a level L - 1
// line at level L: each line takes the name of its lateral's source line,
// and the branches along the walk are named after it.
void NameByTree(Model& m, Walks& w, bool twoDigitBranches, bool trunkStars) {
    const int n = w.lines();
    for (int i = 1; i <= n; ++i) m.Lines[i].Level = 0;
    int trunks = 0;
    for (int k = 1; k <= m.LatCount; ++k) {
        if (!w.IsTrunk(k)) continue;
        ++trunks;
        int count = 0;
        const int source = w.First(k);
        w.WalkUp(w.Last(k), [&](int j) {
            m.Lines[j].Level = 1;
            if (trunkStars)
                m.Lines[j].Latral = "*" + NumText(trunks);
            else
                m.Lines[j].Latral = m.Lines[source].Latral;
            NameBranches(m, w, j, count, twoDigitBranches);
        });
    }
    for (int L = 2; L <= kDeepestLevel; ++L)
        for (int k = 1; k <= m.LatCount; ++k) {
            const int r = w.Receiving(k);
            if (r == 0 || m.Lines[r].Level != L - 1) continue;
            int count = 0;
            const int last = w.Last(k);
            w.WalkUp(last, [&](int j) {
                m.Lines[j].Level = static_cast<int16_t>(L);
                m.Lines[j].Latral = m.Lines[last].Latral;
                NameBranches(m, w, j, count, twoDigitBranches);
            });
        }
}

// The free length of lateral j's path: its head line, then every line below
// until the outfall or a line that already carries a number.
double FreeLength(Model& m, Walks& w, int head) {
    w.Begin();
    w.Enter(head);
    double sum = m.Lines[head].Len;
    for (int x = w.Next(head); x != 0; x = w.Next(x)) {
        if (LateralNameValue(m.Lines[x].Latral) > 0 || !w.Enter(x)) break;
        sum += m.Lines[x].Len;
    }
    return sum;
}

}  // namespace

Outcome CheckLateralTable(const Model& m) { return CheckLateralTable(m, UsableLines(m)); }

double LateralNameValue(const FixedText<40>& name) {
    try {
        return Val(name.view());
    } catch (const RuntimeError&) {
        // "1E400": a number beyond any other, of its sign.
        return Trim(name.view()).starts_with('-') ? -HUGE_VAL : HUGE_VAL;
    }
}

std::string TwoDigitNumber(int n) { return (n >= 0 && n < 10 ? "0" : "") + NumText(n); }

void AssignLateralLevels(Model& m) {
    Walks w(m);
    if (!CheckLateralTable(m, w.lines())) return;
    for (int i = 1; i <= w.lines(); ++i) m.Lines[i].Level = 0;
    for (int k = 1; k <= m.LatCount; ++k)
        if (w.IsTrunk(k)) w.WalkUp(w.Last(k), [&](int j) { m.Lines[j].Level = 1; });
    for (int L = 2; L <= kDeepestLevel; ++L)
        for (int k = 1; k <= m.LatCount; ++k) {
            const int r = w.Receiving(k);
            if (r != 0 && m.Lines[r].Level == L - 1)
                w.WalkUp(w.Last(k), [&](int j) { m.Lines[j].Level = static_cast<int16_t>(L); });
        }
}

Outcome NumberLateralsByLength(Model& m) {
    Walks w(m);
    const int n = w.lines();
    if (Outcome c = CheckLateralTable(m, n); !c) return c;

    for (int i = 1; i <= n; ++i) m.Lines[i].Latral = "0";

    for (int k = 1; k <= m.LatCount; ++k) {
        // Every pick measures every lateral again: long on big networks.
        m.Ui->SetProgress(static_cast<int>(100LL * k / m.LatCount));
        // Ties go to the later lateral; a head already numbered still counts
        // and may be picked again, taking the new number.
        double longest = 0;
        int choice = 0;
        for (int j = 1; j <= m.LatCount; ++j) {
            const int head = w.First(j);
            if (head == 0) continue;
            const double sum = FreeLength(m, w, head);
            if (sum >= longest) {
                longest = sum;
                choice = j;
            }
        }
        if (choice == 0) continue;
        const std::string number = TwoDigitNumber(k);
        int x = w.First(choice);
        w.Begin();
        w.Enter(x);
        m.Lines[x].Latral = number;
        for (int next = w.Next(x); next != 0; next = w.Next(x)) {
            const double v = LateralNameValue(m.Lines[next].Latral);
            if ((v > 0 && v < k) || !w.Enter(next)) break;
            m.Links[next].UpLine = static_cast<int16_t>(x);
            m.Lines[next].Latral = number;
            x = next;
        }
    }

    m.Ui->SetProgress(0);
    BuildLaterals(m);
    m.Ui->SetStatus(std::string(22, ' '));

    int trunks = 0;
    for (int k = 1; k <= m.LatCount; ++k) {
        if (!w.IsTrunk(k)) continue;
        const std::string number = TwoDigitNumber(++trunks);
        w.WalkUp(w.Last(k), [&](int j) { m.Lines[j].Latral = number; });
    }

    // A lateral is named once its receiving line is; a pass that names
    // nothing leaves the rest as they are.
    for (int pass = 1; pass <= m.LatCount; ++pass) {
        bool named = false;
        for (int k = 1; k <= m.LatCount; ++k) {
            const int last = w.Last(k);
            const int r = w.Receiving(k);
            if (r == 0) continue;
            const double v = LateralNameValue(m.Lines[r].Latral);
            if (!(v > 0 && v < 1e9) || LateralNameValue(m.Lines[last].Latral) != 0) continue;
            const std::string name = NumText(static_cast<long long>(v) + 1);
            w.WalkUp(last, [&](int j) { m.Lines[j].Latral = name; });
            named = true;
        }
        if (!named) break;
    }
    return Outcome::Ok();
}

Outcome RouteLateralsByLevel(Model& m) {
    Walks w(m);
    const int n = w.lines();
    if (Outcome c = CheckLateralTable(m, n); !c) return c;

    if (m.ProjectFolder.empty())
        AppendLog(m, m.ProjectName + "-2.bak not written: the project has no folder");
    else
        (void)SaveNetworkText(m, m.ProjectName + "-2.bak", m.ProjectFolder);  // it says why itself; the command goes on

    int deepest = 0;
    for (int k = 1; k <= m.LatCount; ++k)
        if (const int head = w.First(k); head != 0) deepest = std::max<int>(deepest, m.Lines[head].Level);

    for (int i = 1; i <= n; ++i)
        if (m.Links[i].UpLine != 0) m.Lines[i].Level = 0;

    // Heads of level L take over every line below them that carries no
    // level or a deeper one, as the main upstream route.
    for (int L = 1; L <= deepest; ++L)
        for (int k = 1; k <= m.LatCount; ++k) {
            const int head = w.First(k);
            if (head == 0 || m.Lines[head].Level != L) continue;
            w.Begin();
            for (int x = head; w.Enter(x);) {
                m.Lines[x].Level = static_cast<int16_t>(L);
                const int next = w.Next(x);
                if (next == 0 || (m.Lines[next].Level >= 1 && m.Lines[next].Level <= L)) break;
                m.Links[next].UpLine = static_cast<int16_t>(x);
                x = next;
            }
        }

    BuildLaterals(m);
    NameByTree(m, w, /*twoDigitBranches=*/true, /*trunkStars=*/true);
    return Outcome::Ok();
}

Outcome NameLateralsAfterReceiver(Model& m) {
    Walks w(m);
    if (Outcome c = CheckLateralTable(m, w.lines()); !c) return c;
    NameByTree(m, w, /*twoDigitBranches=*/false, /*trunkStars=*/false);
    return Outcome::Ok();
}

}  // namespace vd
