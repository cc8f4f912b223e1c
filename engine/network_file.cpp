#include "engine/network_file.h"

#include "engine/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "engine/number_text.h"

namespace vd {

namespace {

constexpr std::size_t kPrintZone = 14;
constexpr const char* kOpenFailed = " Error in file open";
constexpr const char* kSubscript = "  Subscript out of range ";

// ---------------------------------------------------------------- writing

// A text field as it goes into a row. Control bytes would break the row or
// put NULs into the file, so they go out as blanks. A comma or a quote would
// shift the fields on reading, so such a text is quoted.
std::string FieldText(std::string_view raw) {
    std::string s(raw);
    bool quote = false;
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        if (c == ',' || c == '"') quote = true;
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

// Blanks up to the start of the next print zone after the print position.
void PadToZone(std::string& row) {
    std::size_t next = (row.size() / kPrintZone + 1) * kPrintZone;
    row.append(next - row.size(), ' ');
}

// Never-assigned texts get what the saved file needs for reading back.
void FillUnassigned(LineRecord& line) {
    if (line.to.lessThanBlank()) line.to = "0 ";
    if (line.Latral.lessThanBlank()) line.Latral = " 0";
    if (line.MhType.lessThanBlank()) line.MhType = " 0";
}

std::string LineRow(LineRecord& line) {
    FillUnassigned(line);
    std::string row = "L,";
    row += line.From.unassigned() ? std::string(line.From.Width, ' ') : FieldText(line.From.view());
    row += ',';
    row += FieldText(line.to.view());
    row += ',';
    for (float v : {line.Len, line.Gr1, line.Gr2, line.Inv1, line.Inv2, line.slope, line.Dia}) {
        PadToZone(row);
        // An infinite or undefined value would make a file no reader accepts.
        if (!std::isfinite(v)) v = 0;
        // A decimal comma from the user's locale would split the field.
        std::string number = SinglePrintText(v);
        std::replace(number.begin(), number.end(), ',', '.');
        row += number;
        row += ',';
    }
    PadToZone(row);
    row += FieldText(line.Latral.view());
    row += ',';
    PadToZone(row);
    row += FieldText(line.MhType.view());
    row += "\r\n";
    return row;
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

std::string NetworkRows(Model& m) {
    std::string out;
    for (int i : RowOrder(m, true)) out += LineRow(m.Lines[i]);
    out += "END\r\n";
    return out;
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

// The runtime error number that a system error stands for.
int ErrorNumber(int err, bool onFolder) {
    switch (err) {
        case ENOSPC:
        case EDQUOT: return 61;
        case EACCES:
        case EROFS:
        case EPERM:
        case EISDIR: return 75;
        case ENOENT:
        case ENOTDIR: return onFolder ? 76 : 53;
        case ENAMETOOLONG:
        case EINVAL: return 52;
        case EMFILE:
        case ENFILE: return 67;
        default: return 57;
    }
}

// Writes bytes to a temporary file beside target and renames it over the
// target, so the old file stays whole until the new one is complete.
// Returns 0, or the runtime error number of the failure.
int ReplaceFile(const std::string& target, const std::string& bytes) {
    std::string tmp = target + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return ErrorNumber(errno, true);

    mode_t mode = 0;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    int failure = 0;
    std::size_t done = 0;
    while (done < bytes.size() && failure == 0) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno != EINTR) failure = ErrorNumber(errno, false);
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (failure == 0 && ::fsync(fd) != 0) failure = ErrorNumber(errno, false);
    if (::close(fd) != 0 && failure == 0) failure = ErrorNumber(errno, false);
    if (failure == 0 && ::rename(tmp.c_str(), target.c_str()) != 0) failure = ErrorNumber(errno, false);
    if (failure != 0) ::unlink(tmp.c_str());
    return failure;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// ---------------------------------------------------------------- reading

struct Field {
    std::string text;
    bool quoted = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Fields of one row as the input statement takes them: blanks before a field
// skipped, a field ends at a comma or the row's end, a quoted field may hold
// commas and doubled quotes. A row always has at least its tag field.
std::vector<Field> SplitFields(std::string_view row) {
    std::vector<Field> fields;
    std::size_t pos = 0;
    for (;;) {
        while (pos < row.size() && IsBlank(row[pos])) ++pos;
        Field f;
        if (pos < row.size() && row[pos] == '"') {
            f.quoted = true;
            ++pos;
            while (pos < row.size()) {
                if (row[pos] == '"') {
                    if (pos + 1 < row.size() && row[pos + 1] == '"') {
                        f.text.push_back('"');
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                f.text.push_back(row[pos++]);
            }
            while (pos < row.size() && row[pos] != ',') ++pos;
        } else {
            std::size_t end = row.find(',', pos);
            if (end == std::string_view::npos) end = row.size();
            f.text = std::string(row.substr(pos, end - pos));
            pos = end;
        }
        fields.push_back(std::move(f));
        if (pos >= row.size()) break;
        ++pos;  // the comma
    }
    return fields;
}

// Rows ending with CR LF, LF or CR; a final row needs no ending.
std::vector<std::string_view> SplitRows(std::string_view bytes) {
    std::vector<std::string_view> rows;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r') continue;
        rows.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) rows.push_back(bytes.substr(start));
    return rows;
}

// A number field: blanks around it, sign, digits, one point, exponent with E
// or D. Empty is 0; anything else is not a number. Out of Single range fails.
bool ParseNumber(const Field& f, float& out) {
    std::string s = Trim(f.text);
    while (!s.empty() && s.back() == '\t') s.pop_back();
    if (s.empty()) {
        out = 0;
        return true;
    }
    std::string num;
    std::size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        if (s[i] == '-') num.push_back('-');
        ++i;
    }
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') num.push_back(s[i++]), digits = true;
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') num.push_back(s[i++]), digits = true;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        num.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
        bool expDigits = false;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') num.push_back(s[i++]), expDigits = true;
        if (!expDigits) return false;
    }
    if (i != s.size()) return false;
    double v = 0;
    auto res = std::from_chars(num.data(), num.data() + num.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to hold: it is 0 as a Single anyway; too large fails below.
        if (num.find("e-") == std::string::npos) return false;
        v = 0;
    } else if (res.ec != std::errc() || res.ptr != num.data() + num.size()) {
        return false;
    }
    if (v > FLT_MAX || v < -FLT_MAX) return false;
    out = static_cast<float>(v);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    bytes.clear();
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// A text file holds no control bytes but tab, line ends, form feed and the
// old end-of-file mark. NULs are text here: older saves wrote never-assigned
// fields as NULs, and such files must still open.
bool LooksLikeText(std::string_view bytes) {
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\0' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) return false;
    }
    return true;
}

std::string RowExcerpt(std::string_view row) {
    std::string s = Trim(row);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (s.size() > 40) s = s.substr(0, 40) + "...";
    return s;
}

bool IsLineTag(const Field& f) { return UpperCase(Trim(f.text)) == "L"; }

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

LoadResult Failed(Model& m, LoadResult r, const std::string& message) {
    r.ok = false;
    r.truncated = true;
    r.linesRead = m.LineCount;
    r.message = message;
    m.Ui->MessageBox(message);
    return r;
}

enum class CorOutcome { Read, Absent, Failed };

// Plan coordinates of lines 1.. from the companion file, row k into line k.
CorOutcome ReadCoordinates(Model& m, const std::string& path) {
    std::string bytes;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return CorOutcome::Absent;
    if (!ReadWholeFile(path, bytes) || !LooksLikeText(bytes)) return CorOutcome::Failed;
    auto rows = SplitRows(bytes);
    for (int k = 1; k <= m.LineCount; ++k) {
        std::size_t r = static_cast<std::size_t>(k) - 1;
        if (r >= rows.size() || Trim(rows[r]).empty()) break;
        auto fields = SplitFields(rows[r]);
        if (fields.size() < 5) return CorOutcome::Failed;
        LineRecord& line = m.Lines[k];
        float* xy[] = {&line.X1, &line.Y1, &line.X2, &line.Y2};
        for (std::size_t c = 0; c < 4; ++c)
            if (!ParseNumber(fields[1 + c], *xy[c])) return CorOutcome::Failed;
        if (Trim(fields[0].text) != "MHB") break;
    }
    return CorOutcome::Read;
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

bool SaveNetworkText(Model& m, const std::string& fileName, const std::string& folder) {
    std::string bytes = NetworkRows(m);
    int failure = ReplaceFile(JoinFolder(folder, fileName), bytes);
    if (failure == 0) return true;
    m.Ui->MessageBox(SaveMessage(failure));
    return false;
}

bool HasCoordinates(const Model& m) {
    int count = std::clamp(m.LineCount, 0, m.LineUpper());
    for (int i = 1; i <= count; ++i) {
        const LineRecord& l = m.Lines[i];
        if (l.X1 != 0 || l.Y1 != 0 || l.X2 != 0 || l.Y2 != 0) return true;
    }
    return false;
}

bool SaveCoordinatesText(Model& m, const std::string& fileName, const std::string& folder) {
    std::string bytes;
    for (int i : RowOrder(m, false)) {
        const LineRecord& l = m.Lines[i];
        bytes += "MHB";
        for (float v : {l.X1, l.Y1, l.X2, l.Y2}) bytes += "," + CoordinateText(v);
        bytes += "\r\n";
    }
    int failure = ReplaceFile(JoinFolder(folder, fileName), bytes);
    if (failure == 0) return true;
    m.Ui->MessageBox(SaveMessage(failure));
    return false;
}

LoadResult LoadNetworkText(Model& m, const std::string& path) {
    LoadResult result;
    // Whatever lateral table there is describes some earlier network.
    m.LatCount = 0;

    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        m.LineCount = 0;
        return Failed(m, result, kOpenFailed);
    }
    if (!LooksLikeText(bytes)) {
        m.LineCount = 0;
        AppendLog(m, path + " is not a network text file");
        return Failed(m, result, kOpenFailed);
    }

    const int upper = std::min(m.LineUpper(), m.LinkUpper());
    auto rows = SplitRows(bytes);
    int i = 0;
    for (std::size_t r = 0;; ++r) {
        ++i;
        if (r >= rows.size()) {
            m.LineCount = i - 1;
            break;
        }
        auto fields = SplitFields(rows[r]);
        if (IsLineTag(fields[0])) {
            if (i > upper) {
                m.LineCount = i - 1;
                return Failed(m, result, kSubscript);
            }
            if (!StoreLineFields(m.Lines[i], fields)) {
                m.LineCount = i - 1;
                AppendLog(m, "Row " + NumText(static_cast<long long>(r) + 1) + " of " + path +
                                 " holds a field that is not a number");
                return Failed(m, result, kOpenFailed);
            }
            m.LineCount = i;
            continue;
        }
        m.LineCount = i - 1;
        if (UpperCase(Trim(fields[0].text)) != "END") {
            bool linesFollow = false;
            for (std::size_t k = r + 1; k < rows.size() && !linesFollow; ++k)
                linesFollow = IsLineTag(SplitFields(rows[k])[0]);
            if (linesFollow) {
                std::string warning = "Reading stopped at row " + NumText(static_cast<long long>(r) + 1) +
                                      " \"" + RowExcerpt(rows[r]) + "\": the line rows after it were not read";
                AppendLog(m, warning);
                return Failed(m, result, warning);
            }
        }
        break;
    }

    const std::string folder = m.ProjectFolder.empty() ? FolderOf(path) : m.ProjectFolder;
    const std::string name = m.ProjectName.empty() ? BaseName(path) : m.ProjectName;

    std::string corPath = JoinFolder(folder, name + ".cor");
    CorOutcome cor = ReadCoordinates(m, corPath);
    if (cor == CorOutcome::Absent) cor = ReadCoordinates(m, JoinFolder(folder, name + ".COR"));
    if (cor == CorOutcome::Failed) {
        AppendLog(m, "The coordinates file " + corPath + " could not be read");
        return Failed(m, result, kOpenFailed);
    }

    result.ok = true;
    result.linesRead = m.LineCount;
    if (m.LineCount == 0) {
        result.message = "No line rows in " + path;
        AppendLog(m, result.message);
    }
    SaveNetworkText(m, name + ".bak", folder);
    return result;
}

int ReplaceFileBytes(const std::string& target, const std::string& bytes) { return ReplaceFile(target, bytes); }
bool ReadFileBytes(const std::string& path, std::string& bytes) { return ReadWholeFile(path, bytes); }
std::string FileErrorText(int number) {
    switch (number) {
        case 52: return "Bad file name or number";
        case 53: return "File not found";
        case 61: return "Disk full";
        case 67: return "Too many files";
        case 75: return "Path/File access error";
        case 76: return "Path not found";
        default: return "Device I/O error";
    }
}

}  // namespace vd
