#include "engine/errors.h"
#include "workspace/text_import.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/number_text.h"
#include "engine/ui_sink.h"
#include "workspace/line_rows.h"

namespace vd {

const std::array<const char*, kTextImportFields> kTextImportCaptions = {
    "From", "To", "length", "Gr.El.From", "Gr.El.To", "Inv.El.From",
    "Inv.El.To", "Gslope", "Slope", "Dia", "Latral", "Mh.Type"};

namespace {

constexpr char kBar = static_cast<char>(0xB3);

void ReplaceFirst(std::string& s, char what) {
    auto pos = s.find(what);
    if (pos != std::string::npos) s[pos] = ' ';
}

// A number beyond the single-precision range cannot be stored; the field
// keeps what it held.
void StoreSingle(float& field, const std::string& text, double scale = 1.0) {
    double v = 0;
    try {
        v = Val(text) / scale;
    } catch (const RuntimeError&) {
        return;  // a number too large to read: nothing to store
    }
    if (std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max()) field = static_cast<float>(v);
}

bool HasDataBeyondSeparators(const std::string& rest) {
    return std::any_of(rest.begin(), rest.end(), [](char c) { return c != ' ' && c != ',' && c != kBar; });
}

}  // namespace

namespace {

// The row as the split rules change it: it only loses characters at its
// front and has commas and bars turned into blanks, so it lives in one
// buffer with a moving start, and the searches for the first comma, the
// first bar and any blank resume where they last stopped. Each pass of the
// scan then costs a constant, and a row of any length splits in linear time.
class SplitRow {
public:
    explicit SplitRow(std::string row) : buf_(std::move(row)) {
        for (std::size_t i = 0; i < buf_.size(); ++i)
            if (buf_[i] == ' ') lastBlank_ = i;
    }
    std::size_t size() const { return buf_.size() - start_; }
    char at(std::size_t i) const { return buf_[start_ + i]; }  // 0-based
    std::string take(std::size_t n) const { return buf_.substr(start_, n); }
    std::string rest() const { return buf_.substr(start_); }
    bool hasBlank() const { return lastBlank_ != std::string::npos && lastBlank_ >= start_; }
    // Drops the first n characters, then the blanks that lead what is left.
    void dropThenTrim(std::size_t n) {
        start_ += n;
        while (start_ < buf_.size() && buf_[start_] == ' ') ++start_;
    }
    void blankFirst(char what, std::size_t& from) {
        from = std::max(from, start_);
        while (from < buf_.size() && buf_[from] != what) ++from;
        if (from >= buf_.size()) return;
        buf_[from] = ' ';
        if (lastBlank_ == std::string::npos || from > lastBlank_) lastBlank_ = from;
    }
    void blankFirstComma() { blankFirst(',', comma_); }
    void blankFirstBar() { blankFirst(kBar, bar_); }
    bool dataBeyondSeparators() const { return HasDataBeyondSeparators(rest()); }

private:
    std::string buf_;
    std::size_t start_ = 0;
    std::size_t comma_ = 0, bar_ = 0;
    std::size_t lastBlank_ = std::string::npos;
};

}  // namespace

RowSplit SplitTextRow(std::string text) {
    RowSplit out;
    text = Trim(text);
    if (!text.empty() && text[0] == ',') text[0] = ' ';
    if (text.find(kBar) != std::string::npos) {
        ReplaceFirst(text, kBar);
        text = TrimLeft(text);
    }
    SplitRow row(std::move(text));
    const std::size_t L = row.size();
    std::size_t p = 1;
    while (p <= L) {
        row.blankFirstComma();
        row.blankFirstBar();
        if (p <= row.size() && row.at(p - 1) == ' ') {
            out.values.push_back(row.take(p));
            row.dropThenTrim(p - 1);
            p = 1;
        }
        if (!row.hasBlank()) {
            // Never a twelfth value, whichever step would take it.
            if (static_cast<int>(out.values.size()) >= kTextImportMaxValues)
                out.cut = row.dataBeyondSeparators();
            else
                out.values.push_back(row.rest());
            return out;
        }
        if (static_cast<int>(out.values.size()) >= kTextImportMaxValues) {
            out.cut = row.dataBeyondSeparators();
            return out;
        }
        ++p;
    }
    return out;
}

void StoreTextValues(LineRecord& line, const std::vector<std::string>& values,
                     const std::array<bool, kTextImportFields>& ticked) {
    std::size_t c = 0;
    for (int k = 0; k < kTextImportFields; ++k) {
        if (!ticked[k] || c >= values.size()) continue;
        const std::string& v = values[c++];
        switch (k) {
            case 0: line.From = v; break;
            case 1: line.to = v; break;
            case 2: StoreSingle(line.Len, v); break;
            case 3: StoreSingle(line.Gr1, v); break;
            case 4: StoreSingle(line.Gr2, v); break;
            case 5: StoreSingle(line.Inv1, v); break;
            case 6: StoreSingle(line.Inv2, v); break;
            case 7: break;  // ground slope: read and dropped
            case 8: StoreSingle(line.slope, v, 1000.0); break;
            case 9: StoreSingle(line.Dia, v); break;
            case 10: line.Latral = v; break;
            case 11: line.MhType = v; break;
        }
    }
}

std::vector<std::string> SplitFileRows(const std::string& bytes) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        std::size_t end = lf == std::string::npos ? bytes.size() : lf;
        std::string row = bytes.substr(start, end - start);
        if (!row.empty() && row.back() == '\r') row.pop_back();
        rows.push_back(std::move(row));
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return rows;
}

Outcome ImportTextTable(Model& m, const std::string& bytes, const std::array<bool, kTextImportFields>& ticked,
                        int clearUpTo) {
    if (bytes.find('\0') != std::string::npos)
        return Outcome::Fail("The file is not a text table (it holds binary data). Nothing was imported.");
    // Counted before they are split: a file of millions of short rows is
    // refused without holding each one.
    const auto rowCount = static_cast<long long>(std::count(bytes.begin(), bytes.end(), '\n')) +
                          (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
    if (rowCount == 0) return Outcome::Fail("The file is empty. Nothing was imported.");
    if (rowCount > kMaxLineUpper) return Outcome::Fail(TooManyLinesText("The file", rowCount) + " Nothing was imported.");
    std::vector<std::string> rows = SplitFileRows(bytes);
    std::vector<RowSplit> splits;
    splits.reserve(rows.size());
    for (std::size_t n = 0; n < rows.size(); ++n) {
        splits.push_back(SplitTextRow(rows[n]));
        if (splits.back().cut)
            return Outcome::Fail("Row " + NumText(static_cast<long long>(n + 1)) + " has more than " +
                                 NumText(kTextImportMaxValues) + " values. Nothing was imported.");
    }
    m.FitLineTables(static_cast<long long>(splits.size()));
    ClearLineRows(m, clearUpTo);
    for (std::size_t n = 0; n < splits.size(); ++n) StoreTextValues(m.Lines[n + 1], splits[n].values, ticked);
    m.LineCount = static_cast<int>(splits.size());
    m.LatCount = 0;
    return Outcome::Ok();
}

}  // namespace vd
