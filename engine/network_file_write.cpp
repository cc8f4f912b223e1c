// The network file's row writer: the "L" rows in the writer's order, the
// ".cor" companion, the project save and the network's digest. Fast because
// each row is put together in place in a block of bytes (fields copied as
// they are unless they need quotes, numbers through the fast number form) and
// the blocks go straight into the one atomic save, never held twice.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/atomic_save.h"
#include "engine/file_number.h"
#include "engine/name_bytes.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/word_scan.h"

namespace vd {

namespace {

constexpr std::size_t kPrintZone = 14;

// A text field as it goes into a row. Control bytes and DEL would break the
// row, put NULs into the file or make it one no reader opens, so they go
// out as blanks. A comma or a quote would
// shift the fields on reading, and the reader skips the blanks before a
// field, so a text holding either, or beginning with a blank (" A" is another
// manhole than "A"), is quoted. The filler " 0" of a lateral or manhole type
// means none and stays as it always was.
std::string FieldText(std::string_view raw, bool mayBeNone = false) {
    std::string s(raw);
    bool quote = false;
    for (char& c : s) {
        if (IsControlByte(static_cast<unsigned char>(c))) c = ' ';
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

// Whether a text field holds a control byte, a comma or a quote.
bool HoldsControlCommaOrQuote(std::string_view raw) {
    return word::FindMarked(raw, 0, [](std::uint64_t w) {
               return ControlBytesIn(w) | word::Equal(w, ',') | word::Equal(w, '"');
           }) != raw.size();
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

}  // namespace

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

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

}  // namespace vd
