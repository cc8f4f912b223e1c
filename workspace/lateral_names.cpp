#include "workspace/lateral_names.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>

#include "engine/errors.h"
#include "engine/name_bytes.h"
#include "engine/number_text.h"
#include "engine/ui_sink.h"
#include "engine/whole_file.h"

namespace vd {

namespace {

constexpr std::size_t kLatralWidth = 40;
// Refused records listed, and log lines of one kind written, before the
// rest are only counted.
constexpr long long kListed = 20;

}  // namespace

void LateralNameList::add(std::string_view name, double startKey, double endKey) {
    names_.append(name.substr(0, kLatralWidth));
    nameEnd_.push_back(static_cast<uint32_t>(names_.size()));
    startKey_.push_back(startKey);
    endKey_.push_back(endKey);
}

void LateralNameList::clear() {
    names_.clear();
    nameEnd_.clear();
    startKey_.clear();
    endKey_.clear();
}

std::string_view LateralNameList::name(std::size_t r) const {
    const std::size_t begin = r == 0 ? 0 : nameEnd_[r - 1];
    return std::string_view(names_).substr(begin, nameEnd_[r] - begin);
}

// ---------------------------------------------------------------- reading

namespace {

const char* const kFieldNames[3] = {"lateral name", "start manhole", "end manhole"};

// The free-format reading, fed a piece of the file at a time: only the line
// being read and the records are held.
class PrfReader {
public:
    explicit PrfReader(LateralNameList& out) : out_(out) { out_.clear(); }

    // False once the reading is over (a fault, or the end marker).
    bool feed(std::string_view chunk) {
        while (!over_ && !chunk.empty()) {
            const std::size_t end = chunk.find_first_of("\r\n");
            if (end == std::string_view::npos) {
                partial_.append(chunk);
                break;
            }
            // A CR LF gives an empty line between, which holds no field.
            if (partial_.empty()) {
                line(chunk.substr(0, end));
            } else {
                partial_.append(chunk.substr(0, end));
                line(partial_);
                partial_.clear();
            }
            chunk.remove_prefix(end + 1);
        }
        return !over_;
    }

    Outcome finish() {
        if (!over_ && !partial_.empty()) line(partial_);
        partial_.clear();
        if (fault_.ok() && fieldCount_ % 3 != 0)
            fault_ = Outcome::Fail("The file ends too soon: its last record has " + NumText(fieldCount_ % 3) +
                                   " of its 3 fields.");
        if (!fault_.ok()) out_.clear();
        return fault_;
    }

private:
    void line(std::string_view l) {
        // Byte 0x1A ends the file.
        if (const std::size_t eof = l.find('\x1A'); eof != std::string_view::npos) {
            l = l.substr(0, eof);
            over_ = true;
        }
        std::size_t i = 0;
        const std::size_t n = l.size();
        auto blank = [&](std::size_t k) { return l[k] == ' ' || l[k] == '\t'; };
        while (fault_.ok()) {
            while (i < n && blank(i)) ++i;
            if (i >= n) break;
            std::string_view field;
            std::string_view after;  // what stands between a closing quote and the comma
            if (l[i] == '"') {
                const std::size_t close = l.find('"', i + 1);
                field = l.substr(i + 1, (close == std::string_view::npos ? n : close) - i - 1);
                i = close == std::string_view::npos ? n : close + 1;
                const std::size_t comma = std::min(l.find(',', i), n);
                // Blanks and tabs between the quote and the comma are no part of the field.
                std::size_t from = i, to = comma;
                while (from < to && blank(from)) ++from;
                while (to > from && blank(to - 1)) --to;
                after = l.substr(from, to - from);
                i = comma;
            } else {
                const std::size_t comma = std::min(l.find(',', i), n);
                std::size_t end = comma;
                while (end > i && blank(end - 1)) --end;
                field = l.substr(i, end - i);
                i = comma;
            }
            if (i < n) ++i;  // the comma
            take(field, after);
        }
        if (!fault_.ok()) over_ = true;
    }

    void take(std::string_view field, std::string_view after) {
        const long long record = fieldCount_ / 3 + 1;
        const int k = static_cast<int>(fieldCount_ % 3);
        std::size_t at = FirstControlByte(field);
        const std::string_view holder = at != std::string_view::npos ? field : after;
        if (at == std::string_view::npos) at = FirstControlByte(after);
        if (at != std::string_view::npos) {
            fault_ = Outcome::Fail("Record " + NumText(record) + " of the file: its " + kFieldNames[k] + " holds " +
                                   ControlByteText(static_cast<unsigned char>(holder[at])) +
                                   ", which no name may hold.");
            return;
        }
        ++fieldCount_;
        if (k == 0) {
            name_.assign(field);
            return;
        }
        // A key is shown as a single in the messages; beyond that range it
        // would read "inf", and no manhole number is that large.
        std::optional<float> single;
        try {
            keys_[k - 1] = Val(field);
            single = SingleValue(keys_[k - 1]);
        } catch (const RuntimeError&) {
        }
        if (!single) {
            fault_ = Outcome::Fail("Record " + NumText(record) + " of the file holds a manhole number too large to read.");
            return;
        }
        if (k == 2) out_.add(name_, keys_[0], keys_[1]);
    }

    LateralNameList& out_;
    std::string partial_;
    bool over_ = false;
    Outcome fault_;
    long long fieldCount_ = 0;
    std::string name_;
    double keys_[2] = {0, 0};
};

}  // namespace

Outcome ParseLateralNames(std::string_view bytes, LateralNameList& records) {
    PrfReader reader(records);
    reader.feed(bytes);
    return reader.finish();
}

Outcome ReadLateralNames(const std::string& path, LateralNameList& records) {
    records.clear();
    PrfReader reader(records);
    if (Outcome o = ReadFilePieces(path, [&](std::string_view piece) { return reader.feed(piece); }); !o) {
        records.clear();
        return o;
    }
    return reader.finish();
}

// ---------------------------------------------------------------- applying

namespace {

// The key of a manhole name; a number too large to read matches no key.
double NameKey(std::string_view name) {
    try {
        return Val(name) + 0.0;  // + 0.0: -0 and 0 are one key
    } catch (const RuntimeError&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

// An end key no line's downstream manhole has: every such record walks alike.
constexpr double kNoEnd = std::numeric_limits<double>::infinity();

// The lines as the walks see them. Each line leads to its NextLine, so the
// links form trees draining to an outfall, or to a ring. A ring is opened at
// one link (the line before `ringTop` becomes the root), so every line has
// one path to a root; a walk from a line in such a tree follows its path to
// the root and then the ring from ringTop until it comes round to the ring
// line it entered by (`entry`). The trees are laid out by heavy paths, each
// subtree and each path segment contiguous in `pos`, so that the first line
// below a line that ends at a given manhole is a few binary searches away.
class RunIndex {
public:
    RunIndex(const Model& m, int n) : n_(n) {
        auto vec = [&](int init) { return std::vector<int>(static_cast<std::size_t>(n) + 1, init); };
        parent_ = vec(0), depth_ = vec(0), pos_ = vec(0), head_ = vec(0), size_ = vec(1), root_ = vec(0),
        entry_ = vec(0), ringTop_ = vec(0), nodeAt_ = vec(0);
        onRing_.assign(static_cast<std::size_t>(n) + 1, false);
        std::vector<int> next = vec(0);
        for (int i = 1; i <= n; ++i) {
            const int k = m.Links[static_cast<std::size_t>(i)].NextLine;
            next[i] = k >= 1 && k <= n ? k : 0;
        }
        openRings(next);
        layOut();
        for (int i = 1; i <= n; ++i) {
            const double key = NameKey(m.Lines[static_cast<std::size_t>(i)].to.view());
            if (!std::isnan(key)) endsAt_[key].push_back(pos_[i]);
        }
        for (auto& [key, list] : endsAt_) std::sort(list.begin(), list.end());
    }

    // The sorted positions of the lines ending at manhole key, null if none.
    const std::vector<int>* ends(double key) const {
        auto it = endsAt_.find(key);
        return it == endsAt_.end() ? nullptr : &it->second;
    }

    // A walk's lines: from `from` down the path while depth >= stopDepth, and
    // then, round a ring, from `from2` (0: none) while depth >= stopDepth2.
    struct Run {
        int from = 0, stopDepth = 0, from2 = 0, stopDepth2 = 0;
        bool met = false;
    };
    Run walk(int s, const std::vector<int>* ends) const { return walkOn(s, entry_[s], ends); }
    // The rest of a walk that has come to line u on its way down from a line
    // that entered its ring (if any) at ring line cj.
    Run walkOn(int u, int cj, const std::vector<int>* ends) const {
        Run run{u, 0, 0, 0, false};
        if (const int t = firstEnd(u, ends)) {
            run.stopDepth = depth_[t];
            run.met = true;
            return run;
        }
        if (cj == 0) return run;  // down to the outfall
        const int c0 = ringTop_[root_[u]];
        if (cj == c0) return run;  // round the whole ring
        run.from2 = c0;
        run.stopDepth2 = depth_[cj] + 1;
        if (const int t = firstEnd(c0, ends); t != 0 && depth_[t] > depth_[cj]) {
            run.stopDepth2 = depth_[t];
            run.met = true;
        }
        return run;
    }

    // The ring part of a walk that entered its ring at cj and has come down
    // to the root unstopped: from the ring line after the root on.
    Run ringRest(int root, int cj, const std::vector<int>* ends) const {
        const int c0 = ringTop_[root];
        Run run{0, 0, c0, depth_[cj] + 1, false};
        if (const int t = firstEnd(c0, ends); t != 0 && depth_[t] > depth_[cj]) {
            run.stopDepth2 = depth_[t];
            run.met = true;
        }
        return run;
    }
    bool endsAt(int u, const std::vector<int>* ends) const {
        return ends && std::binary_search(ends->begin(), ends->end(), pos_[u]);
    }

    // Whether each line at `starts` (positions, sorted) meets one of the
    // lines at `ends` before line u, which lies below them all: then none of
    // their walks comes to u. Whichever is less work, the end lines above u
    // are looked at, or each start's way down.
    bool allStopBefore(const std::vector<int>& starts, int u, const std::vector<int>* ends) const {
        if (!ends) return false;
        const auto first = std::lower_bound(ends->begin(), ends->end(), pos_[u] + 1);
        const auto last = std::lower_bound(first, ends->end(), pos_[u] + size_[u]);
        if (first == last) return false;
        if (static_cast<std::size_t>(last - first) < starts.size()) {
            // The starts upstream of the topmost end lines.
            std::size_t stopped = 0;
            int coveredTo = -1;
            for (auto it = first; it != last; ++it) {
                if (*it < coveredTo) continue;
                coveredTo = *it + size_[nodeAt_[*it]];
                stopped += static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), coveredTo) -
                                                    std::lower_bound(starts.begin(), starts.end(), *it));
            }
            return stopped == starts.size();
        }
        for (int p : starts) {
            const int t = firstEnd(nodeAt_[p], ends);
            if (t == 0 || depth_[t] <= depth_[u]) return false;
        }
        return true;
    }

    // Whether a walk from any of the lines at `starts` (positions, sorted)
    // meets one of the lines at `ends`: each end line is looked for among the
    // lines upstream of it, or in its whole tree when it lies on a ring.
    bool anyMeets(const std::vector<int>& startPos, const std::vector<int>& ends) const {
        for (int p : ends) {
            int t = nodeAt_[p];
            if (onRing_[t]) t = root_[t];
            auto it = std::lower_bound(startPos.begin(), startPos.end(), pos_[t]);
            if (it != startPos.end() && *it < pos_[t] + size_[t]) return true;
        }
        return false;
    }

    int pos(int i) const { return pos_[i]; }
    int nodeAt(int p) const { return nodeAt_[p]; }
    int parent(int i) const { return parent_[i]; }
    int depth(int i) const { return depth_[i]; }
    int root(int i) const { return root_[i]; }
    int entry(int i) const { return entry_[i]; }
    int ringTop(int root) const { return ringTop_[root]; }

private:
    // The first line at or below v (towards its root) that ends at one of
    // the lines at `ends`, 0 if none.
    int firstEnd(int v, const std::vector<int>* ends) const {
        if (!ends) return 0;
        while (v != 0) {
            const int h = head_[v];
            auto it = std::upper_bound(ends->begin(), ends->end(), pos_[v]);
            if (it != ends->begin() && *(it - 1) >= pos_[h]) return nodeAt_[*(it - 1)];
            v = parent_[h];
        }
        return 0;
    }

    void openRings(const std::vector<int>& next) {
        // 0 unseen, -1 done, otherwise the number of the path being followed.
        std::vector<int> state(static_cast<std::size_t>(n_) + 1, 0), at(static_cast<std::size_t>(n_) + 1, 0);
        std::vector<int> path;
        int run = 0;
        for (int i = 1; i <= n_; ++i) {
            if (state[i] != 0) continue;
            ++run;
            path.clear();
            int v = i;
            while (v != 0 && state[v] == 0) {
                state[v] = run;
                at[v] = static_cast<int>(path.size());
                path.push_back(v);
                v = next[v];
            }
            if (v != 0 && state[v] == run) {
                for (std::size_t k = static_cast<std::size_t>(at[v]); k < path.size(); ++k) onRing_[path[k]] = true;
                ringTop_[path.back()] = v;  // the ring is opened at the link path.back() -> v
            }
            for (int p : path) state[p] = -1;
        }
        for (int i = 1; i <= n_; ++i) parent_[i] = ringTop_[i] != 0 ? 0 : next[i];
    }

    void layOut() {
        const std::size_t count = static_cast<std::size_t>(n_) + 1;
        std::vector<int> firstChild(count + 1, 0), children(count, 0);
        for (int i = 1; i <= n_; ++i) ++firstChild[static_cast<std::size_t>(parent_[i]) + 1];
        for (std::size_t k = 1; k <= count; ++k) firstChild[k] += firstChild[k - 1];
        std::vector<int> fill(firstChild.begin(), firstChild.end() - 1);
        for (int i = 1; i <= n_; ++i) children[static_cast<std::size_t>(fill[static_cast<std::size_t>(parent_[i])]++)] = i;
        auto kids = [&](int v) {
            return std::pair(children.begin() + firstChild[static_cast<std::size_t>(v)],
                             children.begin() + firstChild[static_cast<std::size_t>(v) + 1]);
        };
        // Top-down order (the roots are the children of 0), then sizes bottom-up.
        std::vector<int> order;
        order.reserve(count);
        for (auto [b, e] = kids(0); b != e; ++b) order.push_back(*b);
        for (std::size_t k = 0; k < order.size(); ++k) {
            const int v = order[k];
            const int p = parent_[v];
            depth_[v] = p ? depth_[p] + 1 : 0;
            root_[v] = p ? root_[p] : v;
            entry_[v] = onRing_[v] ? v : (p ? entry_[p] : 0);
            for (auto [b, e] = kids(v); b != e; ++b) order.push_back(*b);
        }
        for (std::size_t k = order.size(); k-- > 0;)
            if (const int p = parent_[order[k]]) size_[p] += size_[order[k]];
        // Depth first, the largest child first, so that it continues its
        // parent's path.
        std::vector<int> stack;
        int next = 0;
        for (auto [b, e] = kids(0); b != e; ++b) {
            head_[*b] = *b;
            stack.push_back(*b);
        }
        while (!stack.empty()) {
            const int v = stack.back();
            stack.pop_back();
            pos_[v] = next;
            nodeAt_[static_cast<std::size_t>(next++)] = v;
            auto [b, e] = kids(v);
            if (b == e) continue;
            auto heavy = std::max_element(b, e, [&](int x, int y) { return size_[x] < size_[y]; });
            for (auto c = b; c != e; ++c)
                if (c != heavy) {
                    head_[*c] = *c;
                    stack.push_back(*c);
                }
            head_[*heavy] = head_[v];
            stack.push_back(*heavy);
        }
    }

    int n_;
    std::vector<int> parent_, depth_, pos_, head_, size_, root_, entry_, ringTop_, nodeAt_;
    std::vector<bool> onRing_;
    std::unordered_map<double, std::vector<int>> endsAt_;
};

// Which lines are named yet, and the first unnamed line at or below a line.
class Naming {
public:
    Naming(const RunIndex& index, int n) : index_(index), below_(static_cast<std::size_t>(n) + 1), left_(n) {
        for (int i = 0; i <= n; ++i) below_[static_cast<std::size_t>(i)] = i;
        by_.assign(static_cast<std::size_t>(n) + 1, -1);
    }
    int unnamedFrom(int v) {
        int r = v;
        while (r != 0 && below_[static_cast<std::size_t>(r)] != r) r = below_[static_cast<std::size_t>(r)];
        while (v != r) {
            const int next = below_[static_cast<std::size_t>(v)];
            below_[static_cast<std::size_t>(v)] = r;
            v = next;
        }
        return r;
    }
    // Names the still unnamed lines of a run after record r.
    void name(const RunIndex::Run& run, long long r) {
        segment(run.from, run.stopDepth, r);
        if (run.from2) segment(run.from2, run.stopDepth2, r);
    }
    int left() const { return left_; }
    long long by(int i) const { return by_[static_cast<std::size_t>(i)]; }

private:
    void segment(int from, int stopDepth, long long r) {
        for (int u = unnamedFrom(from); u != 0 && index_.depth(u) >= stopDepth; u = unnamedFrom(u)) {
            by_[static_cast<std::size_t>(u)] = r;
            --left_;
            below_[static_cast<std::size_t>(u)] = index_.parent(u);
        }
    }
    const RunIndex& index_;
    std::vector<int> below_;
    std::vector<long long> by_;
    int left_;
};

struct PairKey {
    double start, end;
    bool operator==(const PairKey&) const = default;
};
struct PairHash {
    std::size_t operator()(const PairKey& k) const {
        return std::hash<double>()(k.start) * 1000003u ^ std::hash<double>()(k.end);
    }
};

}  // namespace

Outcome ApplyLateralNames(Model& m, const LateralNameList& records) {
    const int count = std::max(0, std::min(m.LineCount, std::min(m.LineUpper(), m.LinkUpper())));
    if (records.empty()) return Outcome::Fail("The lateral-name file names no lateral: nothing was changed.");
    // The lines by the key of their upstream manhole, in index order.
    std::unordered_map<double, std::vector<int>> linesFrom;
    for (int i = 1; i <= count; ++i) {
        const double from = NameKey(m.Lines[static_cast<std::size_t>(i)].From.view());
        if (!std::isnan(from)) linesFrom[from].push_back(i);
    }
    std::string unknown;
    long long unknownCount = 0;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (linesFrom.count(records.startKey(r) + 0.0)) continue;
        if (++unknownCount <= kListed)
            unknown += (unknown.empty() ? "" : ", ") + FloatText(static_cast<float>(records.startKey(r))) + " (" +
                       std::string(records.name(r)) + ")";
    }
    if (unknownCount > 0) {
        if (unknownCount > kListed) unknown += " and " + NumText(unknownCount - kListed) + " more records";
        return Outcome::Fail("No line starts at manhole " + unknown + ": nothing was changed.");
    }

    const RunIndex index(m, count);
    // Records that start and end alike name the same lines: only the last of
    // them counts. So does an end no line reaches, whatever its number.
    std::unordered_map<PairKey, std::size_t, PairHash> pairOf;
    std::vector<uint32_t> pairOfRecord(records.size());
    std::vector<PairKey> pairs;
    std::vector<long long> lastOfPair;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const double end = index.ends(records.endKey(r) + 0.0) ? records.endKey(r) + 0.0 : kNoEnd;
        const PairKey key{records.startKey(r) + 0.0, end};
        auto [it, added] = pairOf.try_emplace(key, pairs.size());
        if (added) {
            pairs.push_back(key);
            lastOfPair.push_back(0);
        }
        pairOfRecord[r] = static_cast<uint32_t>(it->second);
        lastOfPair[it->second] = static_cast<long long>(r);
    }
    pairOf.clear();
    std::unordered_map<double, bool> usedStart;
    for (const PairKey& key : pairs) usedStart[key.start] = true;

    // From the last record back: a line keeps the first name it gets, which
    // is the one the last walk over it would leave. The starts of a record
    // are kept in sets that share the first unnamed line on their way down
    // (and the ring line they enter by): beyond it their walks are one, so a
    // set is looked at once per record, however many starts it holds. A set
    // whose whole way down is named can add nothing more and is dropped.
    std::vector<std::size_t> byLast(pairs.size());
    for (std::size_t p = 0; p < pairs.size(); ++p) byLast[p] = p;
    std::sort(byLast.begin(), byLast.end(), [&](std::size_t a, std::size_t b) { return lastOfPair[a] > lastOfPair[b]; });
    struct StartSet {
        std::vector<int> pos;  // of its lines, sorted unless `mixed`
        int ring = 0;          // the ring line its walks enter by, 0 for none
        bool mixed = false;
    };
    std::unordered_map<double, std::vector<StartSet>> active;
    for (const auto& [key, lines] : linesFrom)
        for (int s : lines) active[key].push_back({{index.pos(s)}, index.entry(s), false});
    std::vector<long long> metIn(static_cast<std::size_t>(count) + 1, -1);
    std::vector<std::size_t> setAt(static_cast<std::size_t>(count) + 1, 0);
    Naming naming(index, count);
    for (std::size_t p : byLast) {
        if (naming.left() == 0) break;
        std::vector<StartSet>& sets = active[pairs[p].start];
        const std::vector<int>* ends = index.ends(pairs[p].end);
        const long long r = lastOfPair[p];
        auto drop = [&](std::size_t k) {
            sets[k] = std::move(sets.back());
            sets.pop_back();
        };
        for (std::size_t k = 0; k < sets.size();) {
            StartSet& set = sets[k];
            const int anchor = index.nodeAt(set.pos[0]);
            const int u = naming.unnamedFrom(anchor);
            if (set.mixed) {
                std::sort(set.pos.begin(), set.pos.end());
                set.mixed = false;
            }
            // Where the set's walks come to unnamed lines: u on the way down,
            // or, all named down to the root, the ring they come round.
            int at = u;
            if (u == 0) {
                const int root = index.root(anchor);
                const int onRing = set.ring ? naming.unnamedFrom(index.ringTop(root)) : 0;
                if (onRing == 0 || index.depth(onRing) <= index.depth(set.ring)) {
                    drop(k);
                    continue;
                }
                if (!index.allStopBefore(set.pos, root, ends) && !index.endsAt(root, ends))
                    naming.name(index.ringRest(root, set.ring, ends), r);
                at = set.ring;  // the sets of one ring entered alike walk alike
            } else if (!index.allStopBefore(set.pos, u, ends)) {
                naming.name(index.walkOn(u, set.ring, ends), r);
            }
            // A set met at the same place before in this pass stopped short
            // of it (or it would be named now): from here on the two walk alike.
            const std::size_t met = setAt[static_cast<std::size_t>(at)];
            if (metIn[static_cast<std::size_t>(at)] == r && met < k && sets[met].ring == set.ring) {
                StartSet& into = sets[met];
                if (into.pos.size() < set.pos.size()) std::swap(into.pos, set.pos);
                into.pos.insert(into.pos.end(), set.pos.begin(), set.pos.end());
                into.mixed = true;
                drop(k);
                continue;
            }
            metIn[static_cast<std::size_t>(at)] = r;
            setAt[static_cast<std::size_t>(at)] = k;
            ++k;
        }
    }
    for (int i = 1; i <= count; ++i) {
        const long long r = naming.by(i);
        m.Lines[static_cast<std::size_t>(i)].Latral = r < 0 ? std::string_view("0") : records.name(static_cast<std::size_t>(r));
    }

    // What the walks met on their way, once for each ring and each record.
    std::vector<bool> ringReported(static_cast<std::size_t>(count) + 1, false);
    long long rings = 0;
    for (int s = 1; s <= count; ++s) {
        const int root = index.root(s);
        if (index.entry(s) == 0 || ringReported[static_cast<std::size_t>(root)]) continue;
        if (!usedStart.count(NameKey(m.Lines[static_cast<std::size_t>(s)].From.view()))) continue;
        ringReported[static_cast<std::size_t>(root)] = true;
        if (++rings <= kListed)
            AppendLog(m, "Lateral names: line " + NumText(root) + " leads back to line " +
                             NumText(index.ringTop(root)) + ", round a ring; a walk into it that meets no end " +
                             "stops where it comes round");
    }
    if (rings > kListed) AppendLog(m, "Lateral names: " + NumText(rings - kListed) + " more rings");
    std::vector<signed char> met(pairs.size(), -1);
    std::unordered_map<double, std::vector<int>> startPos;
    auto pairMeets = [&](std::size_t p) {
        const std::vector<int>* ends = index.ends(pairs[p].end);
        if (!ends) return false;
        const std::vector<int>& starts = linesFrom[pairs[p].start];
        if (ends->size() < starts.size()) {
            auto [it, added] = startPos.try_emplace(pairs[p].start);
            if (added) {
                for (int s : starts) it->second.push_back(index.pos(s));
                std::sort(it->second.begin(), it->second.end());
            }
            return index.anyMeets(it->second, *ends);
        }
        return std::any_of(starts.begin(), starts.end(), [&](int s) { return index.walk(s, ends).met; });
    };
    long long notMet = 0;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::size_t p = pairOfRecord[r];
        if (met[p] < 0) met[p] = pairMeets(p) ? 1 : 0;
        if (met[p] == 0 && ++notMet <= kListed)
            AppendLog(m, "Lateral " + std::string(records.name(r)) + ": manhole " +
                             FloatText(static_cast<float>(records.endKey(r))) + " not met; named down to the outfall");
    }
    if (notMet > kListed)
        AppendLog(m, "Lateral names: " + NumText(notMet - kListed) + " more records whose end manhole was not met");
    return Outcome::Ok(NumText(static_cast<long long>(count - naming.left())) + " lines named");
}

Outcome ApplyLateralNames(Model& m, const std::vector<LateralNameRecord>& records) {
    LateralNameList list;
    for (const LateralNameRecord& r : records) list.add(r.name, r.startKey, r.endKey);
    return ApplyLateralNames(m, list);
}

}  // namespace vd
