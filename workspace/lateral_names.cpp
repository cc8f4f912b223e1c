#include "engine/errors.h"
#include "workspace/lateral_names.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "engine/number_text.h"
#include "engine/ui_sink.h"

namespace vd {

namespace {

// The key of a manhole name; a number too large to read matches no key.
double NameKey(std::string_view name) {
    try {
        return Val(name);
    } catch (const RuntimeError&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace

Outcome ParseLateralNames(const std::string& bytes, std::vector<LateralNameRecord>& records) {
    records.clear();
    for (unsigned char c : bytes) {
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x1A)
            return Outcome::Fail("The file is not a lateral-name text file (it holds binary data).");
    }
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    auto atEnd = [&] { return i >= n || bytes[i] == 0x1A; };
    while (true) {
        // Blanks and empty lines between fields are not fields.
        while (!atEnd() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
        if (atEnd()) break;
        std::string field;
        if (bytes[i] == '"') {
            ++i;
            while (!atEnd() && bytes[i] != '"' && bytes[i] != '\n') field += bytes[i++];
            if (!atEnd() && bytes[i] == '"') ++i;
            while (!atEnd() && bytes[i] != ',' && bytes[i] != '\n') ++i;
        } else {
            while (!atEnd() && bytes[i] != ',' && bytes[i] != '\n') field += bytes[i++];
            if (!field.empty() && field.back() == '\r') field.pop_back();
            field = TrimRight(field);
            while (!field.empty() && field.back() == '\t') field.pop_back();
        }
        if (!atEnd() && bytes[i] == ',') ++i;
        fields.push_back(std::move(field));
    }
    if (fields.size() % 3 != 0)
        return Outcome::Fail("The file ends too soon: its last record has " +
                             NumText(static_cast<long long>(fields.size() % 3)) + " of its 3 fields.");
    for (std::size_t k = 0; k < fields.size(); k += 3) {
        try {
            records.push_back({fields[k], Val(fields[k + 1]), Val(fields[k + 2])});
        } catch (const RuntimeError&) {
            records.clear();
            return Outcome::Fail("Record " + NumText(static_cast<long long>(k / 3 + 1)) +
                                 " of the file holds a manhole number too large to read.");
        }
    }
    return Outcome::Ok();
}

Outcome ApplyLateralNames(Model& m, const std::vector<LateralNameRecord>& records) {
    const int count = std::min(m.LineCount, std::min(m.LineUpper(), m.LinkUpper()));
    if (records.empty()) return Outcome::Fail("The lateral-name file names no lateral: nothing was changed.");
    // Each manhole name's key once, and the lines by the key of their upstream
    // manhole, so finding a record's runs costs no pass over the lines.
    std::vector<double> toKey(static_cast<std::size_t>(count) + 1);
    std::unordered_map<double, std::vector<int>> linesFrom;
    for (int i = 1; i <= count; ++i) {
        toKey[i] = NameKey(m.Lines[i].to.view());
        const double from = NameKey(m.Lines[i].From.view());
        if (!std::isnan(from)) linesFrom[from + 0.0].push_back(i);  // + 0.0: -0 and 0 are one key
    }
    static const std::vector<int> kNone;
    std::vector<const std::vector<int>*> starts(records.size(), &kNone);
    std::string unknown;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (auto it = linesFrom.find(records[r].startKey + 0.0); it != linesFrom.end()) starts[r] = &it->second;
        if (starts[r]->empty())
            unknown += (unknown.empty() ? "" : ", ") + SingleText(static_cast<float>(records[r].startKey)) +
                       " (" + records[r].name + ")";
    }
    if (!unknown.empty()) return Outcome::Fail("No line starts at manhole " + unknown + ": nothing was changed.");
    for (int i = 1; i <= count; ++i) m.Lines[i].Latral = "0";
    std::vector<int> visitedIn(static_cast<std::size_t>(count) + 1, -1);
    std::vector<bool> named(static_cast<std::size_t>(count) + 1, false);
    int walkNo = 0;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const LateralNameRecord& rec = records[r];
        bool endMet = false;
        for (int start : *starts[r]) {
            ++walkNo;
            int line = start;
            int steps = 0;
            while (true) {
                if (visitedIn[line] == walkNo) {
                    AppendLog(m, "Lateral " + rec.name + ": the lines from line " + NumText(start) +
                                        " form a ring at line " + NumText(line) + "; the walk stops there");
                    break;
                }
                visitedIn[line] = walkNo;
                m.Lines[line].Latral = rec.name;
                named[line] = true;
                if (toKey[line] == rec.endKey) {
                    endMet = true;
                    break;
                }
                int next = m.Links[line].NextLine;
                if (next <= 0 || next > count) break;
                if (++steps >= count) {
                    AppendLog(m, "Lateral " + rec.name + ": the walk from line " + NumText(start) +
                                        " stops after " + NumText(count) + " lines");
                    break;
                }
                line = next;
            }
        }
        if (!starts[r]->empty() && !endMet)
            AppendLog(m, "Lateral " + rec.name + ": manhole " +
                                SingleText(static_cast<float>(rec.endKey)) +
                                " not met; named down to the outfall");
    }
    const auto namedCount = std::count(named.begin(), named.end(), true);
    return Outcome::Ok(NumText(static_cast<long long>(namedCount)) + " lines named");
}

}  // namespace vd
