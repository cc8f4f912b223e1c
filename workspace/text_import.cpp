#include "engine/errors.h"
#include "workspace/text_import.h"

#include <algorithm>

#include "engine/name_bytes.h"
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

// A number value as its field holds it: blank is 0; nothing for a text
// that is not one number or a number beyond the single-precision range.
std::optional<float> SingleOf(const OneNumber& n, double scale) {
    if (n.kind != OneNumber::Number && n.kind != OneNumber::Blank) return std::nullopt;
    return SingleValue(n.value / scale);
}

// A value that cannot be stored leaves the field as it was; the import
// refuses such a table before it stores anything.
void StoreSingle(float& field, const std::string& text, double scale = 1.0) {
    if (const std::optional<float> v = SingleOf(ReadOneNumber(text), scale)) field = *v;
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
    // A tab separates as a blank does: tables exported by other programs
    // hold tabs between their values, and a name never holds one.
    std::replace(text.begin(), text.end(), '\t', ' ');
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

namespace {

// Calls row(text) for each row of the file: CR LF, LF and CR each end a row,
// a last row without an end counts, a final line end opens no further row.
template <class Row>
void ForEachRow(std::string_view bytes, Row row) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            row(bytes.substr(start));
            return;
        }
        row(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
}

long long RowCount(std::string_view bytes) {
    long long n = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) ++n;
    return n + (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r' ? 1 : 0);
}

bool IsNameField(int k) { return k == 0 || k == 1 || k == 10 || k == 11; }
bool IsNumberField(int k) { return k >= 2 && k <= 9; }

// A value as a refusal quotes it: a row may be megabytes long.
std::string Excerpt(std::string_view value) {
    std::string s(Trim(value.substr(0, 41)));
    for (char& c : s)
        if (IsControlByte(static_cast<unsigned char>(c))) c = ' ';
    return s.size() > 40 ? s.substr(0, 40) + "..." : s;
}

// Why a ticked number column's value cannot be taken, or "" when it can: a
// text that is not one number ("12abc", "1,5", "1.5 m"), read by its
// leading number, would become another value unseen. The ground slope is
// read and dropped, so only its text counts.
std::string NumberValueFault(int k, std::string_view value, const OneNumber& n) {
    const std::string what = std::string("the ") + kTextImportCaptions[k] + " value \"" + Excerpt(value) + "\"";
    if (n.kind == OneNumber::NotANumber)
        return what + " is not a number. Write one number, with a point as the decimal mark (12.5).";
    if (n.kind == OneNumber::TooLarge) return what + " is a number too large to hold.";
    if (n.kind == OneNumber::Number && k != 7 && !SingleOf(n, k == 8 ? 1000.0 : 1.0))
        return what + " is a number too large for its field.";
    return {};
}

}  // namespace

std::vector<std::string> SplitFileRows(const std::string& bytes) {
    std::vector<std::string> rows;
    ForEachRow(bytes, [&](std::string_view row) { rows.emplace_back(row); });
    return rows;
}

Outcome ImportTextTable(Model& m, const std::string& bytes, const std::array<bool, kTextImportFields>& ticked,
                        int clearUpTo) {
    if (bytes.find('\0') != std::string::npos)
        return Outcome::Fail("The file is not a text table (it holds binary data). Nothing was imported.");
    // Counted before they are split: a file of millions of short rows is
    // refused without holding each one.
    const long long rowCount = RowCount(bytes);
    if (rowCount == 0) return Outcome::Fail("The file is empty. Nothing was imported.");
    if (rowCount > kMaxLineUpper) return Outcome::Fail(TooManyLinesText("The file", rowCount) + " Nothing was imported.");
    std::vector<RowSplit> splits;
    splits.reserve(static_cast<std::size_t>(rowCount));
    ForEachRow(bytes, [&](std::string_view row) { splits.push_back(SplitTextRow(std::string(row))); });
    bool numberTicked = false, numberRead = false;
    std::string numberFault;  // the first value of a number column that cannot be stored
    for (int k = 0; k < kTextImportFields; ++k) numberTicked |= ticked[k] && IsNumberField(k);
    for (std::size_t n = 0; n < splits.size(); ++n) {
        const std::string row = "Row " + NumText(static_cast<long long>(n + 1));
        if (splits[n].cut)
            return Outcome::Fail(row + " has more than " + NumText(kTextImportMaxValues) +
                                 " values. Nothing was imported.");
        const std::vector<std::string>& values = splits[n].values;
        std::size_t c = 0;
        for (int k = 0; k < kTextImportFields && c < values.size(); ++k) {
            if (!ticked[k]) continue;
            const std::string& v = values[c++];
            if (IsNumberField(k)) {
                const OneNumber number = ReadOneNumber(v);
                numberRead |= number.kind == OneNumber::Number || number.kind == OneNumber::TooLarge;
                if (numberFault.empty())
                    if (std::string fault = NumberValueFault(k, v, number); !fault.empty()) numberFault = row + ": " + fault;
            }
            if (!IsNameField(k)) continue;
            if (const std::size_t at = FirstControlByte(v); at != std::string::npos)
                return Outcome::Fail(row + ": the " + kTextImportCaptions[k] + " value holds " +
                                     ControlByteText(static_cast<unsigned char>(v[at])) +
                                     ", which no name may hold. Nothing was imported.");
        }
    }
    // A table separated otherwise (by ";", say) comes in as one long name per
    // row and zeros everywhere else: refused rather than taken as a network.
    if (numberTicked && !numberRead)
        return Outcome::Fail(
            "No row of the file holds a number in a ticked number column. The import reads values separated by "
            "blanks, tabs, commas or the bar character (byte 0xB3); a table separated otherwise, by \";\" for "
            "example, gives one long name per row. Nothing was imported.");
    if (!numberFault.empty()) return Outcome::Fail(numberFault + " Nothing was imported.");
    m.FitLineTables(static_cast<long long>(splits.size()));
    ClearLineRows(m, clearUpTo);
    for (std::size_t n = 0; n < splits.size(); ++n) StoreTextValues(m.Lines[n + 1], splits[n].values, ticked);
    m.LineCount = static_cast<int>(splits.size());
    m.LatCount = 0;
    return Outcome::Ok();
}

}  // namespace vd
