#include "engine/errors.h"
#include "engine/lateral_naming.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <span>
#include <utility>
#include <vector>

#include "engine/linking.h"
#include "engine/number_text.h"

namespace vd {

namespace {

// "01" .. "09", then the plain digits: "10", "100".
std::string TwoDigits(int n) { return n < 10 ? "0" + NumText(n) : NumText(n); }

// The line number a SeqText begins with, or 0 when it names no row 1..count.
int SeqValue(const FixedText<8>& seq, int count) {
    // Digits and the blanks after them, as the numbering writes the field,
    // read directly; anything else the general way.
    const std::string_view t = seq.view();
    std::size_t k = 0;
    long whole = 0;
    for (; k < t.size() && t[k] >= '0' && t[k] <= '9'; ++k) whole = whole * 10 + (t[k] - '0');
    if (k > 0 && t.find_first_not_of(' ', k) == std::string_view::npos)
        return whole >= 1 && whole <= count ? static_cast<int>(whole) : 0;
    double v = 0;
    try {
        v = Val(seq.view());
    } catch (const RuntimeError&) {
        return 0;  // an exponent too large for a double matches no row
    }
    if (!(v >= 1) || v > count || v != std::floor(v)) return 0;
    return static_cast<int>(v);
}

enum class NameState : uint8_t { Untouched, Found, Walked };

class Namer {
public:
    explicit Namer(Model& m)
        : m_(m), n_(std::clamp(m.LineCount, 0, std::min(m.LineUpper(), m.LinkUpper()))) {}

    void Run() {
        MakeFeeders();
        MakeWeights();
        ChooseMainFeeders();
        BuildLateralTable();
        NamingPasses();
        for (int i = 1; i <= n_; ++i) m_.Lines[i].Latral = name_[i];
        NumberSequence();
    }

private:
    // Link fields read through here: a value outside 1..n_ counts as none.
    int Valid(int k) const { return k >= 1 && k <= n_ ? k : 0; }
    int Next(int k) const { return Valid(m_.Links[k].NextLine); }

    void LogWalk(const char* what, int from, int at) {
        AppendLog(m_, std::string("Loop in ") + what + " walk from line " + NumText(from) + " at line " +
                          NumText(at));
    }

    void MakeFeeders() {
        main_.assign(n_ + 1, 0);
        second_.assign(n_ + 1, 0);
        third_.assign(n_ + 1, 0);
        for (int i = 1; i <= n_; ++i) {
            int up = Valid(m_.Links[i].UpLine);
            main_[i] = up;
            if (up == 0) continue;
            second_[i] = Valid(m_.Links[up].Branch1);
            third_[i] = Valid(m_.Links[up].Branch2);
        }
    }

    // Every line below a head line weighs its diameter. One mark per line is
    // enough: a walk that meets a line an earlier walk passed has nothing new
    // below it, so the whole step stays linear.
    void MakeWeights() {
        weight_.assign(n_ + 1, 0.0f);
        std::vector<int> mark(n_ + 1, 0);
        for (int h = 1; h <= n_; ++h) {
            if (main_[h] != 0) continue;
            int k = h;
            for (int steps = 0; k != 0; ++steps) {
                if (mark[k] == h || steps >= n_) {
                    LogWalk("weight", h, k);
                    break;
                }
                if (mark[k] != 0) break;
                mark[k] = h;
                float dia = m_.Lines[k].Dia;
                weight_[k] = dia > 0 ? dia : 0.0f;
                k = Next(k);
            }
        }
    }

    void ChooseMainFeeders() {
        for (int i = 1; i <= n_; ++i) {
            if (second_[i] > 0 && weight_[second_[i]] > weight_[main_[i]]) std::swap(second_[i], main_[i]);
            if (third_[i] > 0 && weight_[third_[i]] > weight_[main_[i]]) std::swap(third_[i], main_[i]);
        }
    }

    void BuildLateralTable() {
        int heads = 0;
        for (int i = 1; i <= n_; ++i)
            if (Valid(m_.Links[i].UpLine) == 0) ++heads;
        m_.LatCount = heads;
        m_.CreateLatTable(heads);
        latOf_.assign(n_ + 1, 0);
        std::vector<int> mark(n_ + 1, 0);
        int L = 0;
        for (int h = 1; h <= n_; ++h) {
            if (Valid(m_.Links[h].UpLine) != 0) continue;
            ++L;
            m_.LatTable[L][LatFirst] = h;
            int k = h;
            for (int steps = 1;; ++steps) {
                mark[k] = L;
                latOf_[k] = L;
                m_.Links[k].LatNo = ClampInt16(L);
                int next = Next(k);
                if (next == 0 || main_[next] != k) break;
                if (mark[next] == L || steps >= n_) {
                    LogWalk("lateral", h, next);
                    break;
                }
                k = next;
            }
            m_.LatTable[L][LatLast] = k;
        }
    }

    // Marks b, a feeder beside the walked line, as the last line of a branch
    // lateral to be walked in pass `pass`.
    void Find(int b, int pass, const std::string& base, int& sibling) {
        if (b <= 0 || state_[b] != NameState::Untouched) return;
        walkPass_[b] = pass;
        m_.Lines[b].Level = ClampInt16(pass);
        state_[b] = NameState::Found;
        ++sibling;
        name_[b] = base + TwoDigits(sibling);
        if (latOf_[b] > 0) named_[latOf_[b]] = 1;
    }

    void NamingPasses() {
        const int lats = m_.LatCount;
        name_.assign(n_ + 1, "00");
        walkPass_.assign(n_ + 1, 0);
        state_.assign(n_ + 1, NameState::Untouched);
        named_.assign(lats + 1, 0);
        std::vector<int> mark(n_ + 1, 0);
        int walkId = 0;
        int outfalls = 0;
        for (int p = 1; p <= 6; ++p) {
            int sibling = 0;
            for (int L = 1; L <= lats; ++L) {
                int k = Valid(m_.Lat(L, LatLast));
                if (k == 0) continue;
                if (p == 1 && Next(k) == 0) {
                    ++outfalls;
                    name_[k] = TwoDigits(outfalls);
                    walkPass_[k] = 1;
                    named_[L] = 1;
                    sibling = 0;
                }
                if (named_[L] != 1 || walkPass_[k] != p) continue;
                const std::string base = name_[k];
                ++walkId;
                for (int mm = k, steps = 0; mm != 0; ++steps) {
                    if (mark[mm] == walkId || steps >= n_) {
                        LogWalk("naming", k, mm);
                        break;
                    }
                    mark[mm] = walkId;
                    name_[mm] = base;
                    m_.Lines[mm].Level = ClampInt16(p);
                    walkPass_[mm] = p;
                    state_[mm] = NameState::Walked;
                    Find(second_[mm], p + 1, base, sibling);
                    Find(third_[mm], p + 2, base, sibling);
                    mm = main_[mm];
                }
            }
        }
    }

    void NumberSequence() {
        std::vector<int> mark(n_ + 1, 0);
        int c = 0;
        for (int L = m_.LatCount; L >= 1; --L) {
            int k = Valid(m_.Lat(L, LatFirst));
            const int last = m_.Lat(L, LatLast);
            for (int steps = 0; k != 0; ++steps) {
                if (mark[k] == L || steps >= n_) {
                    LogWalk("sequence", m_.Lat(L, LatFirst), k);
                    break;
                }
                mark[k] = L;
                ++c;
                m_.Lines[k].SeqText = NumText(c);
                if (Next(k) == 0 || k == last) break;
                k = Next(k);
            }
        }
    }

    Model& m_;
    const int n_;
    std::vector<int> main_, second_, third_, latOf_, walkPass_;
    std::vector<float> weight_;
    std::vector<std::string> name_;
    std::vector<NameState> state_;
    std::vector<char> named_;
};

}  // namespace

void ReorderLinesBySequence(Model& m) {
    const int n = std::clamp(m.LineCount, 0, m.LineUpper());
    // Step i exchanges row i with each row j >= i whose value is i, in
    // ascending j. Those rows are fixed for the whole step, so the step is a
    // rotation through them, and only rows i and the first match change value.
    // Keeping, per value, the rows that hold it lets each step visit just its
    // own matches: every row is matched once, so the whole pass is O(N log N).
    // The rows of each value lie in one array, value after value, ascending.
    std::vector<int> val(n + 1, 0), slot(n + 1, -1), start(n + 2, 0);
    for (int j = 1; j <= n; ++j) {
        val[j] = SeqValue(m.Lines[j].SeqText, n);
        if (val[j] != 0) ++start[val[j] + 1];
    }
    for (int v = 1; v <= n; ++v) start[v + 1] += start[v];
    std::vector<int> rows(static_cast<std::size_t>(start[n + 1]));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int j = 1; j <= n; ++j) {
            if (val[j] == 0) continue;
            slot[j] = fill[val[j]] - start[val[j]];
            rows[fill[val[j]]++] = j;
        }
    }
    auto rowsOf = [&](int v) { return std::span<int>(rows.data() + start[v], rows.data() + start[v + 1]); };
    std::vector<int> matches;
    for (int i = 1; i <= n; ++i) {
        if (start[i + 1] == start[i]) continue;
        matches.clear();
        for (int j : rowsOf(i))
            if (j > i) matches.push_back(j);
        std::sort(matches.begin(), matches.end());
        for (int j : matches) {
            std::swap(m.Lines[i], m.Lines[j]);
            const int a = val[i];
            const int atI = slot[i];
            const int atJ = slot[j];
            if (a != 0) rowsOf(a)[atI] = j;
            rowsOf(i)[atJ] = i;
            slot[j] = a != 0 ? atI : -1;
            slot[i] = atJ;
            val[j] = a;
            val[i] = i;
        }
    }
}

void NameLaterals(Model& m) {
    Namer(m).Run();
    ReorderLinesBySequence(m);
    BuildNetworkLinks(m);
}

}  // namespace vd
