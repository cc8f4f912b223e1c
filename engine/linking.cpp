#include "engine/linking.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/name_numbers.h"
#include "engine/number_text.h"

namespace vd {

namespace {

// The lines under each name number, ascending. The names the lines begin
// with are laid out once, name after name; a line that takes another name
// later is passed over where it was and kept in a short list of its new name
// (or found again where it was, should it come back to its first name).
class LinesByName {
public:
    // name[line] for lines 1..count, numbers below `names`.
    LinesByName(const std::vector<int>& name, int names, int count)
        : name_(name), first_(name), start_(static_cast<std::size_t>(names) + 1, 0) {
        for (int j = 1; j <= count; ++j) ++start_[name_[j] + 1];
        for (int id = 0; id < names; ++id) start_[id + 1] += start_[id];
        lines_.resize(static_cast<std::size_t>(count));
        std::vector<int> fill(start_.begin(), start_.end() - 1);
        for (int j = 1; j <= count; ++j) lines_[fill[name_[j]]++] = j;
    }

    int NameOf(int line) const { return name_[line]; }

    void Rename(int line, int id) {
        const int was = name_[line];
        if (was == id) return;
        if (was != first_[line]) Erase(later_[was], line);
        name_[line] = id;
        if (id != first_[line]) {
            if (later_.size() <= static_cast<std::size_t>(id)) later_.resize(static_cast<std::size_t>(id) + 1);
            auto& list = later_[id];
            list.insert(std::lower_bound(list.begin(), list.end(), line), line);
        }
    }

    // The highest line below `below` now named id, other than `skip`; 0 if none.
    int HighestBelow(int id, int below, int skip) const {
        int best = 0;
        if (static_cast<std::size_t>(id) + 1 < start_.size()) {
            const int* begin = lines_.data() + start_[id];
            const int* pos = std::lower_bound(begin, lines_.data() + start_[id + 1], below);
            while (pos != begin) {
                const int j = *--pos;
                if (j != skip && name_[j] == id) {
                    best = j;
                    break;
                }
            }
        }
        if (static_cast<std::size_t>(id) < later_.size()) {
            const auto& list = later_[id];
            auto pos = std::lower_bound(list.begin(), list.end(), below);
            while (pos != list.begin() && *(pos - 1) == skip) --pos;
            if (pos != list.begin()) best = std::max(best, *(pos - 1));
        }
        return best;
    }

private:
    static void Erase(std::vector<int>& list, int line) {
        auto pos = std::lower_bound(list.begin(), list.end(), line);
        if (pos != list.end() && *pos == line) list.erase(pos);
    }

    std::vector<int> name_;   // by line: the name number it has now
    std::vector<int> first_;  // by line: the one it began with
    std::vector<int> start_;  // by name: where its lines begin in lines_
    std::vector<int> lines_;
    std::vector<std::vector<int>> later_;  // by name: lines that took it later
};

// The "-1" repair of an upstream name. Long names give up characters of the
// base rather than the suffix, which would otherwise be cut off again.
std::string RepairedName(const FixedText<25>& from) {
    std::string base = from.trim();
    if (base.size() + 2 > FixedText<25>::Width) base.resize(FixedText<25>::Width - 2);
    return base + "-1";
}

// Every line's stored and trimmed names as small numbers, with the lines
// under each, kept current while names change, so that a line finds the
// lines sharing a manhole with it without a scan, and the tests of a pair
// compare numbers rather than the records' texts.
class NameIndexes {
public:
    NameIndexes(const Model& m, int count)
        : numbers_(static_cast<std::size_t>(count) + 16),
          to_(static_cast<std::size_t>(count) + 1, 0),
          trimmedTo_(static_cast<std::size_t>(count) + 1, 0),
          from_(static_cast<std::size_t>(count) + 1, 0),
          trimmedFrom_(static_cast<std::size_t>(count) + 1, 0) {
        for (int j = 1; j <= count; ++j) {
            const LineRecord& l = m.Lines[j];
            to_[j] = numbers_.Of(l.to.view());
            trimmedTo_[j] = numbers_.OfTrimmed(l.to.view(), to_[j]);
            from_[j] = numbers_.Of(l.From.view());
            trimmedFrom_[j] = numbers_.OfTrimmed(l.From.view(), from_[j]);
        }
        byTo_.emplace(to_, numbers_.count(), count);
        byTrimmedTo_.emplace(trimmedTo_, numbers_.count(), count);
        byFrom_.emplace(from_, numbers_.count(), count);
    }

    int To(int line) const { return byTo_->NameOf(line); }
    int TrimmedTo(int line) const { return byTrimmedTo_->NameOf(line); }
    int From(int line) const { return byFrom_->NameOf(line); }
    int TrimmedFrom(int line) const { return trimmedFrom_[line]; }

    void RenameTo(int line, const FixedText<25>& now) {
        const int id = numbers_.Of(now.view());
        byTo_->Rename(line, id);
        byTrimmedTo_->Rename(line, numbers_.OfTrimmed(now.view(), id));
    }

    void RenameFrom(int line, const FixedText<25>& now) {
        const int id = numbers_.Of(now.view());
        byFrom_->Rename(line, id);
        trimmedFrom_[line] = numbers_.OfTrimmed(now.view(), id);
    }

    // The highest line j below `below`, j != i, at which one of the tests of
    // line i can do anything, given the names as they now stand; 0 if none.
    int NextCandidate(int i, int below) const {
        if (From(i) == To(i)) {
            // Line i's own From = To test fires at any j that is not a
            // duplicate upstream name, and a duplicate is an event too.
            return below - 1;
        }
        int best = byTrimmedTo_->HighestBelow(trimmedFrom_[i], below, i);   // drains into i
        best = std::max(best, byFrom_->HighestBelow(To(i), below, i));       // i drains into it
        best = std::max(best, byTo_->HighestBelow(To(i), below, i));         // same downstream manhole
        best = std::max(best, byFrom_->HighestBelow(From(i), below, i));     // same upstream manhole
        return best;
    }

private:
    NameNumbers numbers_;
    std::vector<int> to_, trimmedTo_, from_, trimmedFrom_;  // by line, as first met
    std::optional<LinesByName> byTo_, byTrimmedTo_, byFrom_;
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

// The tests of line i against line j, in their fixed order. `quiet` turns
// false at anything said or renamed.
PairOutcome LinkPair(Model& m, NameIndexes& names, int i, int j, bool& quiet) {
    LineRecord& li = m.Lines[i];
    LinkRecord& ki = m.Links[i];
    const bool other = j != i;

    if (other && names.TrimmedTo(j) == names.TrimmedFrom(i)) {
        LineRecord& lj = m.Lines[j];
        // A first feeder is compared with itself, which it always equals.
        if (ki.UpLine == 0) ki.UpLine = static_cast<int16_t>(j);
        if (ki.UpLine != j && lj.Latral <= m.Lines[ki.UpLine].Latral) ki.UpLine = static_cast<int16_t>(j);
        lj.Gr2 = li.Gr1;
    }

    if (other && names.From(j) == names.To(i)) {
        li.Gr2 = m.Lines[j].Gr1;
        ki.NextLine = static_cast<int16_t>(j);
    }

    if (other && names.To(j) == names.To(i)) {
        LinkRecord& kj = m.Links[j];
        if (kj.Branch1 == 0) {
            kj.Branch1 = static_cast<int16_t>(i);
        } else if (kj.Branch2 == 0) {
            kj.Branch2 = static_cast<int16_t>(i);
        } else {
            quiet = false;
            const std::string text = "Many Bransh To " + Shown(li.to) + "(Maximum = 3)";
            m.Ui->MessageBox(text);
            AppendLog(m, text);
            return PairOutcome::Abort;
        }
    }

    if (other && names.From(j) == names.From(i)) {
        quiet = false;
        AppendLog(m, "Error: Line" + NumText(i) + "& Line" + NumText(j) + "From" + Shown(li.From) + "!!");
        li.From = RepairedName(li.From);
        names.RenameFrom(i, li.From);
    } else if (names.From(i) == names.To(i)) {
        quiet = false;
        li.From = RepairedName(li.From);
        names.RenameFrom(i, li.From);
        AppendLog(m, "Error: Line" + NumText(i) + "  From = To  !!");
    }
    return PairOutcome::Continue;
}

bool IsOutfallName(const FixedText<25>& to) {
    const std::string_view t = to.view();
    const std::size_t end = t.find_last_not_of(' ');
    return end == std::string_view::npos || (end == 0 && t[0] == '0');
}

// Everything a linking pass reads or writes of lines 1..count, as one number.
// Each line's names, lateral name and levels feed four running hashes of
// their own, so that the multiplications of one do not wait for the others.
std::uint64_t LinkDigest(const Model& m, int count) {
    auto mix = [](std::uint64_t& h, std::uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 31;
    };
    auto text = [&mix](std::uint64_t& h, std::string_view t) {
        std::size_t k = 0;
        for (; k + 8 <= t.size(); k += 8) {
            std::uint64_t w;
            std::memcpy(&w, t.data() + k, 8);
            mix(h, w);
        }
        std::uint64_t w = 0;
        std::memcpy(&w, t.data() + k, t.size() - k);
        mix(h, w);
    };
    std::uint64_t from = 0x243F6A8885A308D3ull ^ static_cast<std::uint64_t>(count), to = 0x13198A2E03707344ull,
                  lateral = 0xA4093822299F31D0ull, rest = 0x082EFA98EC4E6C89ull;
    for (int i = 1; i <= count; ++i) {
        const LineRecord& l = m.Lines[i];
        const LinkRecord& k = m.Links[i];
        text(from, l.From.view());
        text(to, l.to.view());
        text(lateral, l.Latral.view());
        std::uint32_t gr1, gr2;
        std::memcpy(&gr1, &l.Gr1, 4);
        std::memcpy(&gr2, &l.Gr2, 4);
        mix(rest, std::uint64_t{gr1} << 32 | gr2);
        mix(rest, static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.NextLine)) << 48 |
                      static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.Branch1)) << 32 |
                      static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.Branch2)) << 16 |
                      static_cast<std::uint16_t>(k.UpLine));
    }
    std::uint64_t h = from;
    mix(h, to);
    mix(h, lateral);
    mix(h, rest);
    return h == 0 ? 1 : h;
}

}  // namespace

void BuildNetworkLinks(Model& m) {
    // Line numbers are 16-bit and both tables must hold every line.
    const int count = std::clamp(m.LineCount, 0, std::min({m.LineUpper(), m.LinkUpper(), 32767}));

    // A pass that renamed nothing and said nothing is a fixed point: the same
    // names, lateral names and levels give the same links again.
    if (m.LinkedDigest != 0 && m.LinkedDigest == LinkDigest(m, count)) {
        if (count > 0) m.Ui->SetProgress(100);
        return;
    }
    m.LinkedDigest = 0;

    for (int i = 1; i <= count; ++i) {
        LinkRecord& k = m.Links[i];
        k.NextLine = 0;
        k.Branch1 = 0;
        k.UpLine = 0;
        k.Branch2 = 0;
    }

    NameIndexes names(m, count);
    int shownProgress = -1;
    bool quiet = true;

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
            quiet = false;
        }

        // Nothing happens between candidates, and names change only at one,
        // so walking the candidates downward repeats the full downward scan.
        for (int j = names.NextCandidate(i, count + 1); j >= 1; j = names.NextCandidate(i, j)) {
            if (LinkPair(m, names, i, j, quiet) == PairOutcome::Abort) return;
        }
    }
    if (quiet) m.LinkedDigest = LinkDigest(m, count);
}

}  // namespace vd
