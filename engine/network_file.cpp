#include "engine/network_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/atomic_save.h"
#include "engine/number_text.h"
#include "engine/whole_file.h"

namespace vd {

namespace {

constexpr std::size_t kPrintZone = 14;
constexpr const char* kOpenFailed = " Error in file open";
constexpr const char* kSubscript = "  Subscript out of range ";
constexpr int kLineFields = 12;

// ---------------------------------------------------------------- writing

// A text field as it goes into a row. Control bytes would break the row or
// put NULs into the file, so they go out as blanks. A comma or a quote would
// shift the fields on reading, and the reader skips the blanks before a
// field, so a text holding either, or beginning with a blank (" A" is another
// manhole than "A"), is quoted. The filler " 0" of a lateral or manhole type
// means none and stays as it always was.
std::string FieldText(std::string_view raw, bool mayBeNone = false) {
    std::string s(raw);
    bool quote = false;
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        if (c == ',' || c == '"') quote = true;
    }
    if (!s.empty() && s[0] == ' ') {
        const std::string bare = Trim(s);
        if (!bare.empty() && !(mayBeNone && bare == "0")) quote = true;
    }
    if (!quote) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q.push_back('"');
        q.push_back(c);
    }
    q.push_back('"');
    return q;
}

// The print form of a value, or where its seven digits would read back as
// another value, the fewest digits that do read back as it (at most nine).
// Written at out, which has room for 40 bytes, returning the end; the slow
// general way, for any value.
char* GeneralFileNumberDigits(float v, char* out) {
    char* end = std::to_chars(out, out + 40, static_cast<double>(v), std::chars_format::general, 7).ptr;
    float back = 0;
    if (std::from_chars(out, end, back).ec != std::errc() || back != v)
        end = std::to_chars(out, out + 40, v, std::chars_format::general).ptr;
    std::replace(out, end, 'e', 'E');
    return end;
}

constexpr std::uint64_t kTens[20] = {1ull,
                                     10ull,
                                     100ull,
                                     1000ull,
                                     10000ull,
                                     100000ull,
                                     1000000ull,
                                     10000000ull,
                                     100000000ull,
                                     1000000000ull,
                                     10000000000ull,
                                     100000000000ull,
                                     1000000000000ull,
                                     10000000000000ull,
                                     100000000000000ull,
                                     1000000000000000ull,
                                     10000000000000000ull,
                                     100000000000000000ull,
                                     1000000000000000000ull,
                                     10000000000000000000ull};

// Rounds a value to 9 - dropped significant digits, half to even, and says
// whether the result reads back as the value. The value is whole + rest /
// 2^shift units of its ninth significant digit; it reads back from any text
// less than half a gap away, or exactly half a gap when its binary digits end
// even (the reader rounds halves to even). gap is the gap between
// neighbouring values in those units times 2^shift.
template <int dropped>
bool RoundDropping(std::uint64_t whole, std::uint64_t rest, int shift, std::uint64_t gap, bool even,
                   std::uint64_t& r) {
    constexpr std::uint64_t step = kTens[dropped];
    r = whole / step;
    const std::uint64_t past = ((whole % step) << shift) + rest;  // how far the value lies above r
    const std::uint64_t span = step << shift, twicePast = 2 * past;
    // Bitwise rather than short-circuit: which way a value goes is chance, and
    // a guessed branch would be missed half the time.
    const bool up = (twicePast > span) | ((twicePast == span) & static_cast<bool>(r & 1));
    r += up;
    const std::uint64_t twiceOff = up ? 2 * span - twicePast : twicePast;
    return (twiceOff < gap) | (even & (twiceOff == gap));
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// GeneralFileNumberDigits, in whole-number arithmetic for the values a
// network holds: the seven-digit rounding when it reads back, written as
// seven digits are; else the eight- or nine-digit rounding that reads back
// first, which is then the shortest text, written as shortest texts are.
// Writes up to 40 bytes at out, of which the returned end tells the text.
char* FileNumberDigits(float v, char* out) {
    static_assert(std::endian::native == std::endian::little, "digits are put together a byte a lane");
    if (v == 0) {
        *out = '0';
        return out + 1;
    }
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    const int binary = static_cast<int>((bits >> 23) & 0xFF) - 127;  // 2^binary <= |v| < 2^(binary+1)
    const std::uint32_t fraction = bits & 0x7FFFFF;
    // Outside 2^-13 to 2^23 the whole numbers below need more than 64 bits;
    // at a power of two the gap below the value is half the gap above.
    if (binary < -13 || binary > 22 || fraction == 0) return GeneralFileNumberDigits(v, out);
    const std::uint32_t m = fraction | 0x800000;
    const int shift = 23 - binary;  // the value is m / 2^shift
    const int least = (binary * 1233) >> 12;  // floor(binary * log10(2)): the decimal exponent or one less
    // The value in units of its ninth significant digit, 10^(x-8): whole and
    // rest / 2^shift, all within 64 bits for the values taken here. Both
    // candidates for x are worked out and one is taken, without a branch.
    const std::uint64_t low = m * kTens[8 - least], high = m * kTens[7 - least];
    const bool above = (low >> shift) >= kTens[9];
    const std::uint64_t scaled = above ? high : low;
    int x = least + above;
    const std::uint64_t whole = scaled >> shift, rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t gap = kTens[8 - x];

    const bool even = (m & 1) == 0;
    std::uint64_t r7 = 0, r8 = 0, r9 = 0;
    const bool seven = RoundDropping<2>(whole, rest, shift, gap, even, r7);
    const bool eight = RoundDropping<1>(whole, rest, shift, gap, even, r8);
    RoundDropping<0>(whole, rest, shift, gap, even, r9);  // nine digits always read back
    // The digits padded to nine: the first rounding that reads back, picked
    // by masks.
    const std::uint64_t pick7 = 0 - static_cast<std::uint64_t>(seven);
    const std::uint64_t pick8 = 0 - static_cast<std::uint64_t>(eight & !seven);
    std::uint64_t r = (r7 * 100 & pick7) | (r8 * 10 & pick8) | (r9 & ~(pick7 | pick8));
    const int fixedBelow = 6 + seven;
    if (r == kTens[9]) {  // rounded up into the next decade
        r = kTens[8];
        ++x;
    }
    // The digits as text: r times 2^57 / 10^8 (rounded up, close enough for
    // nine digits) holds the first digit above bit 57 and the others as a
    // fraction below it, which each multiplication by 100 moves two digits
    // up. A digit a byte, the first in the lowest.
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 57) - 1;
    std::uint64_t y = r * 1441151881ull;
    const auto first = static_cast<char>('0' + (y >> 57));
    std::uint64_t rest8 = 0;  // digits 2 to 9 as text
    for (int pair = 0; pair < 4; ++pair) {
        y = (y & kFraction) * 100;
        std::uint16_t text = 0;
        std::memcpy(&text, kDigitPairs + 2 * (y >> 57), 2);
        rest8 |= static_cast<std::uint64_t>(text) << (16 * pair);
    }
    const std::uint64_t lanes = rest8 - 0x3030303030303030ull;  // the digits' values
    const int count = 9 - (lanes == 0 ? 8 : std::countl_zero(lanes) / 8);  // without trailing zeros
    const std::uint64_t head = static_cast<std::uint64_t>(first) | rest8 << 8;  // the first eight
    const auto ninth = static_cast<char>(rest8 >> 56);

    if (v < 0) *out++ = '-';
    if (x < 0) {  // "0.", the zeros, the digits; from 2^-13 up x is at least -4
        std::memcpy(out, "0.000000", 8);
        std::memcpy(out + 1 - x, &head, 8);
        out[9 - x] = ninth;
        return out + 1 - x + count;
    }
    if (x >= fixedBelow) {  // one digit, the point, the others and the exponent
        const std::uint64_t lead = static_cast<std::uint64_t>(first) | std::uint64_t{'.'} << 8 | rest8 << 16;
        std::memcpy(out, &lead, 8);
        std::memcpy(out + 8, reinterpret_cast<const char*>(&rest8) + 6, 2);
        out += count > 1 ? count + 1 : 1;
        const char exponent[4] = {'E', '+', '0', static_cast<char>('0' + x)};  // x is 6 at most here
        std::memcpy(out, exponent, 4);
        return out + 4;
    }
    // The whole part, the point and the decimals, all from the eight in hand
    // and the ninth.
    const int point = 8 * (x + 1);  // x + 1 is 7 at most
    const std::uint64_t below = (std::uint64_t{1} << point) - 1;
    const std::uint64_t lead = (head & below) | std::uint64_t{'.'} << point | (head & ~below) << 8;
    std::memcpy(out, &lead, 8);
    out[8] = static_cast<char>(head >> 56);
    out[9] = ninth;
    return out + x + 1 + (count > x + 1) * (count - x);  // the point only with decimals after it
}

// Whether a text field holds a byte below a blank, a comma or a quote, eight
// bytes at a time: each test leaves a high bit in the word when some byte
// passes it.
bool HoldsControlCommaOrQuote(std::string_view raw) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto any = [](std::uint64_t w) {
        const std::uint64_t comma = w ^ (kOnes * ','), quote = w ^ (kOnes * '"');
        return (((w - kOnes * 0x20) & ~w) | ((comma - kOnes) & ~comma) | ((quote - kOnes) & ~quote)) & kHighs;
    };
    const std::size_t n = raw.size();
    if (n < 8) {
        for (char c : raw)
            if (static_cast<unsigned char>(c) < 0x20 || c == ',' || c == '"') return true;
        return false;
    }
    std::uint64_t w = 0;
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        std::memcpy(&w, raw.data() + i, 8);
        if (any(w)) return true;
    }
    std::memcpy(&w, raw.data() + n - 8, 8);  // the last eight, overlapping the words before
    return any(w) != 0;
}

// FieldText written at p, returning the end; a field that needs neither
// blanks for control bytes nor quotes, as most do, goes in as it is.
char* PutField(char* p, std::string_view raw, bool mayBeNone = false) {
    bool plain = !HoldsControlCommaOrQuote(raw);
    if (plain && !raw.empty() && raw[0] == ' ') {
        std::string_view bare = raw;
        while (!bare.empty() && bare.front() == ' ') bare.remove_prefix(1);
        while (!bare.empty() && bare.back() == ' ') bare.remove_suffix(1);
        plain = bare.empty() || (mayBeNone && bare == "0");
    }
    if (plain) {
        std::memcpy(p, raw.data(), raw.size());
        return p + raw.size();
    }
    const std::string text = FieldText(raw, mayBeNone);
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// Never-assigned texts get what the saved file needs for reading back.
void FillUnassigned(LineRecord& line) {
    if (line.to.lessThanBlank()) line.to = "0 ";
    if (line.Latral.lessThanBlank()) line.Latral = " 0";
    if (line.MhType.lessThanBlank()) line.MhType = " 0";
}

// Room for the longest row: its four texts all quotes, doubled and quoted,
// and every number padded to its zone, with what the number writers may
// write beyond their text.
constexpr std::size_t kRowRoom =
    2 + 2 * (2 * FixedText<25>::Width + 3) + 7 * (kPrintZone + 48) + 2 * (kPrintZone + 2 * FixedText<40>::Width + 3) + 2;

// The row of a line written at p, which has kRowRoom bytes; returns its end.
char* PutLineRow(char* p, LineRecord& line) {
    FillUnassigned(line);
    char* const start = p;
    // Blanks up to the start of the next print zone after the print position.
    auto padToZone = [start](char* at) {
        const auto column = static_cast<std::size_t>(at - start);
        std::memset(at, ' ', kPrintZone);
        return at + ((column / kPrintZone + 1) * kPrintZone - column);
    };
    *p++ = 'L';
    *p++ = ',';
    if (line.From.unassigned()) {
        std::memset(p, ' ', line.From.Width);
        p += line.From.Width;
    } else {
        p = PutField(p, line.From.view());
    }
    *p++ = ',';
    p = PutField(p, line.to.view());
    *p++ = ',';
    for (float v : {line.Len, line.Gr1, line.Gr2, line.Inv1, line.Inv2, line.slope, line.Dia}) {
        p = padToZone(p);
        // An infinite or undefined value would make a file no reader accepts.
        if (!std::isfinite(v)) v = 0;
        // The print form: a blank before a number that is not negative, one after.
        if (!std::signbit(v) || v == 0) *p++ = ' ';
        p = FileNumberDigits(v, p);
        *p++ = ' ';
        *p++ = ',';
    }
    p = padToZone(p);
    p = PutField(p, line.Latral.view(), true);
    *p++ = ',';
    p = padToZone(p);
    p = PutField(p, line.MhType.view(), true);
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

// Every line 1..LineCount exactly once: lateral by lateral while a lateral
// table is current, then whatever the laterals did not reach.
std::vector<int> RowOrder(Model& m, bool logStops) {
    int count = std::clamp(m.LineCount, 0, std::min(m.LineUpper(), m.LinkUpper()));
    std::vector<bool> written(static_cast<std::size_t>(count) + 1, false);
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(count));
    auto write = [&](int i) {
        order.push_back(i);
        written[i] = true;
    };

    if (m.LatCount > 1) {
        for (int b = 1; b <= m.LatCount; ++b) {
            int first = m.Lat(b, LatFirst);
            if (first <= 0 || first > count || written[first]) continue;
            int last = m.Lat(b, LatLast);
            int cur = first;
            write(cur);
            while (cur != last) {
                int next = m.Links[cur].NextLine;
                if (next <= 0 || next > count || m.Links[next].UpLine != cur) break;
                if (written[next]) {
                    if (logStops)
                        AppendLog(m, "Lateral " + NumText(b) + " meets line " + NumText(next) +
                                         " again; the walk stops there");
                    break;
                }
                write(next);
                cur = next;
            }
        }
    }
    for (int i = 1; i <= count; ++i)
        if (!written[i]) write(i);
    return order;
}

// The rows in the writer's order, handed to `put` a block at a time: a large
// network is never held twice, as records and as one long text.
template <class Put>
void NetworkRows(Model& m, Put put) {
    constexpr std::size_t kBlock = 64 * 1024;
    std::vector<char> block(kBlock + kRowRoom);
    char* const begin = block.data();
    char* p = begin;
    for (int i : RowOrder(m, true)) {
        p = PutLineRow(p, m.Lines[i]);
        if (static_cast<std::size_t>(p - begin) >= kBlock) {
            put(std::string_view(begin, static_cast<std::size_t>(p - begin)));
            p = begin;
        }
    }
    std::memcpy(p, "END\r\n", 5);
    put(std::string_view(begin, static_cast<std::size_t>(p - begin) + 5));
}

// The shortest text that reads back as the same single-precision value.
std::string CoordinateText(float v) {
    if (!std::isfinite(v)) v = 0;
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string SaveMessage(int number) {
    switch (number) {
        case 51: return "Internal error";
        case 52: return "Bad file name or number";
        case 53: return "File NOT found";
        case 54: return "Bad file mode";
        case 55: return "File already open";
        case 56: return "FIELD statement active";
        case 57: return "Device I/O error";
        case 58: return "File already exists";
        case 59: return "Bad record length";
        case 61: return "Disk full";
        case 62: return "Input past end of file";
        case 63: return "Bad record number";
        case 75: return " Can not save backup on drive";
        default: return "Error # = " + NumText(number);
    }
}

// The error number the message table is chosen by, for a system error met
// while saving.
int ErrorNumber(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT: return 61;
        case EACCES:
        case EROFS:
        case EPERM:
        case EISDIR: return 75;
        case ENOENT:
        case ENOTDIR: return 76;  // the folder is missing
        case ENAMETOOLONG:
        case EINVAL: return 52;
        case EMFILE:
        case ENFILE: return 67;
        default: return 57;
    }
}

// Says a failed save: the message its error number chooses, and in the log
// which file was not saved.
Outcome SaidIfFailed(Model& m, Outcome saved, int err) {
    if (saved) return saved;
    AppendLog(m, saved.message());
    m.Ui->MessageBox(SaveMessage(ErrorNumber(err)));
    return saved;
}

// Writes the file through the one save of the program.
Outcome ReplaceFile(Model& m, const std::string& target, const std::string& bytes) {
    int err = 0;
    Outcome saved = SaveFileAtomically(target, bytes, &err);
    return SaidIfFailed(m, std::move(saved), err);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// ---------------------------------------------------------------- reading

struct Field {
    std::string_view text;  // into the row, or into `unquoted`
    std::string unquoted;   // a quoted field with its doubled quotes made single
    bool quoted = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Per byte of a word, the high bit set where the byte is not zero: exact for
// every byte, no carry crossing from one to the next.
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kByteOnes = 0x0101010101010101ull;
std::uint64_t NonZeroBytes(std::uint64_t w) { return (((w & kLow7) + kLow7) | w) & ~kLow7; }

// Where the first byte at or after pos that is no blank or tab is, or the
// row's end; eight bytes at a time while eight are left.
std::size_t SkipBlanks(std::string_view row, std::size_t pos) {
    for (; pos + 8 <= row.size(); pos += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, row.data() + pos, 8);
        const std::uint64_t other = NonZeroBytes(w ^ (kByteOnes * ' ')) & NonZeroBytes(w ^ (kByteOnes * '\t'));
        if (other) return pos + static_cast<std::size_t>(std::countr_zero(other)) / 8;
    }
    while (pos < row.size() && IsBlank(row[pos])) ++pos;
    return pos;
}

// Where the first comma at or after pos is, or the row's end; eight bytes at
// a time while eight are left.
std::size_t NextComma(std::string_view row, std::size_t pos) {
    for (; pos + 8 <= row.size(); pos += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, row.data() + pos, 8);
        const std::uint64_t commas = ~NonZeroBytes(w ^ (kByteOnes * ',')) & ~kLow7;
        if (commas) return pos + static_cast<std::size_t>(std::countr_zero(commas)) / 8;
    }
    while (pos < row.size() && row[pos] != ',') ++pos;
    return pos;
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

std::vector<Field> SplitFields(std::string_view row, std::size_t limit) {
    std::vector<Field> fields;
    SplitFields(row, limit, fields);
    return fields;
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

constexpr double kTensAsDouble[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number of a field as the writer writes it, an optional minus, digits
// and a point, at most 19 digits, trailing blanks, read in one pass: false,
// with out untouched, for anything else, which ParseNumber reads the general
// way. A mantissa of at most 2^53 and a power of ten up to 10^22 are exact in
// double precision, so one division rounds the number once into it. Rounding
// that into single precision rounds as the text itself would, unless the
// double lies exactly halfway between two singles: the 29 bits single
// precision drops are then 1 and 28 zeros.
bool ParsePlainDecimal(std::string_view s, float& out) {
    const char* p = s.data();
    const char* const end = p + s.size();
    const bool negative = p < end && *p == '-';
    p += negative;
    std::uint64_t whole = 0;
    const char* const first = p;
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
        whole = whole * 10 + static_cast<unsigned>(*p - '0');
    std::ptrdiff_t digits = p - first, decimals = 0;
    if (p < end && *p == '.') {
        const char* const point = ++p;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            whole = whole * 10 + static_cast<unsigned>(*p - '0');
        decimals = p - point;
        digits += decimals;
    }
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p != end || digits <= 0 || digits > 19 || decimals > 22 || whole > (std::uint64_t{1} << 53)) return false;
    if (whole == 0) {
        out = negative ? -0.0f : 0.0f;
        return true;
    }
    const double d = static_cast<double>(whole) / kTensAsDouble[decimals];
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    if ((bits & 0x1FFFFFFF) == 0x10000000 || d < FLT_MIN) return false;
    const auto v = static_cast<float>(d);
    out = negative ? -v : v;
    return true;
}

// A number field: blanks around it, sign, digits, one point, exponent with E
// or D. Empty is 0; anything else is not a number. Beyond the single-precision
// range fails.
bool ParseNumber(const Field& f, float& out) {
    if (ParsePlainDecimal(f.text, out)) return true;
    std::string_view s = f.text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) {
        out = 0;
        return true;
    }
    std::size_t i = 0;
    const bool negative = s[i] == '-';
    if (s[i] == '+' || s[i] == '-') ++i;
    const std::size_t mantissa = i;  // digits, one point, digits
    // The mantissa's digits as one whole number while at most 19 count, and
    // how many of them follow the point.
    std::uint64_t whole = 0;
    int counted = 0, afterPoint = 0;
    auto take = [&](char c) {
        if (whole == 0 && c == '0') return;
        whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        ++counted;
    };
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && counted < 19; ++i, digits = true) take(s[i]);
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true, counted = 99;
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && counted < 19; ++i, digits = true, ++afterPoint)
            take(s[i]);
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true, counted = 99;
    }
    if (!digits) return false;
    const std::size_t mantissaEnd = i;
    std::size_t exponent = i;  // sign and digits after the E or D
    int power = 0;  // the exponent's value, while it is small
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        exponent = ++i;
        const bool below = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        bool expDigits = false;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, expDigits = true)
            power = std::min(power * 10 + (s[i] - '0'), 10000);
        if (!expDigits) return false;
        if (below) power = -power;
    }
    if (i != s.size()) return false;
    // A mantissa of at most 2^53 and a power of ten up to 10^22 are exact in
    // double precision, so one multiplication or division rounds the number
    // once into it. Rounding that into single precision rounds as the text
    // itself would, unless the double lies exactly halfway between two
    // singles: the 29 bits single precision drops are then 1 and 28 zeros.
    // Halfway cases, and results too small for a normal single, take the
    // general way below.
    const int scale = power - afterPoint;
    if (counted <= 19 && whole <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
        if (whole == 0) {
            out = negative ? -0.0f : 0.0f;
            return true;
        }
        const double exact = static_cast<double>(whole);
        const double d = scale >= 0 ? exact * kTensAsDouble[scale] : exact / kTensAsDouble[-scale];
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000 && d >= FLT_MIN) {
            const auto v = static_cast<float>(d);
            out = negative ? -v : v;
            return true;
        }
    }
    // The number as from_chars reads it: "-", the mantissa, "e" and the
    // exponent; on the stack for any field a file of ours holds.
    const bool hasExponent = exponent > mantissaEnd;
    const std::size_t n =
        (negative ? 1 : 0) + (mantissaEnd - mantissa) + (hasExponent ? 1 + s.size() - exponent : 0);
    char small[64];
    std::string large;
    char* num = small;
    if (n > sizeof small) {
        large.resize(n);
        num = large.data();
    }
    char* put = num;
    if (negative) *put++ = '-';
    put = std::copy(s.data() + mantissa, s.data() + mantissaEnd, put);
    if (hasExponent) {
        *put++ = 'e';
        std::copy(s.data() + exponent, s.data() + s.size(), put);
    }
    // Read straight into single precision, rounded once: the writer's
    // shortest texts of the largest values (3.4028235E+38) lie a little
    // beyond FLT_MAX and still name it.
    float v = 0;
    auto res = std::from_chars(num, num + n, v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to hold: it is 0 in single precision; too large fails.
        if (std::string_view(num, n).find("e-") == std::string_view::npos) return false;
        v = 0;
    } else if (res.ec != std::errc() || res.ptr != num + n || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

// A text file holds no control bytes but tab, line ends, form feed and the
// old end-of-file mark. NULs are text here: older saves wrote never-assigned
// fields as NULs, and such files must still open.
bool LooksLikeText(std::string_view bytes) {
    // The allowed control bytes, a bit each.
    constexpr std::uint32_t kAllowed = 1u << 0 | 1u << '\t' | 1u << '\n' | 1u << '\f' | 1u << '\r' | 1u << 0x1A;
    auto foreign = [](unsigned char c) { return c < 0x20 && !(kAllowed >> c & 1); };
    // Eight bytes at a time, looking closer only at words that hold a byte
    // below a blank (a high bit survives in the test): in a text file, the
    // words with line ends.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, p + i, 8);
        if (((w - kOnes * 0x20) & ~w & kHighs) == 0) continue;
        for (std::size_t k = i; k < i + 8; ++k)
            if (foreign(p[k])) return false;
    }
    for (; i < n; ++i)
        if (foreign(p[i])) return false;
    return true;
}

std::string RowExcerpt(std::string_view row) {
    std::string s = Trim(row.substr(0, 200));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (s.size() > 40) s = s.substr(0, 40) + "...";
    return s;
}

bool IsLineTag(const Field& f) {
    std::string_view t = f.text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t == "L" || t == "l";
}

// Stores fields 2..12 of a line row present in the row; missing trailing
// fields keep what the line held. Returns false at a field that is not a number.
bool StoreLineFields(LineRecord& line, const std::vector<Field>& fields) {
    auto has = [&](std::size_t k) { return k < fields.size(); };
    if (has(1)) line.From = fields[1].text;
    if (has(2)) line.to = fields[2].text;
    float* numbers[] = {&line.Len, &line.Gr1, &line.Gr2, &line.Inv1, &line.Inv2, &line.slope, &line.Dia};
    for (std::size_t k = 0; k < 7; ++k) {
        if (!has(3 + k)) return true;
        if (!ParseNumber(fields[3 + k], *numbers[k])) return false;
    }
    if (has(10)) line.Latral = fields[10].text;
    if (has(11)) line.MhType = fields[11].text;
    return true;
}

// Shows the reader's message and ends the read with it.
Outcome Failed(Model& m, const std::string& message) {
    m.Ui->MessageBox(message);
    return Outcome::Fail(message);
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
    for (int k = 1; k <= m.LineCount; ++k) {
        if (!rows.next(row, ended) || row.find_first_not_of(' ') == std::string_view::npos) break;
        SplitFields(row, 5, fields);
        if (fields.size() < 5)
            return Outcome::Fail("Row " + NumText(rows.number()) + " of " + path + " holds fewer than 5 fields.");
        LineRecord& line = m.Lines[k];
        float* xy[] = {&line.X1, &line.Y1, &line.X2, &line.Y2};
        for (std::size_t c = 0; c < 4; ++c)
            if (!ParseNumber(fields[1 + c], *xy[c]))
                return Outcome::Fail("Row " + NumText(rows.number()) + " of " + path +
                                     " holds a field that is not a number.");
        std::string_view tag = fields[0].text;
        while (!tag.empty() && tag.front() == ' ') tag.remove_prefix(1);
        while (!tag.empty() && tag.back() == ' ') tag.remove_suffix(1);
        if (tag != "MHB") break;
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

}  // namespace

Outcome SaveNetworkText(Model& m, const std::string& fileName, const std::string& folder) {
    // The same save as every file's, fed as the rows are made. A file that
    // cannot be made is said by Commit; the rows are made all the same, as
    // they fill the never-assigned texts of the records.
    AtomicFileWriter file;
    (void)file.Open(JoinFolder(folder, fileName));
    NetworkRows(m, [&file](std::string_view block) { file.Write(block); });
    int err = 0;
    Outcome saved = file.Commit(&err);
    return SaidIfFailed(m, std::move(saved), err);
}

bool HasCoordinates(const Model& m) {
    int count = std::clamp(m.LineCount, 0, m.LineUpper());
    for (int i = 1; i <= count; ++i) {
        const LineRecord& l = m.Lines[i];
        if (l.X1 != 0 || l.Y1 != 0 || l.X2 != 0 || l.Y2 != 0) return true;
    }
    return false;
}

Outcome SaveCoordinatesText(Model& m, const std::string& fileName, const std::string& folder) {
    std::string bytes;
    for (int i : RowOrder(m, false)) {
        const LineRecord& l = m.Lines[i];
        bytes += "MHB";
        for (float v : {l.X1, l.Y1, l.X2, l.Y2}) bytes += "," + CoordinateText(v);
        bytes += "\r\n";
    }
    return ReplaceFile(m, JoinFolder(folder, fileName), bytes);
}

Outcome SaveProject(Model& m, const std::string& name, const std::string& folder) {
    const std::string asb = JoinFolder(folder, name + ".asb");
    if (!SaveNetworkText(m, name + ".asb", folder)) return Outcome::Fail("Not saved: " + asb);
    if (HasCoordinates(m)) {
        if (!SaveCoordinatesText(m, name + ".cor", folder))
            AppendLog(m, "Coordinates not saved: " + JoinFolder(folder, name + ".cor"));
        return Outcome::Ok();
    }
    for (const char* ext : {".cor", ".COR"}) {
        const std::string cor = JoinFolder(folder, name + ext);
        struct stat st {};
        if (::stat(cor.c_str(), &st) != 0) continue;
        const std::string aside = cor + ".bak";
        if (std::rename(cor.c_str(), aside.c_str()) == 0) {
            AppendLog(m, "The network has no plan coordinates: the older " + cor + " was moved to " + aside);
        } else {
            const std::string why = cor + " belongs to an older network and could not be moved aside: " +
                                    FileErrorText(errno) + ". Move it before the next Open.";
            AppendLog(m, why);
            m.Ui->MessageBox(why);
        }
    }
    return Outcome::Ok();
}

std::uint64_t NetworkFingerprint(const Model& m) {
    // FNV-1a over the fields the files hold.
    std::uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < n; ++k) h = (h ^ p[k]) * 1099511628211ull;
    };
    const int count = std::clamp(m.LineCount, 0, m.LineUpper());
    add(&count, sizeof count);
    for (int i = 1; i <= count; ++i) {
        const LineRecord& l = m.Lines[i];
        for (std::string_view t : {l.From.view(), l.to.view(), l.Latral.view(), l.MhType.view()})
            add(t.data(), t.size());
        for (float v : {l.Len, l.Gr1, l.Gr2, l.Inv1, l.Inv2, l.slope, l.Dia, l.X1, l.Y1, l.X2, l.Y2}) add(&v, sizeof v);
    }
    return h;
}

namespace {

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
    while (rest.next(later, ended))
        if (IsLineTag(SplitFields(later, 1)[0])) return true;
    return false;
}

// Reads the line rows of bytes into lines 1.., setting LineCount as it goes,
// up to a row that is not a line row. Says whether that row was "END".
Outcome ReadLineRows(Model& m, const std::string& path, std::string_view bytes, LastLineRow& last,
                     bool& endRow) {
    const int upper = std::min(m.LineUpper(), m.LinkUpper());
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
            endRow = UpperCase(Trim(fields[0].text)) == "END";
            if (endRow || !LineRowFollows(rows)) return Outcome::Ok();
            std::string warning = "Reading stopped at row " + NumText(r) + " \"" + RowExcerpt(row) +
                                  "\": the line rows after it were not read";
            AppendLog(m, warning);
            return Failed(m, warning);
        }
        if (i > upper) return Failed(m, kSubscript);
        if (!StoreLineFields(m.Lines[i], fields)) {
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
    if (!LooksLikeText(bytes)) {
        m.LineCount = 0;
        AppendLog(m, path + " is not a network text file");
        return Failed(m, kOpenFailed);
    }

    LastLineRow last;
    bool endRow = false;
    if (Outcome read = ReadLineRows(m, path, bytes, last, endRow); !read) return read;
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
