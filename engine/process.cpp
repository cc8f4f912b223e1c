#include "engine/process.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/linking.h"
#include "engine/name_numbers.h"
#include "engine/number_text.h"
#include "engine/sheet_cutting.h"
#include "engine/walk.h"
#include "engine/word_scan.h"

namespace vd {

namespace {

bool HasF(const LineRecord& line) {
    // With the 0x20 bit set, "F" and "f" are the only bytes that become "f".
    return word::FindMarked(line.Status.view(), 0, [](std::uint64_t w) {
               return word::Equal(w | word::kOnes * 0x20, 'f');
           }) != line.Status.view().size();
}

// A line no valid upstream link points from heads a lateral, so that every
// line belongs to one.
bool StartsLateral(const Model& m, int i, int n) {
    return LinkedLine(m.Links[i].UpLine, n) == 0 || HasF(m.Lines[i]);
}

// A name at its full width for a message; a never-assigned field shows as
// blanks, since NUL bytes would cut the text short in the log and boxes.
template <std::size_t N>
std::string MessageName(const FixedText<N>& field) {
    std::string s = field.str();
    std::replace(s.begin(), s.end(), '\0', ' ');
    return s;
}

std::string SlopeMessage(const LineRecord& l) {
    return "Slope error in" + MessageName(l.From) + " To " + MessageName(l.to);
}
std::string InvertMessage(const LineRecord& l) {
    return "Inv Error in  " + MessageName(l.From) + " To " + MessageName(l.to);
}

void UpdateCalcSlope(LineRecord& l) {
    if (l.Len > 0) l.CalcSlope = (l.Inv1 - l.Inv2) / l.Len;
}

bool InvertStepsUp(const Model& m, int j, int n) {
    int next = LinkedLine(m.Links[j].NextLine, n);
    return next > 0 && m.Lines[j].Inv2 < m.Lines[next].Inv1;
}

// Walks along NextLine from many start lines, each walk going to the outfall
// and stopping at the first line it meets twice. A walk below a junction
// repeats what the walks above it saw, so the flagged lines are found once and
// each walk jumps from one flagged line to the next: the cost is the number of
// lines plus the number of reports, not lines times laterals.
class DownstreamWalks {
public:
    DownstreamWalks(const Model& m, int n)
        : n_(n), next_(n + 1, 0), cycle_(n + 1, -1), pos_(n + 1, 0), entry_(n + 1, 0), nextFlag_(n + 1, 0) {
        for (int j = 1; j <= n; ++j) next_[j] = LinkedLine(m.Links[j].NextLine, n);
        FindCycles();
    }

    // Lines reached by a walk from any of the starts.
    std::vector<int> Reached(const std::vector<int>& starts) const {
        std::vector<char> seen(n_ + 1, 0);
        std::vector<int> out;
        for (int s : starts) {
            if (s < 1 || s > n_) continue;
            for (int j = s; j > 0 && !seen[j]; j = next_[j]) {
                seen[j] = 1;
                out.push_back(j);
            }
        }
        return out;
    }

    // flagged[j] marks the lines a walk reports.
    void SetFlags(const std::vector<char>& flagged) {
        for (int j : tailOrder_) nextFlag_[j] = flagged[j] ? j : (next_[j] > 0 ? nextFlag_[next_[j]] : 0);
        cycleFlags_.assign(cycles_.size(), {});
        for (std::size_t c = 0; c < cycles_.size(); ++c)
            for (std::size_t p = 0; p < cycles_[c].size(); ++p)
                if (flagged[cycles_[c][p]]) cycleFlags_[c].push_back(static_cast<int>(p));
    }

    // Calls report(j) for each flagged line of the walk from s, in walk order,
    // and stop(e) when the walk meets line e again.
    template <class Report, class Stop>
    void Walk(int s, Report report, Stop stop) const {
        if (s < 1 || s > n_) return;
        if (cycle_[s] < 0)
            for (int x = nextFlag_[s]; x > 0; x = next_[x] > 0 ? nextFlag_[next_[x]] : 0) report(x);
        int e = cycle_[s] >= 0 ? s : entry_[s];
        if (e == 0) return;
        const auto& lines = cycles_[cycle_[e]];
        const auto& flags = cycleFlags_[cycle_[e]];
        auto first = std::lower_bound(flags.begin(), flags.end(), pos_[e]);
        for (auto it = first; it != flags.end(); ++it) report(lines[*it]);
        for (auto it = flags.begin(); it != first; ++it) report(lines[*it]);
        stop(e);
    }

private:
    // Marks the lines on cycles and, for every other line, the cycle line its
    // walk runs into (0 when it reaches an outfall); lists the other lines so
    // that each comes after the line below it.
    void FindCycles() {
        std::vector<char> state(n_ + 1, 0);  // 0 new, 1 on the current path, 2 done
        std::vector<int> path;
        for (int j = 1; j <= n_; ++j) {
            if (state[j]) continue;
            path.clear();
            int x = j;
            while (x > 0 && state[x] == 0) {
                state[x] = 1;
                path.push_back(x);
                x = next_[x];
            }
            if (x > 0 && state[x] == 1) {
                std::vector<int> ring;
                auto at = std::find(path.begin(), path.end(), x);
                for (auto it = at; it != path.end(); ++it) {
                    cycle_[*it] = static_cast<int>(cycles_.size());
                    pos_[*it] = static_cast<int>(ring.size());
                    state[*it] = 2;
                    ring.push_back(*it);
                }
                cycles_.push_back(std::move(ring));
                path.erase(at, path.end());
            }
            int below = 0;
            if (x > 0) below = cycle_[x] >= 0 ? x : entry_[x];
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                entry_[*it] = below;
                state[*it] = 2;
                tailOrder_.push_back(*it);
            }
        }
    }

    int n_;
    std::vector<int> next_;
    std::vector<int> cycle_;  // cycle index of a line on a cycle, else -1
    std::vector<int> pos_;    // place of a cycle line on its cycle
    std::vector<int> entry_;  // for other lines: the cycle line their walk meets, 0 none
    std::vector<std::vector<int>> cycles_;
    std::vector<int> tailOrder_;
    std::vector<int> nextFlag_;  // first flagged line at or below a line, before any cycle
    std::vector<std::vector<int>> cycleFlags_;
};

std::vector<int> LateralHeads(const Model& m, int n) {
    std::vector<int> heads;
    for (int k = 1; k <= m.LatCount; ++k) {
        int s = m.Lat(k, LatFirst);
        if (s >= 1 && s <= n) heads.push_back(s);
    }
    return heads;
}

std::string GroundText(const FixedText<25>& name, float level) { return MessageName(name) + "=" + FloatText(level); }

}  // namespace

bool CheckGroundLevels(Model& m) {
    const int n = UsableLines(m);
    const double cover = Num(m.Criteria.MinCoverDefault);

    // Lines ending at each manhole, in ascending order, laid out manhole after
    // manhole; when all of them carry one downstream ground level, the common
    // value saves scanning the group.
    NameNumbers names(static_cast<std::size_t>(n) + 16);
    std::vector<int> group(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) group[i] = names.Of(m.Lines[i].to.view());
    const int groups = names.count();
    std::vector<int> start(static_cast<std::size_t>(groups) + 1, 0), members(static_cast<std::size_t>(n));
    std::vector<char> uniform(static_cast<std::size_t>(groups), 1);
    std::vector<float> level(static_cast<std::size_t>(groups), 0.0f);
    for (int i = 1; i <= n; ++i) {
        const int g = group[i];
        const float v = m.Lines[i].Gr2;
        if (start[g + 1] == 0) level[g] = v;
        else if (!(v == level[g])) uniform[g] = 0;
        if (std::isnan(v)) uniform[g] = 0;
        ++start[g + 1];
    }
    for (int g = 0; g < groups; ++g) start[g + 1] += start[g];
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int i = 1; i <= n; ++i) members[fill[group[i]]++] = i;
    }
    using LineSpan = std::span<const int>;
    auto differing = [&](int g, float v) -> LineSpan {
        if (g < 0 || (uniform[g] && v == level[g])) return {};
        return LineSpan(members.data() + start[g], members.data() + start[g + 1]);
    };

    for (int i = 1; i <= n; ++i) {
        LineRecord& li = m.Lines[i];
        if (li.Mincover <= 0) li.Mincover = static_cast<float>(cover);
        m.Links[i].Drop = 0;

        const LineSpan feeders = differing(names.Find(li.From.view()), li.Gr1);
        const LineSpan sameEnd = differing(group[i], li.Gr2);
        auto a = feeders.begin();
        auto b = sameEnd.begin();
        while (a != feeders.end() || b != sameEnd.end()) {
            int mLine = std::min(a != feeders.end() ? *a : n + 1, b != sameEnd.end() ? *b : n + 1);
            const LineRecord& lm = m.Lines[mLine];
            if (a != feeders.end() && *a == mLine) {
                ++a;
                if (li.Gr1 != lm.Gr2) {
                    m.Ui->MessageBox("Error :No " + NumText(i) + "Gr.elv " + GroundText(li.From, li.Gr1) + "and   No" +
                                     NumText(mLine) + "Gr.elv" + GroundText(lm.to, lm.Gr2));
                    AppendLog(m, "Error :No  " + NumText(i) + " Gr.elv " + GroundText(li.From, li.Gr1) + " and   No" +
                                     NumText(mLine) + "Gr.elv" + GroundText(lm.to, lm.Gr2));
                    return false;
                }
            }
            if (b != sameEnd.end() && *b == mLine) {
                ++b;
                if (li.Gr2 != lm.Gr2) {
                    std::string text = " No" + NumText(i) + "Gr.elv" + GroundText(li.to, li.Gr2) + "and   No" +
                                       NumText(mLine) + "Gr.elv" + GroundText(lm.to, lm.Gr2);
                    m.Ui->MessageBox(text);
                    AppendLog(m, text);
                }
            }
        }
    }
    return true;
}

void CheckLateralNames(Model& m) {
    const int n = UsableLines(m);
    const FixedText<40> none;
    std::vector<char> flagged(n + 1, 0);
    for (int j = 1; j <= n; ++j) {
        int up = LinkedLine(m.Links[j].UpLine, n);
        const FixedText<40>& above = up > 0 ? m.Lines[up].Latral : none;
        flagged[j] = !(m.Lines[j].Latral == above);
    }
    DownstreamWalks walks(m, n);
    walks.SetFlags(flagged);
    for (int s : LateralHeads(m, n))
        walks.Walk(
            s, [&](int j) { AppendLog(m, "Lateral name error in line" + NumText(j)); },
            [&](int e) { LogWalkStop(m, e); });
}

void CheckAllBranchSlopes(Model& m) {
    const int n = UsableLines(m);
    m.Ui->SetProgressVisible(true);
    m.Ui->SetProgress(0);

    DownstreamWalks walks(m, n);
    // CalcSlope depends on the line alone, so working it out once for every
    // line some walk reaches gives what each walk would see.
    std::vector<int> heads;
    for (int k = 1; k <= m.LatCount; ++k) heads.push_back(m.Lat(k, LatFirst));
    for (int j : walks.Reached(heads)) UpdateCalcSlope(m.Lines[j]);

    std::vector<char> flagged(n + 1, 0);
    for (int j = 1; j <= n; ++j) flagged[j] = m.Lines[j].CalcSlope <= 0 || InvertStepsUp(m, j, n);
    walks.SetFlags(flagged);

    auto report = [&](int j) {
        if (m.Lines[j].CalcSlope <= 0) AppendLog(m, SlopeMessage(m.Lines[j]));
        if (InvertStepsUp(m, j, n)) AppendLog(m, InvertMessage(m.Lines[j]));
    };
    auto stop = [&](int e) { LogWalkStop(m, e); };
    for (int k = 1; k <= m.LatCount; ++k) {
        m.Ui->SetProgress(static_cast<int>(std::floor(static_cast<double>(k - 1) / m.LatCount * 100.0)));
        walks.Walk(heads[k - 1], report, stop);
    }
    m.Ui->SetProgress(0);
}

void BuildLaterals(Model& m) {
    const int n = UsableLines(m);
    std::vector<char> heads(static_cast<std::size_t>(n) + 1, 0);
    int starts = 0;
    for (int i = 1; i <= n; ++i) {
        heads[i] = StartsLateral(m, i, n);
        starts += heads[i];
    }
    // The table holds exactly the laterals found, whatever count a caller left.
    m.CreateLatTable(starts);

    int k = 0;
    for (int i = 1; i <= n; ++i) {
        if (!heads[i]) continue;
        ++k;
        m.LatTable[k][LatFirst] = i;
        int j = i;
        for (int steps = 0;; ++steps) {
            m.Links[j].LatNo = ClampInt16(k);
            int next = LinkedLine(m.Links[j].NextLine, n);
            if (next == 0 || HasF(m.Lines[next]) || m.Links[next].UpLine != j || steps >= n) {
                if (steps >= n) LogWalkStop(m, j);
                m.LatTable[k][LatLast] = j;
                break;
            }
            j = next;
        }
    }
}

void CheckBranchSlopes(Model& m, int startLine) {
    const int n = UsableLines(m);
    if (startLine < 1 || startLine > n) return;
    std::vector<char> seen(n + 1, 0);
    // A walk over distinct lines ends within LineCount steps; the first line
    // met twice is where a loop would begin.
    int j = startLine;
    while (j > 0) {
        if (seen[j]) {
            LogWalkStop(m, j);
            return;
        }
        seen[j] = 1;
        LineRecord& line = m.Lines[j];
        UpdateCalcSlope(line);
        if (line.CalcSlope <= 0) AppendLog(m, SlopeMessage(line));
        if (InvertStepsUp(m, j, n)) AppendLog(m, InvertMessage(line));
        j = LinkedLine(m.Links[j].NextLine, n);
    }
}

void ProcessNetwork(Model& m, int& outcome) {
    int n = UsableLines(m);
    for (int i = 1; i <= n; ++i) m.Results[i] = ResultRecord{};
    m.Ui->SetStatus("Process  data                   ");

    BuildNetworkLinks(m);
    n = UsableLines(m);

    for (int i = 1; i <= n; ++i) {
        int next = LinkedLine(m.Links[i].NextLine, n);
        if (next > 0 && next == LinkedLine(m.Links[i].UpLine, n)) {
            m.Ui->MessageBox(" Error : loop In Line" + NumText(i));
            return;
        }
    }

    m.LatCount = 0;
    for (int i = n; i >= 1; --i)
        if (StartsLateral(m, i, n)) ++m.LatCount;
    BuildLaterals(m);

    if (!CheckGroundLevels(m)) return;

    m.Ui->SetStatus("Check Invert             ");
    CheckLateralNames(m);
    CheckAllBranchSlopes(m);

    for (int k = 1; k <= m.LatCount; ++k) {
        int j = m.Lat(k, LatFirst);
        int last = m.Lat(k, LatLast);
        if (j < 1 || j > n) continue;
        m.Results[j].Chainage = 0;
        for (int steps = 0; j != last && j != 0; ++steps) {
            int next = LinkedLine(m.Links[j].NextLine, n);
            if (next == 0) break;  // row 0 is the template
            if (steps >= n) {
                LogWalkStop(m, j);
                break;
            }
            m.Results[next].Chainage = m.Results[j].Chainage + m.Lines[j].Len;
            j = next;
        }
    }

    m.Ui->SetStatus("                      ");
    CutSheets(m);
    outcome = 2;
}

}  // namespace vd
