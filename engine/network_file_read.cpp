// The network file's row reader: the "L" rows into the line tables, the
// ".cor" companion, and the ".bak" written after a good read. Fast because a
// file is read whole and taken apart in place: rows found with memchr, blanks
// and commas found eight bytes at a time, fields kept as views into the bytes
// (only quoted ones are copied), numbers through the one-pass decimal reader.
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/file_number.h"
#include "engine/name_bytes.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/whole_file.h"
#include "engine/word_scan.h"

namespace vd {

namespace {

constexpr const char* kOpenFailed = " Error in file open";
constexpr int kLineFields = 12;

struct Field {
    std::string_view text;  // into the row, or into `unquoted`
    std::string unquoted;   // a quoted field with its doubled quotes made single
    bool quoted = false;
};

// Where the first byte at or after pos that is no blank or tab is, or the
// row's end.
std::size_t SkipBlanks(std::string_view row, std::size_t pos) {
    return word::FindMarked(row, pos, [](std::uint64_t w) {
        return ~(word::Equal(w, ' ') | word::Equal(w, '\t')) & word::kHighs;
    });
}

// Where the first comma at or after pos is, or the row's end.
std::size_t NextComma(std::string_view row, std::size_t pos) {
    return word::FindMarked(row, pos, [](std::uint64_t w) { return word::Equal(w, ','); });
}

// Fields of one row as the input statement takes them: blanks before a field
// skipped, a field ends at a comma or the row's end, a quoted field may hold
// commas and doubled quotes. A row always has at least its tag field. Only
// the first `limit` fields are taken: what a row holds beyond them is never
// read, and a row of millions of commas must not cost memory per comma.
// The fields go into `fields`, whose texts keep their room from row to row.
void SplitFields(std::string_view row, std::size_t limit, std::vector<Field>& fields) {
    std::size_t count = 0;
    std::size_t pos = 0;
    for (;;) {
        pos = SkipBlanks(row, pos);
        if (fields.size() <= count) fields.emplace_back();
        Field& f = fields[count++];
        f.text = {};
        f.quoted = false;
        if (pos < row.size() && row[pos] == '"') {
            f.quoted = true;
            f.unquoted.clear();
            ++pos;
            while (pos < row.size()) {
                if (row[pos] == '"') {
                    if (pos + 1 < row.size() && row[pos + 1] == '"') {
                        f.unquoted.push_back('"');
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                f.unquoted.push_back(row[pos++]);
            }
            while (pos < row.size() && row[pos] != ',') ++pos;
        } else {
            const std::size_t end = NextComma(row, pos);
            f.text = row.substr(pos, end - pos);
            pos = end;
        }
        if (pos >= row.size() || count >= limit) break;
        ++pos;  // the comma
    }
    fields.resize(count);
    // Only now, when the fields no longer move, may a text point into one.
    for (Field& f : fields)
        if (f.quoted) f.text = f.unquoted;
}

// The rows of a text one at a time, ending with CR LF, LF or CR; a final row
// needs no ending.
class RowReader {
public:
    explicit RowReader(std::string_view bytes) : bytes_(bytes) {}
    // The next row, and whether a line end closed it; false at the end.
    bool next(std::string_view& row, bool& ended) {
        if (pos_ >= bytes_.size()) return false;
        const std::size_t i = std::min(Next('\r', cr_), Next('\n', lf_));
        if (i == bytes_.size()) {
            row = bytes_.substr(pos_);
            ended = false;
            pos_ = bytes_.size();
        } else {
            row = bytes_.substr(pos_, i - pos_);
            ended = true;
            pos_ = i + 1;
            if (bytes_[i] == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
        }
        ++number_;
        return true;
    }
    // 1 for the first row.
    long long number() const { return number_; }

private:
    // Where the next `c` at or after the read position is (the end when there
    // is none), kept in `at` until the reading passes it: a text of CR-only
    // or LF-only rows is searched once for the other kind of line end.
    std::size_t Next(char c, std::size_t& at) {
        if (at != kUnknown && at >= pos_) return at;
        const void* found = std::memchr(bytes_.data() + pos_, c, bytes_.size() - pos_);
        at = found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data()) : bytes_.size();
        return at;
    }

    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::size_t cr_ = kUnknown, lf_ = kUnknown;
    long long number_ = 0;
};

// A text file holds no control bytes but tab, line ends, form feed and the
// old end-of-file mark. NULs are text here: older saves wrote never-assigned
// fields as NULs, and such files must still open. Where the first byte no
// text holds is, or the text's end.
std::size_t FirstNonTextByte(std::string_view bytes) {
    // The allowed control bytes, a bit each.
    constexpr std::uint32_t kAllowed = 1u << 0 | 1u << '\t' | 1u << '\n' | 1u << '\f' | 1u << '\r' | 1u << 0x1A;
    // The control bytes found a word at a time; in a text file, the line ends.
    auto control = [](std::uint64_t w) { return word::Below(w, 0x20); };
    for (std::size_t i = word::FindMarked(bytes, 0, control); i < bytes.size();
         i = word::FindMarked(bytes, i + 1, control))
        if (!(kAllowed >> static_cast<unsigned char>(bytes[i]) & 1)) return i;
    return bytes.size();
}

bool LooksLikeText(std::string_view bytes) { return FirstNonTextByte(bytes) == bytes.size(); }

std::string RowExcerpt(std::string_view row) {
    std::string s = Trim(row.substr(0, 200));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (s.size() > 40) s = s.substr(0, 40) + "...";
    return s;
}

// A row's tag without the blanks around it, still a view into the row: a
// tag may be the whole of a row of megabytes.
std::string_view TagOf(const Field& f) {
    std::string_view t = f.text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

bool IsLineTag(const Field& f) {
    const std::string_view t = TagOf(f);
    return t == "L" || t == "l";
}

bool IsEndTag(const Field& f) {
    const std::string_view t = TagOf(f);
    return t.size() == 3 && UpperCase(t) == "END";
}

// What a message calls fields 4 to 10 of a line row, the numbers.
constexpr const char* kNumberFieldNames[] = {"Len", "Gr1", "Gr2", "Inv1", "Inv2", "slope", "Dia"};

// A field that did not read as a number: where it is in the row and why.
struct NumberFault {
    std::size_t field = 0;  // 0-based, as in `fields`
    FileNumber why = FileNumber::Read;
};

// Stores fields 2..12 of a line row present in the row; missing trailing
// fields keep what the line held. Returns false at a field that is not a
// number or is one too large for its field, which `fault` names.
bool StoreLineFields(LineRecord& line, const std::vector<Field>& fields, NumberFault& fault) {
    auto has = [&](std::size_t k) { return k < fields.size(); };
    if (has(1)) line.From = fields[1].text;
    if (has(2)) line.to = fields[2].text;
    float* numbers[] = {&line.Len, &line.Gr1, &line.Gr2, &line.Inv1, &line.Inv2, &line.slope, &line.Dia};
    for (std::size_t k = 0; k < 7; ++k) {
        if (!has(3 + k)) return true;
        if (const FileNumber read = ParseFileNumber(fields[3 + k].text, *numbers[k]); read != FileNumber::Read) {
            fault = {3 + k, read};
            return false;
        }
    }
    if (has(10)) line.Latral = fields[10].text;
    if (has(11)) line.MhType = fields[11].text;
    return true;
}

// The text fields of a line row and what a message calls them.
struct NameField {
    std::size_t index;  // 0-based, as in `fields`
    const char* label;
};
constexpr NameField kNameFields[] = {
    {1, "the From name"}, {2, "the To name"}, {10, "the lateral name"}, {11, "the manhole type"}};

// The first byte of a name that no name may hold, a control character or
// DEL, or npos. Latin-1 letters from 0x80 up are names like any other. A
// field of NULs alone is what older saves wrote for a text never assigned,
// and reads as that.
std::size_t ControlInName(std::string_view name) {
    const std::size_t at = FirstControlByte(name);
    if (at == std::string_view::npos || name.find_first_not_of('\0') == std::string_view::npos)
        return std::string_view::npos;
    return at;
}

// The refusal of a line row whose name holds a control character, or ""
// when its names hold none. Such a name would change unseen on the next
// save, which writes control characters as blanks: another manhole.
std::string NameFault(const std::string& path, long long row, const std::vector<Field>& fields) {
    for (const NameField& f : kNameFields) {
        if (f.index >= fields.size()) break;
        const std::string_view name = fields[f.index].text;
        const std::size_t at = ControlInName(name);
        if (at == std::string_view::npos) continue;
        return "Row " + NumText(row) + " of " + path + ": " + f.label + " (field " +
               NumText(static_cast<long long>(f.index) + 1) + ") holds a control character (code " +
               NumText(static_cast<unsigned char>(name[at])) +
               "), which no name may hold. The file was not opened.";
    }
    return {};
}

// Shows the reader's message and ends the read with it.
Outcome Failed(Model& m, const std::string& message) {
    m.Ui->MessageBox(message);
    return Outcome::Fail(message);
}

// What a reader says of a number field too large for a single value:
// "Row 3 of net.asb: field 4 (Len) "1E39" is a number too large for its field".
std::string TooLargeText(const std::string& path, long long row, std::size_t field, const char* name,
                         std::string_view text) {
    return "Row " + NumText(row) + " of " + path + ": field " + NumText(static_cast<long long>(field)) + " (" + name +
           ") \"" + RowExcerpt(text) + "\" is a number too large for its field";
}

// Plan coordinates of lines 1.. from the companion file at path, which
// exists, row k into line k.
Outcome ReadCoordinates(Model& m, const std::string& path) {
    std::string bytes;
    if (Outcome read = ReadWholeFile(path, bytes); !read) return read;
    if (!LooksLikeText(bytes)) return Outcome::Fail(path + " is not a coordinates text file.");
    RowReader rows(bytes);
    std::string_view row;
    bool ended = false;
    std::vector<Field> fields;
    // The read stops at a blank row or a tag other than MHB; lines left
    // without coordinates while the file holds more rows would get zeros
    // from the next save unseen, so that is said.
    auto stopped = [&](int k, const std::string& why) {
        const long long at = rows.number();
        std::string_view later;
        bool more = false;
        while (!more && rows.next(later, ended)) more = later.find_first_not_of(' ') != std::string_view::npos;
        const long long none = m.LineCount - k + 1;
        if (!more || none <= 0) return;
        const std::string note = "Row " + NumText(at) + " of " + path + " " + why + "; the coordinates stop there and " +
                                 NumText(none) + (none == 1 ? " line has" : " lines have") + " none.";
        AppendLog(m, note);
        m.Ui->MessageBox(note);
    };
    for (int k = 1; k <= m.LineCount; ++k) {
        if (!rows.next(row, ended)) break;
        if (row.find_first_not_of(' ') == std::string_view::npos) {
            stopped(k, "is blank");
            break;
        }
        SplitFields(row, 5, fields);
        if (fields.size() < 5)
            return Outcome::Fail("Row " + NumText(rows.number()) + " of " + path + " holds fewer than 5 fields.");
        LineRecord& line = m.Lines[k];
        float* xy[] = {&line.X1, &line.Y1, &line.X2, &line.Y2};
        constexpr const char* kNames[] = {"X1", "Y1", "X2", "Y2"};
        for (std::size_t c = 0; c < 4; ++c) {
            const FileNumber read = ParseFileNumber(fields[1 + c].text, *xy[c]);
            if (read == FileNumber::TooLarge)
                return Outcome::Fail(TooLargeText(path, rows.number(), 2 + c, kNames[c], fields[1 + c].text) + ".");
            if (read != FileNumber::Read)
                return Outcome::Fail("Row " + NumText(rows.number()) + " of " + path +
                                     " holds a field that is not a number.");
        }
        if (const std::string_view tag = TagOf(fields[0]); tag != "MHB") {
            stopped(k + 1, "has the tag \"" + RowExcerpt(tag) + "\" where \"MHB\" belongs");
            break;
        }
    }
    return Outcome::Ok();
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// NameFault of the line row holding bytes[at], or "" when that row is no
// line row or the byte lies outside its names.
std::string NameFaultAt(const std::string& path, std::string_view bytes, std::size_t at) {
    RowReader rows(bytes);
    std::string_view row;
    bool ended = false;
    std::vector<Field> fields;
    while (rows.next(row, ended)) {
        if (static_cast<std::size_t>(row.data() + row.size() - bytes.data()) <= at) continue;
        SplitFields(row, kLineFields, fields);
        return IsLineTag(fields[0]) ? NameFault(path, rows.number(), fields) : std::string();
    }
    return {};
}

// The last line row a read took: its row number, how many fields it held,
// and whether a line end closed it.
struct LastLineRow {
    long long row = 0;
    std::size_t fields = 0;
    bool ended = true;
};

// Whether a line row follows in what is left of the rows.
bool LineRowFollows(RowReader rest) {
    std::string_view later;
    bool ended = false;
    std::vector<Field> fields;
    while (rest.next(later, ended)) {
        SplitFields(later, 1, fields);
        if (IsLineTag(fields[0])) return true;
    }
    return false;
}

// How many line rows follow before the first row that is not one: the lines
// a read would take, not the rows after its "END".
long long CountLineRows(RowReader rest) {
    std::string_view row;
    bool ended = false;
    long long n = 0;
    std::vector<Field> fields;
    while (rest.next(row, ended)) {
        SplitFields(row, 1, fields);
        if (!IsLineTag(fields[0])) break;
        ++n;
    }
    return n;
}

// Reads the line rows of bytes into lines 1.., setting LineCount as it goes,
// up to a row that is not a line row. Says whether that row was "END".
Outcome ReadLineRows(Model& m, const std::string& path, std::string_view bytes, LastLineRow& last,
                     bool& endRow) {
    int upper = std::min(m.LineUpper(), m.LinkUpper());
    RowReader rows(bytes);
    std::string_view row;
    bool ended = false;
    endRow = false;
    m.LineCount = 0;
    std::vector<Field> fields;
    for (int i = 1; rows.next(row, ended); ++i) {
        const long long r = rows.number();
        SplitFields(row, kLineFields, fields);
        if (!IsLineTag(fields[0])) {
            endRow = IsEndTag(fields[0]);
            if (endRow || !LineRowFollows(rows)) return Outcome::Ok();
            std::string warning = "Reading stopped at row " + NumText(r) + " \"" + RowExcerpt(row) +
                                  "\": the line rows after it were not read";
            AppendLog(m, warning);
            return Failed(m, warning);
        }
        if (i > upper) {
            // The tables grow with the file, up to the limit of any network.
            if (i > kMaxLineUpper) return Failed(m, TooManyLinesText(path, i + CountLineRows(rows)));
            m.FitLineTables(std::min<long long>(2LL * i, kMaxLineUpper));
            upper = std::min(m.LineUpper(), m.LinkUpper());
        }
        if (const std::string fault = NameFault(path, r, fields); !fault.empty()) {
            AppendLog(m, fault);
            return Failed(m, fault);
        }
        NumberFault fault;
        if (!StoreLineFields(m.Lines[i], fields, fault)) {
            if (fault.why == FileNumber::TooLarge)
                AppendLog(m, TooLargeText(path, r, fault.field + 1, kNumberFieldNames[fault.field - 3],
                                          fields[fault.field].text));
            else
                AppendLog(m, "Row " + NumText(r) + " of " + path + " holds a field that is not a number");
            return Failed(m, kOpenFailed);
        }
        m.LineCount = i;
        last = {r, fields.size(), ended};
    }
    return Outcome::Ok();
}

// A file the writer finished ends with "END"; one that does not, or whose
// last line row stops early, was most likely cut off on its way.
void NoteCutShort(Model& m, const std::string& path, const LastLineRow& last, bool endRow) {
    if (m.LineCount == 0 || last.row == 0 || endRow) return;
    if (last.fields < kLineFields)
        AppendLog(m, "Row " + NumText(last.row) + " of " + path + " holds " +
                         NumText(static_cast<long long>(last.fields)) + " of its " + NumText(kLineFields) +
                         " fields: the file may be cut short");
    else
        AppendLog(m, path + " has no \"END\" row after row " + NumText(last.row) +
                         (last.ended ? "" : ", which has no line end") + ": the file may be cut short");
}

// The ".cor" companion, when there is one.
Outcome ReadCompanionCoordinates(Model& m, const std::string& folder, const std::string& name) {
    for (const char* ext : {".cor", ".COR"}) {
        const std::string corPath = JoinFolder(folder, name + ext);
        struct stat st {};
        if (::stat(corPath.c_str(), &st) != 0) continue;
        if (Outcome cor = ReadCoordinates(m, corPath); !cor) {
            AppendLog(m, "The coordinates file could not be read: " + cor.message());
            return Failed(m, kOpenFailed);
        }
        break;
    }
    return Outcome::Ok();
}

}  // namespace

Outcome LoadNetworkText(Model& m, const std::string& path) {
    // Whatever lateral table there is describes some earlier network.
    m.LatCount = 0;

    std::string bytes;
    if (!ReadWholeFile(path, bytes).ok()) {
        m.LineCount = 0;
        return Failed(m, kOpenFailed);
    }
    if (const std::size_t at = FirstNonTextByte(bytes); at < bytes.size()) {
        m.LineCount = 0;
        // In a name, the row and the field are what the user must mend.
        if (const std::string fault = NameFaultAt(path, bytes, at); !fault.empty()) {
            AppendLog(m, fault);
            return Failed(m, fault);
        }
        AppendLog(m, path + " is not a network text file");
        return Failed(m, kOpenFailed);
    }
    // The old end-of-file mark ends the text, even right after a field.
    std::string_view text = bytes;
    while (!text.empty() && text.back() == '\x1A') text.remove_suffix(1);

    LastLineRow last;
    bool endRow = false;
    if (Outcome read = ReadLineRows(m, path, text, last, endRow); !read) return read;
    m.FitLineTables(m.LineCount);
    NoteCutShort(m, path, last, endRow);

    const std::string folder = m.ProjectFolder.empty() ? FolderOf(path) : m.ProjectFolder;
    const std::string name = m.ProjectName.empty() ? BaseName(path) : m.ProjectName;
    if (Outcome cor = ReadCompanionCoordinates(m, folder, name); !cor) return cor;

    std::string note;
    if (m.LineCount == 0) {
        note = "No line rows in " + path;
        AppendLog(m, note);
    }
    (void)SaveNetworkText(m, name + ".bak", folder);  // reports its own failure
    return Outcome::Ok(note);
}

}  // namespace vd
