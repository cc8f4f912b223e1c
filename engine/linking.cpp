#include "engine/linking.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/number_text.h"

namespace vd {

namespace {

// A name without blanks on either side, as a view into the field.
std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

using LineList = std::vector<int>;  // line numbers, ascending

void AddTo(LineList& list, int line) {
    list.insert(std::lower_bound(list.begin(), list.end(), line), line);
}

void RemoveFrom(LineList& list, int line) {
    auto pos = std::lower_bound(list.begin(), list.end(), line);
    if (pos != list.end() && *pos == line) list.erase(pos);
}

// The highest line number in the list below `below`, other than `skip`; 0 if none.
int HighestBelow(const LineList& list, int below, int skip) {
    auto pos = std::lower_bound(list.begin(), list.end(), below);
    while (pos != list.begin()) {
        --pos;
        if (*pos != skip) return *pos;
    }
    return 0;
}

// The "-1" repair of an upstream name. Long names give up characters of the
// base rather than the suffix, which would otherwise be cut off again.
std::string RepairedName(const FixedText<25>& from) {
    std::string base = from.trim();
    if (base.size() + 2 > FixedText<25>::Width) base.resize(FixedText<25>::Width - 2);
    return base + "-1";
}

// Every line's stored and trimmed names as small numbers, with the lines
// under each, kept current while names change, so that a line finds the
// lines sharing a manhole with it without a scan and without hashing.
class NameIndexes {
public:
    NameIndexes(const Model& m, int count)
        : to_(count + 1), trimmedTo_(count + 1), from_(count + 1), trimmedFrom_(count + 1) {
        ids_.reserve(static_cast<std::size_t>(count) * 3);
        for (int j = 1; j <= count; ++j) {
            SetTo(j, m.Lines[j].to.view());
            SetFrom(j, m.Lines[j].From.view());
        }
    }

    void RenameTo(int line, const FixedText<25>& now) {
        RemoveFrom(byTo_[to_[line]], line);
        RemoveFrom(byTrimmedTo_[trimmedTo_[line]], line);
        SetTo(line, now.view());
    }

    void RenameFrom(int line, const FixedText<25>& now) {
        RemoveFrom(byFrom_[from_[line]], line);
        SetFrom(line, now.view());
    }

    // The highest line j below `below`, j != i, at which one of the tests of
    // line i can do anything, given the names as they now stand; 0 if none.
    int NextCandidate(int i, int below) const {
        if (from_[i] == to_[i]) {
            // Line i's own From = To test fires at any j that is not a
            // duplicate upstream name, and a duplicate is an event too.
            return below - 1;
        }
        int best = HighestBelow(byTrimmedTo_[trimmedFrom_[i]], below, i);  // drains into i
        best = std::max(best, HighestBelow(byFrom_[to_[i]], below, i));     // i drains into it
        best = std::max(best, HighestBelow(byTo_[to_[i]], below, i));       // same downstream manhole
        best = std::max(best, HighestBelow(byFrom_[from_[i]], below, i));   // same upstream manhole
        return best;
    }

private:
    int Id(std::string_view name) {
        auto it = ids_.find(name);
        if (it != ids_.end()) return it->second;
        const int id = static_cast<int>(byTo_.size());
        ids_.emplace(std::string(name), id);
        byTo_.emplace_back();
        byTrimmedTo_.emplace_back();
        byFrom_.emplace_back();
        return id;
    }

    void SetTo(int line, std::string_view name) {
        to_[line] = Id(name);
        trimmedTo_[line] = Id(Trimmed(name));
        AddTo(byTo_[to_[line]], line);
        AddTo(byTrimmedTo_[trimmedTo_[line]], line);
    }

    void SetFrom(int line, std::string_view name) {
        from_[line] = Id(name);
        trimmedFrom_[line] = Id(Trimmed(name));
        AddTo(byFrom_[from_[line]], line);
    }

    std::unordered_map<std::string, int, NameHash, std::equal_to<>> ids_;
    std::vector<LineList> byTo_, byTrimmedTo_, byFrom_;  // by name number
    std::vector<int> to_, trimmedTo_, from_, trimmedFrom_;  // by line
};

// A name as the messages show it: a never-assigned field reads as blanks
// rather than putting NULs into the log and the message box.
std::string Shown(const FixedText<25>& name) {
    std::string s = name.str();
    for (char& c : s)
        if (c == '\0') c = ' ';
    return s;
}

enum class PairOutcome { Continue, Abort };

// The tests of line i against line j, in their fixed order.
PairOutcome LinkPair(Model& m, NameIndexes& names, int i, int j) {
    LineRecord& li = m.Lines[i];
    LineRecord& lj = m.Lines[j];
    LinkRecord& ki = m.Links[i];
    LinkRecord& kj = m.Links[j];
    const bool other = j != i;

    if (other && Trimmed(lj.to.view()) == Trimmed(li.From.view())) {
        if (ki.UpLine == 0) ki.UpLine = static_cast<int16_t>(j);
        if (lj.Latral <= m.Lines[ki.UpLine].Latral) ki.UpLine = static_cast<int16_t>(j);
        lj.Gr2 = li.Gr1;
    }

    if (other && lj.From == li.to) {
        li.Gr2 = lj.Gr1;
        ki.NextLine = static_cast<int16_t>(j);
    }

    if (other && lj.to == li.to) {
        if (kj.Branch1 == 0) {
            kj.Branch1 = static_cast<int16_t>(i);
        } else if (kj.Branch2 == 0) {
            kj.Branch2 = static_cast<int16_t>(i);
        } else {
            const std::string text = "Many Bransh To " + Shown(li.to) + "(Maximum = 3)";
            m.Ui->MessageBox(text);
            AppendLog(m, text);
            return PairOutcome::Abort;
        }
    }

    if (other && lj.From == li.From) {
        AppendLog(m, "Error: Line" + NumText(i) + "& Line" + NumText(j) + "From" + Shown(li.From) + "!!");
        li.From = RepairedName(li.From);
        names.RenameFrom(i, li.From);
    } else if (li.From == li.to) {
        li.From = RepairedName(li.From);
        names.RenameFrom(i, li.From);
        AppendLog(m, "Error: Line" + NumText(i) + "  From = To  !!");
    }
    return PairOutcome::Continue;
}

bool IsOutfallName(const FixedText<25>& to) {
    const std::string t = to.rtrim();
    return t.empty() || t == "0";
}

}  // namespace

void BuildNetworkLinks(Model& m) {
    // Line numbers are 16-bit and both tables must hold every line.
    const int count = std::clamp(m.LineCount, 0, std::min({m.LineUpper(), m.LinkUpper(), 32767}));

    for (int i = 1; i <= count; ++i) {
        LinkRecord& k = m.Links[i];
        k.NextLine = 0;
        k.Branch1 = 0;
        k.UpLine = 0;
        k.Branch2 = 0;
    }

    NameIndexes names(m, count);
    int shownProgress = -1;

    for (int i = 1; i <= count; ++i) {
        const int progress = static_cast<int>(RoundHalfEven(static_cast<double>(i) / count * 100.0));
        if (progress != shownProgress) {
            m.Ui->SetProgress(progress);
            shownProgress = progress;
        }

        LineRecord& li = m.Lines[i];
        if (IsOutfallName(li.to)) {
            // Every outfall gets a name of its own.
            li.to = "0-" + NumText(i);
            names.RenameTo(i, li.to);
        }

        // Nothing happens between candidates, and names change only at one,
        // so walking the candidates downward repeats the full downward scan.
        for (int j = names.NextCandidate(i, count + 1); j >= 1; j = names.NextCandidate(i, j)) {
            if (LinkPair(m, names, i, j) == PairOutcome::Abort) return;
        }
    }
}

}  // namespace vd
