// The one reader/writer pair of the CAD document's DXF files, with the entity
// structure the plan exchange needs (block references with attributes,
// attribute definitions, extended data). The writer goes through dxflib's
// group writer into memory and saves the file in one piece; the reader splits
// the group pairs itself.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "cad/cad_document.h"
#include "cad/dxf_string_writer.h"
#include "engine/atomic_save.h"
#include "engine/whole_file.h"

namespace vd {

namespace {

constexpr double kPi = 3.14159265358979323846;

// AutoCAD text alignment <-> DXF horizontal (72) and vertical (73/74) codes.
const int kAlignH[15] = {0, 1, 2, 3, 4, 5, 0, 1, 2, 0, 1, 2, 0, 1, 2};
const int kAlignV[15] = {0, 0, 0, 0, 0, 0, 3, 3, 3, 2, 2, 2, 1, 1, 1};

int AlignmentOf(int h, int v) {
    if (v == 0) return (h >= 0 && h <= 5) ? h : 0;
    if (h < 0 || h > 2 || v < 1 || v > 3) return 0;
    for (int a = 6; a < 15; ++a)
        if (kAlignH[a] == h && kAlignV[a] == v) return a;
    return 0;
}

// An integer item of extended data as its code can hold it: 1071 a 32-bit,
// the others a 16-bit number. A value read from another file may lie beyond.
int WholeXNumber(const XDataItem& item) {
    const double limit = item.code == 1071 ? 2147483647.0 : 32767.0;
    double v = std::round(item.number);
    if (!(v >= -limit - 1)) return static_cast<int>(-limit - 1);
    if (v > limit) return static_cast<int>(limit);
    return static_cast<int>(v);
}

// The document as an R12 DXF, section by section.
class DxfWriter {
public:
    explicit DxfWriter(const CadDocument& doc) : doc_(doc) {}

    std::string run() {
        collectNames();
        header();
        tables();
        blocks();
        entities();
        w_.dxfEOF();
        return w_.take();
    }

private:
    // Layers and styles used by entities but never added go into the tables
    // too, so that every reader finds what the entities name.
    void collectNames() {
        for (const auto& l : doc_.Layers().all()) layers_.push_back(l->Name);
        for (const auto& st : doc_.TextStyles().all()) styles_.push_back(st->Name);
        for (const auto& b : doc_.Blocks().all())
            for (const auto& e : b->entities()) collect(*e);
    }
    void collect(const CadEntity& e) {
        if (!doc_.Layers().Find(e.layer()) && extraLayers_.insert(e.layer()).second) layers_.push_back(e.layer());
        if (e.kind == CadKind::Text || e.kind == CadKind::AttributeDef || e.kind == CadKind::Attribute) {
            const std::string& style = e.StyleName.empty() ? kStandard : e.StyleName;
            if (!doc_.TextStyles().Find(style) && extraStyles_.insert(style).second) styles_.push_back(style);
        }
        for (const auto& a : e.GetAttributes()) collect(*a);
    }

    void header() {
        w_.sectionHeader();
        w_.dxfString(9, "$ACADVER");
        w_.dxfString(1, "AC1009");
        w_.dxfString(9, "$DWGCODEPAGE");
        w_.dxfString(3, "ANSI_1252");
        w_.dxfString(9, "$INSBASE");
        w_.coord(10, 0, 0, 0);
        w_.sectionEnd();
    }

    void tables() {
        w_.sectionTables();
        lineTypes();
        layerTable();
        styleTable();
        appTable();
        w_.sectionEnd();
    }

    void lineTypes() {
        w_.tableLinetypes(1);
        w_.tableLinetypeEntry();
        w_.dxfString(2, "CONTINUOUS");
        w_.dxfInt(70, 0);
        w_.dxfString(3, "Solid line");
        w_.dxfInt(72, 65);
        w_.dxfInt(73, 0);
        w_.dxfReal(40, 0.0);
        w_.tableEnd();
    }

    void layerTable() {
        w_.tableLayers(static_cast<int>(layers_.size()));
        for (const auto& name : layers_) {
            const CadLayer* l = doc_.Layers().Find(name);
            int colour = l ? l->Color : 7;
            if (colour < 1 || colour > 255) colour = 7;
            w_.tableLayerEntry();
            w_.dxfString(2, name);
            w_.dxfInt(70, 0);
            w_.color(colour);
            w_.linetype("CONTINUOUS");
        }
        w_.tableEnd();
    }

    void styleTable() {
        w_.tableStyle(static_cast<int>(styles_.size()));
        for (const auto& name : styles_) {
            const CadTextStyle* st = doc_.TextStyles().Find(name);
            const std::string font = st ? st->fontFile() : "txt";
            w_.dxfString(0, "STYLE");
            w_.dxfString(2, name);
            w_.dxfInt(70, 0);
            w_.dxfReal(40, 0.0);
            w_.dxfReal(41, 1.0);
            w_.dxfReal(50, 0.0);
            w_.dxfInt(71, 0);
            w_.dxfReal(42, 0.2);
            w_.dxfString(3, font);
            w_.dxfString(4, "");
        }
        w_.tableEnd();
    }

    void appTable() {
        w_.tableAppid(static_cast<int>(doc_.RegisteredApps().size()));
        for (const auto& app : doc_.RegisteredApps()) {
            w_.tableAppidEntry();
            w_.dxfString(2, app);
            w_.dxfInt(70, 0);
        }
        w_.tableEnd();
    }

    void blocks() {
        w_.sectionBlocks();
        for (const auto& b : doc_.Blocks().all()) {
            if (b->IsModelSpace()) continue;
            bool hasAttdefs = false;
            for (const auto& e : b->entities()) hasAttdefs |= e->kind == CadKind::AttributeDef;
            w_.sectionBlockEntry();
            w_.dxfString(8, "0");
            w_.dxfString(2, b->Name);
            w_.dxfInt(70, hasAttdefs ? 2 : 0);  // 2: the block carries attribute definitions
            w_.coordTriplet(10, b->Origin.data());
            w_.dxfString(3, b->Name);
            for (const auto& e : b->entities()) entity(*e);
            w_.sectionBlockEntryEnd();
            w_.dxfString(8, "0");
        }
        w_.sectionEnd();
    }

    void entities() {
        w_.sectionEntities();
        for (const auto& e : doc_.ModelSpace().entities()) entity(*e);
        w_.sectionEnd();
    }

    // An R12 entity names its layer and, unless it follows the layer, its
    // colour. No line type group: dxflib's entityAttributes would add BYLAYER.
    void common(const CadEntity& e, const char* type, int colour) {
        w_.entity(type);
        w_.dxfString(8, e.layer());
        if (colour != 256) w_.color(colour);
    }
    void common(const CadEntity& e, const char* type) { common(e, type, e.Color); }

    void xdata(const CadEntity& e) {
        for (const auto& d : e.AllXData()) {
            for (const auto& item : d.items) {
                if (item.code >= 1000 && item.code <= 1009) w_.dxfString(item.code, item.text);
                else if (item.code >= 1060 && item.code <= 1071) w_.dxfInt(item.code, WholeXNumber(item));
                else w_.dxfReal(item.code, item.number);
            }
        }
    }

    void textAlign(const CadEntity& e, int verticalCode) {
        int a = (e.Alignment >= 0 && e.Alignment < 15) ? e.Alignment : 0;
        if (kAlignH[a] != 0) w_.dxfInt(72, kAlignH[a]);
        if (a != 0) w_.coordTriplet(11, e.TextAlignmentPoint.data());
        if (kAlignV[a] != 0) w_.dxfInt(verticalCode, kAlignV[a]);
    }

    void rotation(const CadEntity& e) {
        if (e.Rotation != 0) w_.dxfReal(50, e.Rotation * 180 / kPi);
    }

    // TEXT, ATTRIB and ATTDEF share their fields but for the order of the
    // tag and prompt.
    void textEntity(const CadEntity& e, const char* type) {
        common(e, type);
        w_.coordTriplet(10, e.InsertionPoint.data());
        w_.dxfReal(40, e.Height);
        w_.dxfString(1, e.TextString);
        if (e.kind == CadKind::AttributeDef) w_.dxfString(3, e.PromptString);
        if (e.kind != CadKind::Text) {
            w_.dxfString(2, e.TagString);
            w_.dxfInt(70, e.Mode & 0x0F);
        }
        rotation(e);
        w_.dxfString(7, e.StyleName);
        textAlign(e, e.kind == CadKind::Text ? 73 : 74);
        xdata(e);
    }

    void polyline(const CadEntity& e) {
        common(e, "POLYLINE");
        w_.dxfInt(66, 1);
        w_.coord(10, 0, 0, 0);
        w_.dxfInt(70, 0);
        xdata(e);
        for (size_t i = 0; i < e.Vertices.size(); ++i) {
            common(e, "VERTEX", 256);
            w_.coordTriplet(10, e.Vertices[i].data());
            std::array<double, 2> wd = i < e.Widths.size() ? e.Widths[i] : std::array<double, 2>{0, 0};
            if (wd[0] != 0) w_.dxfReal(40, wd[0]);
            if (wd[1] != 0) w_.dxfReal(41, wd[1]);
        }
        common(e, "SEQEND", 256);
    }

    void insert(const CadEntity& e) {
        auto attributes = e.GetAttributes();
        common(e, "INSERT");
        if (!attributes.empty()) w_.dxfInt(66, 1);
        w_.dxfString(2, e.Name);
        w_.coordTriplet(10, e.InsertionPoint.data());
        if (e.XScale != 1) w_.dxfReal(41, e.XScale);
        if (e.YScale != 1) w_.dxfReal(42, e.YScale);
        if (e.ZScale != 1) w_.dxfReal(43, e.ZScale);
        rotation(e);
        xdata(e);
        if (attributes.empty()) return;
        for (const auto& a : attributes) textEntity(*a, "ATTRIB");
        common(e, "SEQEND", 256);
    }

    void entity(const CadEntity& e) {
        switch (e.kind) {
        case CadKind::Line:
            common(e, "LINE");
            w_.coordTriplet(10, e.StartPoint.data());
            w_.coordTriplet(11, e.EndPoint.data());
            xdata(e);
            break;
        case CadKind::Text: textEntity(e, "TEXT"); break;
        case CadKind::Solid:
            common(e, "SOLID");
            for (int k = 0; k < 4; ++k) w_.coordTriplet(10 + k, e.Corners[static_cast<size_t>(k)].data());
            xdata(e);
            break;
        case CadKind::Circle:
            common(e, "CIRCLE");
            w_.coordTriplet(10, e.InsertionPoint.data());
            w_.dxfReal(40, e.Radius);
            xdata(e);
            break;
        case CadKind::Polyline: polyline(e); break;
        case CadKind::Insert: insert(e); break;
        case CadKind::AttributeDef: textEntity(e, "ATTDEF"); break;
        case CadKind::Attribute: break;  // written with its block reference
        }
    }

    inline static const std::string kStandard = "STANDARD";
    const CadDocument& doc_;
    DxfStringWriter w_;
    // The names of the tables written, in order: the drawing's own, then those
    // only entities name.
    std::vector<std::string> layers_, styles_;
    std::set<std::string, CadNameLess> extraLayers_, extraStyles_;
};

}  // namespace

std::string DxfText(const CadDocument& doc) { return DxfWriter(doc).run(); }

void SaveDxfDocument(const CadDocument& doc, const std::string& path) {
    Outcome saved = SaveFileAtomically(path, DxfText(doc));
    if (!saved) throw CadError(75, saved.message());
}

// ---------------------------------------------------------------- reading

namespace {

// A group pair: its code and its value line, which stays in the file's
// bytes while the drawing is read. Sixteen bytes, as a file may hold millions.
struct Pair {
    Pair(int code, std::string_view value) : data(value.data()), size(static_cast<uint32_t>(value.size())), code(code) {}
    std::string_view value() const { return {data, size}; }
    const char* data;
    uint32_t size;
    int code;
};

// What one drawing may hold, so that any file opens in bounded time and
// memory: the document keeps each object whole (about 700 bytes) and each
// group of extended data apart (over 100), so the objects (records opened by
// group code 0) and extended data groups (code 1001) a file may hold are
// bounded, by a number that grows with the file. The program's own records
// are 100 bytes long and more on average, so every drawing it saves opens
// again. A 10 MB file of the smallest objects, each on a layer of its own,
// then stays under 300 MB with the program around it.
constexpr std::size_t kMinRecordLimit = 200000;
constexpr std::size_t kBytesPerRecord = 48;
// Extended data of one object beyond AutoCAD's own limit, or of more
// applications than any program hangs on one object, is not read.
constexpr std::size_t kMaxXDataBytes = 16383;
constexpr std::size_t kMaxXDataApplications = 64;
// Texts on what was not read as it stands, listed one by one.
constexpr std::size_t kMaxWarnings = 20;

std::size_t RecordLimit(std::size_t fileBytes) { return std::max(kMinRecordLimit, fileBytes / kBytesPerRecord); }

// The group pairs of a DXF file: a code line (blanks around the number) and
// a value line (kept as it is but for its line end). Read here rather than
// by the library, whose entity handling trusts the counts a file states and
// whose fixed line buffer splits long values. Throws CadError on a code that
// is not a number, and on more objects and extended data groups than the
// file may hold, once all are counted: the pairs beyond the limit are not
// kept.
std::vector<Pair> ReadPairs(const std::string& bytes, const std::string& path) {
    std::vector<Pair> pairs;
    // One pair per two lines: the list is made its size at once, since a
    // list that doubles would for a moment hold one and a half times that.
    pairs.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) / 2 + 1);
    const std::size_t limit = RecordLimit(bytes.size());
    std::size_t objects = 0;
    size_t pos = 0, lineNo = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= bytes.size()) return false;
        size_t lf = bytes.find('\n', pos);
        size_t end = lf == std::string::npos ? bytes.size() : lf;
        line = std::string_view(bytes).substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = lf == std::string::npos ? bytes.size() : lf + 1;
        ++lineNo;
        return true;
    };
    std::string_view codeLine, value;
    while (nextLine(codeLine)) {
        size_t b = codeLine.find_first_not_of(" \t");
        size_t e = codeLine.find_last_not_of(" \t");
        if (b == std::string_view::npos) {
            // Blank lines after the last pair are no pair.
            if (bytes.find_first_not_of(" \t\r\n\x1A", pos) == std::string::npos) break;
            throw CadError(13, "\"" + path + "\" is damaged: line " + std::to_string(lineNo) + " holds no group code");
        }
        int code = 0;
        auto [end, ec] = std::from_chars(codeLine.data() + b, codeLine.data() + e + 1, code);
        if (ec != std::errc() || end != codeLine.data() + e + 1)
            throw CadError(13, "\"" + path + "\" is damaged: line " + std::to_string(lineNo) +
                                   " holds no group code");
        if (!nextLine(value)) break;
        if (value.size() > UINT32_MAX)
            throw CadError(13, "\"" + path + "\" is damaged: line " + std::to_string(lineNo) + " is longer than any value");
        objects += code == 0 || code == 1001;
        if (objects <= limit) pairs.push_back({code, value});
    }
    if (objects > limit)
        throw CadError(7, "\"" + path + "\" holds " + std::to_string(objects) + " objects and extended data groups; " +
                              "a drawing the program opens holds at most " + std::to_string(limit) + " (" +
                              std::to_string(kMinRecordLimit) + ", or one per " + std::to_string(kBytesPerRecord) +
                              " bytes of a larger file)");
    return pairs;
}

// Numbers of the file always use a '.', whatever the desktop's locale.
double Num(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    if (b < s.size() && s[b] == '+') ++b;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data() + b, s.data() + s.size(), v);
    (void)end;
    if (ec != std::errc()) return 0.0;
    return std::isfinite(v) ? v : 0.0;
}
int Int(std::string_view s) {
    double v = Num(s);
    if (v > 2147483647.0 || v < -2147483648.0) return 0;
    return static_cast<int>(v);
}

// Walks UTF-8 text, calling emit(code point) per character; a byte that is
// not part of a valid sequence is handed on as it is (as its own value).
template <class Emit>
void WalkUtf8(std::string_view s, Emit emit) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = n > 0 && i + static_cast<size_t>(n) <= s.size();
        unsigned cp = n > 1 ? c & (0x7F >> n) : c;
        for (int k = 1; ok && k < n; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            emit(static_cast<unsigned>(c));  // not UTF-8 after all: keep the byte
            ++i;
            continue;
        }
        emit(cp);
        i += static_cast<size_t>(n);
    }
}

// UTF-8 of newer files to the program's Latin-1; what Latin-1 lacks becomes
// '?', and `replaced` says so.
std::string Utf8ToLatin1(std::string_view s, bool& replaced) {
    std::string out;
    out.reserve(s.size());
    WalkUtf8(s, [&](unsigned cp) {
        if (cp > 0xFF) replaced = true;
        out += cp <= 0xFF ? static_cast<char>(cp) : '?';
    });
    return out;
}

// Files before 2007 hold their code page and write a character outside it
// as "\U+XXXX". The text in UTF-8, those escapes decoded; text without one
// is handed back as it is.
std::string DecodeUnicodeEscapes(std::string_view s) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    auto put = [](std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    };
    std::string out;
    out.reserve(s.size() + 8);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 6 < s.size() && s[i + 1] == 'U' && s[i + 2] == '+') {
            int d[4] = {hex(s[i + 3]), hex(s[i + 4]), hex(s[i + 5]), hex(s[i + 6])};
            if (d[0] >= 0 && d[1] >= 0 && d[2] >= 0 && d[3] >= 0) {
                put(out, static_cast<unsigned>(d[0] << 12 | d[1] << 8 | d[2] << 4 | d[3]));
                i += 6;
                continue;
            }
        }
        put(out, static_cast<unsigned char>(s[i]));
    }
    return out;
}

// The pairs of one record that are its own fields, or that are its extended
// data (from the first 1001 on, codes 1000 and up), walked in the file's
// list without a copy: a record may hold millions of them.
class RecordPairs {
public:
    RecordPairs() = default;
    RecordPairs(const Pair* first, const Pair* last, const Pair* xdataFrom, const Pair* embeddedFrom, bool xdata)
        : first_(first), last_(last), xdataFrom_(xdataFrom), embeddedFrom_(embeddedFrom), xdata_(xdata) {}

    class iterator {
    public:
        iterator(const RecordPairs* r, const Pair* p) : r_(r), p_(p) { skip(); }
        const Pair& operator*() const { return *p_; }
        iterator& operator++() {
            ++p_;
            skip();
            return *this;
        }
        bool operator!=(const iterator& o) const { return p_ != o.p_; }

    private:
        void skip() {
            while (p_ != r_->last_ && !r_->takes(*p_)) ++p_;
        }
        const RecordPairs* r_;
        const Pair* p_;
    };
    iterator begin() const { return {this, first_}; }
    iterator end() const { return {this, last_}; }

private:
    bool takes(const Pair& q) const {
        const bool extended = &q >= xdataFrom_ && q.code >= 1000;
        // An embedded object of newer files (from code 101 on) is not ours.
        return xdata_ ? extended : !extended && &q < embeddedFrom_;
    }
    const Pair* first_ = nullptr;
    const Pair* last_ = nullptr;
    const Pair* xdataFrom_ = nullptr;
    const Pair* embeddedFrom_ = nullptr;
    bool xdata_ = false;
};

struct RawEntity {
    std::string type;
    RecordPairs own;    // but the extended data
    RecordPairs xdata;  // from the first 1001 on
    std::vector<RawEntity> children;  // ATTRIB / VERTEX
};

// An entity's object coordinate system, from its extrusion direction (210,
// 220, 230) by the arbitrary axis rule: points the file gives in it are
// turned into world points here. The default (0, 0, 1) changes nothing.
struct Ocs {
    std::array<double, 3> ax{1, 0, 0}, ay{0, 1, 0}, n{0, 0, 1};
    bool identity = true;

    static Ocs Of(const RawEntity& r) {
        Ocs o;
        std::array<double, 3> n{0, 0, 1};
        for (const auto& q : r.own) {
            if (q.code == 210) n[0] = Num(q.value());
            else if (q.code == 220) n[1] = Num(q.value());
            else if (q.code == 230) n[2] = Num(q.value());
        }
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (!(len > 1e-12) || !std::isfinite(len) || (n[0] == 0 && n[1] == 0 && n[2] > 0)) return o;
        for (double& c : n) c /= len;
        auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
            return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        };
        auto unit = [](std::array<double, 3> v) {
            const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            for (double& c : v) c /= l;
            return v;
        };
        const bool nearZ = std::fabs(n[0]) < 1.0 / 64 && std::fabs(n[1]) < 1.0 / 64;
        o.ax = unit(cross(nearZ ? std::array<double, 3>{0, 1, 0} : std::array<double, 3>{0, 0, 1}, n));
        o.ay = unit(cross(n, o.ax));
        o.n = n;
        o.identity = false;
        return o;
    }

    CadPoint toWorld(const CadPoint& p) const {
        if (identity) return p;
        CadPoint w{};
        for (size_t k = 0; k < 3; ++k) w[k] = p[0] * ax[k] + p[1] * ay[k] + p[2] * n[k];
        return w;
    }
    // Plan direction of the system's X axis turned by `angle`.
    std::array<double, 2> direction(double angle) const {
        const double c = std::cos(angle), s = std::sin(angle);
        return {c * ax[0] + s * ay[0], c * ax[1] + s * ay[1]};
    }
    // Whether the system, seen from above, is mirrored.
    bool mirrored() const { return ax[0] * ay[1] - ax[1] * ay[0] < 0; }
};

class Reader {
public:
    Reader(std::vector<Pair> pairs, CadDocument& doc) : p_(std::move(pairs)), doc_(doc) {}

    void run() {
        bool sawEof = false, sawBlocks = false;
        while (i_ < p_.size()) {
            if (p_[i_].code == 0 && p_[i_].value() == "EOF") {
                sawEof = true;
                break;
            }
            if (p_[i_].code == 0 && p_[i_].value() == "SECTION" && i_ + 1 < p_.size() && p_[i_ + 1].code == 2) {
                const std::string_view name = p_[i_ + 1].value();
                i_ += 2;
                if (name == "HEADER") header();
                else if (name == "TABLES") tables();
                else if (name == "BLOCKS") {
                    blocks();
                    sawBlocks = true;
                }
                else if (name == "ENTITIES") entities(&doc_.ModelSpace(), "ENDSEC");
                else skipTo("ENDSEC");
                if (i_ < p_.size()) ++i_;  // ENDSEC
                continue;
            }
            ++i_;
        }
        if (!sawEof) throw CadError(62, "The DXF file ends early (no EOF): it is truncated or damaged");
        // Once, after every BLOCKS section a file may hold.
        if (sawBlocks) breakBlockCycles();
        for (const auto& [type, n] : skipped_)
            warn(std::to_string(n) + " " + type + " entit" + (n == 1 ? "y" : "ies") +
                                        " not read (not offered by this drawing)");
        for (const auto& [what, n] : changed_) warn(std::to_string(n) + " x " + what);
        if (unlisted_ > 0) doc_.loadWarnings.push_back("and " + std::to_string(unlisted_) + " more not listed here");
    }

private:
    // What could not be read as it stands: the first texts, then how many
    // more there were, so that a file of many faults is told in a few lines.
    void warn(std::string what) {
        if (doc_.loadWarnings.size() < kMaxWarnings) doc_.loadWarnings.push_back(std::move(what));
        else ++unlisted_;
    }

    std::string text(std::string_view v) const {
        std::string source;
        return text(v, source);
    }
    // The text, and the file's own text in UTF-8 when characters had to be
    // replaced.
    std::string text(std::string_view v, std::string& source) const {
        source.clear();
        const bool escaped = !utf8_ && v.find("\\U+") != std::string_view::npos;
        if (!utf8_ && !escaped) return std::string(v);
        bool replaced = false;
        const std::string utf8 = escaped ? DecodeUnicodeEscapes(v) : std::string(v);
        std::string out = Utf8ToLatin1(utf8, replaced);
        if (replaced) source = utf8;
        return out;
    }

    void skipTo(const char* marker) {
        while (i_ < p_.size() && !(p_[i_].code == 0 && p_[i_].value() == marker)) {
            if (p_[i_].code == 0 && p_[i_].value() == "EOF") return;
            ++i_;
        }
    }

    void header() {
        while (i_ < p_.size() && !(p_[i_].code == 0)) {
            if (p_[i_].code == 9 && p_[i_].value() == "$ACADVER" && i_ + 1 < p_.size()) {
                const std::string_view v = p_[i_ + 1].value();
                // AC1021 (2007) and later files hold UTF-8.
                utf8_ = v.size() >= 6 && v.compare(0, 2, "AC") == 0 && Int(v.substr(2)) >= 1021;
            }
            ++i_;
        }
    }

    void tables() {
        while (i_ < p_.size() && !(p_[i_].code == 0 && (p_[i_].value() == "ENDSEC" || p_[i_].value() == "EOF"))) {
            if (p_[i_].code != 0) {
                ++i_;
                continue;
            }
            const std::string type(p_[i_].value());
            ++i_;
            std::map<int, std::string_view> f;
            while (i_ < p_.size() && p_[i_].code != 0) {
                f.try_emplace(p_[i_].code, p_[i_].value());
                ++i_;
            }
            if (!f.count(2) || f[2].empty()) continue;
            std::string name = text(f[2]);
            const bool style = type == "STYLE" && !(Int(f[70]) & 1);
            // Names the tables refuse are told without an exception each.
            if ((type == "LAYER" || style) && !CadNameRefusal(name, style ? "text style" : "layer").empty()) {
                warn(type + " \"" + name + "\" not read: its name is not allowed here");
            } else if (type == "LAYER") {
                CadLayer& l = doc_.Layers().Add(name);
                int c = std::abs(Int(f.count(62) ? f[62] : std::string_view("7")));
                l.Color = (c >= 1 && c <= 255) ? c : 7;
            } else if (style) {
                CadTextStyle& s = doc_.TextStyles().Add(name);
                if (f.count(3) && !f[3].empty()) s.fontFile_ = text(f[3]);
            } else if (type == "APPID") {
                doc_.RegisterApp(name);
            }
        }
    }

    // Every definition of the section exists before any is filled, so that a
    // block may hold a reference to one defined further down the file.
    void declareBlocks() {
        for (size_t k = i_; k < p_.size(); ++k) {
            if (p_[k].code != 0) continue;
            if (p_[k].value() == "ENDSEC" || p_[k].value() == "EOF") break;
            if (p_[k].value() != "BLOCK") continue;
            std::string name;
            CadPoint origin{0, 0, 0};
            for (++k; k < p_.size() && p_[k].code != 0; ++k) {
                const Pair& q = p_[k];
                if (q.code == 2) name = text(q.value());
                else if (q.code == 10) origin[0] = Num(q.value());
                else if (q.code == 20) origin[1] = Num(q.value());
                else if (q.code == 30) origin[2] = Num(q.value());
            }
            --k;
            // A name the table refuses is told when the definition itself is read.
            if (name.empty() || name[0] == '*' || !CadNameRefusal(name, "block").empty()) continue;
            doc_.Blocks().Add(origin, name);
        }
    }

    // A block reference that leads back to its own block, through other
    // blocks, would have every drawing of it run without end: it goes. A
    // walk through the references, depth first, meets each such loop as a
    // reference back to a block still open on the walk; only those go, so
    // every loop is cut once, and all in one pass over the references.
    void breakBlockCycles() {
        std::vector<const CadBlock*> blocks;
        std::unordered_map<const CadBlock*, std::size_t> number;
        for (const auto& b : doc_.Blocks().all()) {
            if (b->IsModelSpace()) continue;
            number[b.get()] = blocks.size();
            blocks.push_back(b.get());
        }
        const std::size_t n = blocks.size();
        std::vector<std::vector<std::pair<std::size_t, CadEntityPtr>>> refs(n);
        for (std::size_t v = 0; v < n; ++v)
            for (const auto& e : blocks[v]->entities()) {
                if (e->kind != CadKind::Insert) continue;
                const CadBlock* named = doc_.Blocks().Find(e->Name);
                if (!named) continue;
                if (auto w = number.find(named); w != number.end()) refs[v].emplace_back(w->second, e);
            }
        enum : char { kUnseen, kOpen, kDone };
        std::vector<char> state(n, kUnseen);
        std::vector<std::pair<std::size_t, std::size_t>> path;  // block, and the next of its references to follow
        for (std::size_t root = 0; root < n; ++root) {
            if (state[root] != kUnseen) continue;
            state[root] = kOpen;
            path.emplace_back(root, 0);
            while (!path.empty()) {
                auto& [v, k] = path.back();
                if (k == refs[v].size()) {
                    state[v] = kDone;
                    path.pop_back();
                    continue;
                }
                const auto& [w, e] = refs[v][k++];
                if (state[w] == kOpen) {
                    e->Erase();
                    ++skipped_["INSERT of a block that holds its own block"];
                } else if (state[w] == kUnseen) {
                    state[w] = kOpen;
                    path.emplace_back(w, 0);
                }
            }
        }
    }

    void blocks() {
        declareBlocks();
        while (i_ < p_.size() && !(p_[i_].code == 0 && (p_[i_].value() == "ENDSEC" || p_[i_].value() == "EOF"))) {
            if (!(p_[i_].code == 0 && p_[i_].value() == "BLOCK")) {
                ++i_;
                continue;
            }
            ++i_;
            std::string name;
            CadPoint origin{0, 0, 0};
            while (i_ < p_.size() && p_[i_].code != 0) {
                const Pair& q = p_[i_];
                if (q.code == 2) name = text(q.value());
                else if (q.code == 10) origin[0] = Num(q.value());
                else if (q.code == 20) origin[1] = Num(q.value());
                else if (q.code == 30) origin[2] = Num(q.value());
                ++i_;
            }
            CadBlock* target = nullptr;
            // Model and paper space records and anonymous blocks belong to the
            // writing program; the model space entities come from ENTITIES.
            if (!name.empty() && name[0] != '*') {
                if (CadNameRefusal(name, "block").empty()) target = &doc_.Blocks().Add(origin, name);
                else warn("Block \"" + name + "\" not read: its name is not allowed here");
            }
            entities(target, "ENDBLK");
            if (i_ < p_.size() && p_[i_].value() == "ENDBLK") {
                ++i_;
                while (i_ < p_.size() && p_[i_].code != 0) ++i_;
            }
        }
    }

    RawEntity rawEntity() {
        RawEntity r;
        r.type = p_[i_].value();
        ++i_;
        const Pair* first = p_.data() + i_;
        const Pair* xdataFrom = nullptr;
        const Pair* embeddedFrom = nullptr;
        while (i_ < p_.size() && p_[i_].code != 0) {
            const Pair* q = p_.data() + i_;
            if (q->code == 1001 && !xdataFrom) xdataFrom = q;
            if (q->code == 101 && !embeddedFrom) embeddedFrom = q;
            ++i_;
        }
        const Pair* last = p_.data() + i_;
        if (!xdataFrom) xdataFrom = last;
        if (!embeddedFrom) embeddedFrom = last;
        r.own = RecordPairs(first, last, xdataFrom, embeddedFrom, false);
        r.xdata = RecordPairs(first, last, xdataFrom, embeddedFrom, true);
        return r;
    }

    void entities(CadBlock* target, const char* endMarker) {
        while (i_ < p_.size()) {
            if (p_[i_].code != 0) {
                ++i_;
                continue;
            }
            const std::string_view v = p_[i_].value();
            if (v == endMarker || v == "ENDSEC" || v == "EOF" || v == "ENDBLK") return;
            RawEntity r = rawEntity();
            if (r.type == "POLYLINE" || (r.type == "INSERT" && has66(r))) {
                while (i_ < p_.size() && p_[i_].code == 0 && (p_[i_].value() == "VERTEX" || p_[i_].value() == "ATTRIB"))
                    r.children.push_back(rawEntity());
                if (i_ < p_.size() && p_[i_].code == 0 && p_[i_].value() == "SEQEND") rawEntity();
            }
            if (!target) continue;
            const int before = target->Count();
            std::string failed;
            try {
                build(*target, r);
                failed = std::move(refused_);
                refused_.clear();
            } catch (const CadError& err) {
                failed = err.what();
            }
            if (!failed.empty()) {
                // What the warning calls not read must not stay half-built.
                while (target->Count() > before) target->Item(target->Count() - 1)->Erase();
                ++skipped_[r.type + " (" + failed + ")"];
            }
        }
    }

    static bool has66(const RawEntity& r) {
        for (const auto& q : r.own)
            if (q.code == 66) return Int(q.value()) == 1;
        return false;
    }

    // A layer or text style name the drawing does not allow stops the
    // entity, as the document's refusal would, but without an exception: a
    // file may name hundreds of thousands. The caller returns at once.
    bool refuse(std::string_view name, std::string_view table) {
        refused_ = CadNameRefusal(name, table);
        return !refused_.empty();
    }

    void common(CadEntity& e, const RawEntity& r) {
        for (const auto& q : r.own) {
            if (q.code == 8 && !q.value().empty()) {
                const std::string layer = text(q.value());
                if (refuse(layer, "layer")) return;
                e.setLayer(layer);
            } else if (q.code == 62) {
                e.Color = Int(q.value());
            }
        }
    }

    void textFields(CadEntity& e, const RawEntity& r, int verticalCode) {
        int h = 0, vAlign = 0;
        bool alignPoint = false;
        for (const auto& q : r.own) {
            switch (q.code) {
            case 10: e.InsertionPoint[0] = Num(q.value()); break;
            case 20: e.InsertionPoint[1] = Num(q.value()); break;
            case 30: e.InsertionPoint[2] = Num(q.value()); break;
            case 11: e.TextAlignmentPoint[0] = Num(q.value()); alignPoint = true; break;
            case 21: e.TextAlignmentPoint[1] = Num(q.value()); break;
            case 31: e.TextAlignmentPoint[2] = Num(q.value()); break;
            case 40: e.Height = Num(q.value()); break;
            case 50: e.Rotation = Num(q.value()) * kPi / 180; break;
            case 7: e.StyleName = text(q.value()); break;
            case 1: e.TextString = text(q.value(), e.TextStringSource); break;
            case 72: h = Int(q.value()); break;
            default:
                if (q.code == verticalCode) vAlign = Int(q.value());
            }
        }
        e.Alignment = AlignmentOf(h, vAlign);
        if (!alignPoint) e.TextAlignmentPoint = e.InsertionPoint;
        if (!e.StyleName.empty()) {
            if (refuse(e.StyleName, "text style")) return;
            doc_.TextStyles().Add(e.StyleName);
        }
        const Ocs ocs = Ocs::Of(r);
        if (ocs.identity) return;
        e.InsertionPoint = ocs.toWorld(e.InsertionPoint);
        e.TextAlignmentPoint = ocs.toWorld(e.TextAlignmentPoint);
        const auto d = ocs.direction(e.Rotation);
        e.Rotation = std::atan2(d[1], d[0]);
    }

    // A block reference placed in a turned or mirrored system: its point in
    // world terms, its rotation as seen from above, and a mirror as a negative
    // X scale.
    static void placeInWorld(CadEntity& ref, const Ocs& ocs) {
        if (ocs.identity) return;
        ref.InsertionPoint = ocs.toWorld(ref.InsertionPoint);
        auto d = ocs.direction(ref.Rotation);
        if (ocs.mirrored()) {
            ref.XScale = -ref.XScale;
            d = {-d[0], -d[1]};
        }
        ref.Rotation = std::atan2(d[1], d[0]);
    }

    void xdata(CadEntity& e, const RawEntity& r) {
        std::size_t bytes = 0, applications = 0;
        for (const auto& q : r.xdata) {
            // Each item counts two bytes for its code besides its value, so
            // that empty items cannot run to millions.
            bytes += 2 + q.value().size();
            applications += q.code == 1001;
        }
        if (bytes > kMaxXDataBytes || applications > kMaxXDataApplications) {
            ++changed_["object whose extended data (over 16 KB, or of over 64 applications) was not read"];
            return;
        }
        std::vector<int16_t> codes;
        std::vector<XValue> values;
        std::vector<std::pair<size_t, std::string>> sources;  // items whose text was changed
        auto flush = [&] {
            // Data the entity refuses (no application name, a code of no
            // value type) is told without an exception per group.
            const bool malformed =
                !codes.empty() && (std::get<std::string>(values[0]).empty() ||
                                   std::any_of(codes.begin(), codes.end(), [](int16_t c) { return c > 1042 && c < 1060; }));
            if (malformed) {
                warn("Extended data of an entity not read: malformed");
            } else if (!codes.empty()) {
                try {
                    e.SetXData(codes, values);
                    const std::string app = std::get<std::string>(values[0]);
                    for (const auto& [item, source] : sources) e.setXDataSource(app, item, source);
                } catch (const CadError&) {
                    warn("Extended data of an entity not read: malformed");
                }
            }
            codes.clear();
            values.clear();
            sources.clear();
        };
        for (const auto& q : r.xdata) {
            if (q.code == 1001) {
                flush();
                codes.push_back(1001);
                values.emplace_back(std::in_place_index<0>, text(q.value()));
            } else if (codes.empty()) {
                continue;
            } else if (q.code >= 1000 && q.code <= 1009) {
                std::string source;
                codes.push_back(static_cast<int16_t>(q.code));
                values.emplace_back(std::in_place_index<0>, text(q.value(), source));
                if (!source.empty()) sources.emplace_back(values.size() - 1, std::move(source));
            } else if (q.code >= 1010 && q.code <= 1071) {
                codes.push_back(static_cast<int16_t>(q.code));
                values.emplace_back(std::in_place_index<1>, Num(q.value()));
            }
        }
        flush();
    }

    void point(CadPoint& p, const Pair& q, int base) {
        int k = (q.code - base) / 10;
        if (k >= 0 && k < 3 && (q.code - base) % 10 == 0) p[static_cast<size_t>(k)] = Num(q.value());
    }

    // A block reference with the attributes the file gives it.
    CadEntityPtr buildInsert(CadBlock& target, const RawEntity& r) {
        std::string name;
        for (const auto& q : r.own)
            if (q.code == 2) name = text(q.value());
        const CadBlock* def = name.empty() || name[0] == '*' ? nullptr : doc_.Blocks().Find(name);
        if (!def) {
            ++skipped_["INSERT of a block not defined in the file"];
            return nullptr;
        }
        if (def == &target) {
            refused_ = "A block cannot hold a reference to itself";
            return nullptr;
        }
        // The reference holds the attributes the file gives it, not those
        // of the definition, as the file is what the user saved.
        CadEntityPtr ref = target.AddBlockReference(name);
        for (const auto& q : r.own) {
            point(ref->InsertionPoint, q, 10);
            if (q.code == 41) ref->XScale = Num(q.value());
            if (q.code == 42) ref->YScale = Num(q.value());
            if (q.code == 43) ref->ZScale = Num(q.value());
            if (q.code == 50) ref->Rotation = Num(q.value()) * kPi / 180;
        }
        placeInWorld(*ref, Ocs::Of(r));
        for (const auto& a : r.children) {
            auto att = std::make_shared<CadEntity>(CadKind::Attribute, &doc_, nullptr);
            common(*att, a);
            if (!refused_.empty()) return nullptr;
            textFields(*att, a, 74);
            if (!refused_.empty()) return nullptr;
            for (const auto& q : a.own) {
                if (q.code == 2) att->TagString = text(q.value());
                if (q.code == 70) att->Mode = Int(q.value());
            }
            xdata(*att, a);
            ref->attributeList().push_back(att);
        }
        return ref;
    }

    // POLYLINE with its VERTEX records, or LWPOLYLINE. The document holds open
    // outlines of straight segments: a closed one or one with arcs is read as
    // that, and the loss is reported.
    CadEntityPtr buildPolyline(CadBlock& target, const RawEntity& r) {
        const std::string& t = r.type;
        // Made their size at once and handed to the entity as they are: a
        // polyline may have millions of points.
        std::vector<CadPoint> points;
        std::vector<std::array<double, 2>> widths;
        int flags = 0;
        double elevation = 0;
        bool arcs = false;
        std::size_t count = 0;
        for (const auto& q : r.own) {
            if (q.code == 70) flags = Int(q.value());
            if (q.code == 38) elevation = Num(q.value());
            count += q.code == 10;
        }
        if (t == "POLYLINE") count = r.children.size();
        points.reserve(count);
        widths.reserve(count);
        if (t == "POLYLINE") {
            for (const auto& v : r.children) {
                CadPoint p{0, 0, 0};
                std::array<double, 2> w{0, 0};
                for (const auto& q : v.own) {
                    point(p, q, 10);
                    if (q.code == 40) w[0] = Num(q.value());
                    if (q.code == 41) w[1] = Num(q.value());
                    if (q.code == 42 && Num(q.value()) != 0) arcs = true;
                }
                points.push_back(p);
                widths.push_back(w);
            }
        } else {
            for (const auto& q : r.own) {
                if (q.code == 10) {
                    points.push_back({Num(q.value()), 0, elevation});
                    widths.push_back({0, 0});
                } else if (q.code == 20 && !points.empty()) {
                    points.back()[1] = Num(q.value());
                } else if ((q.code == 40 || q.code == 41) && !widths.empty()) {
                    widths.back()[q.code == 40 ? 0 : 1] = Num(q.value());
                } else if (q.code == 42 && Num(q.value()) != 0) {
                    arcs = true;
                }
            }
        }
        if (points.size() < 2) {
            ++skipped_[t + " (fewer than two points)"];
            return nullptr;
        }
        // 3D polylines and meshes give world points; the others lie in their
        // object system.
        if (!(t == "POLYLINE" && (flags & (8 | 16 | 64)))) {
            const Ocs ocs = Ocs::Of(r);
            for (CadPoint& p : points) p = ocs.toWorld(p);
        }
        if (flags & 1) ++changed_["closed " + t + " read as an open one"];
        if (arcs) ++changed_[t + " with arcs read with straight segments"];
        CadEntityPtr e = target.AddPolyline({0, 0, 0, 0, 0, 0});
        e->Vertices = std::move(points);
        e->Widths = std::move(widths);
        return e;
    }

    void build(CadBlock& target, const RawEntity& r) {
        const std::string& t = r.type;
        CadEntityPtr e;
        if (t == "LINE") {
            e = target.AddLine({0, 0, 0}, {0, 0, 0});
            for (const auto& q : r.own) {
                point(e->StartPoint, q, 10);
                point(e->EndPoint, q, 11);
            }
        } else if (t == "TEXT") {
            e = target.AddText("", {0, 0, 0}, 1);
            textFields(*e, r, 73);
            if (!refused_.empty()) return;
        } else if (t == "SOLID") {
            e = target.AddSolid({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
            for (const auto& q : r.own)
                for (int k = 0; k < 4; ++k) point(e->Corners[static_cast<size_t>(k)], q, 10 + k);
            const Ocs ocs = Ocs::Of(r);
            for (auto& c : e->Corners) c = ocs.toWorld(c);
        } else if (t == "CIRCLE") {
            e = target.AddCircle({0, 0, 0}, 1);
            for (const auto& q : r.own) {
                point(e->InsertionPoint, q, 10);
                if (q.code == 40) e->Radius = Num(q.value());
            }
            e->InsertionPoint = Ocs::Of(r).toWorld(e->InsertionPoint);
        } else if (t == "POLYLINE" || t == "LWPOLYLINE") {
            e = buildPolyline(target, r);
            if (!e) return;
        } else if (t == "INSERT") {
            e = buildInsert(target, r);
            if (!e) return;
        } else if (t == "ATTDEF") {
            std::string tag, prompt;
            for (const auto& q : r.own) {
                if (q.code == 2) tag = text(q.value());
                if (q.code == 3) prompt = text(q.value());
            }
            if (tag.empty() || tag.find(' ') != std::string::npos) {
                ++skipped_["ATTDEF without a usable tag"];
                return;
            }
            e = target.AddAttribute(1, 0, prompt, {0, 0, 0}, tag, "");
            textFields(*e, r, 74);
            if (!refused_.empty()) return;
            for (const auto& q : r.own)
                if (q.code == 70) e->Mode = Int(q.value());
        } else {
            ++skipped_[t];
            return;
        }
        for (const auto& q : r.own)
            if (q.code == 67 && Int(q.value()) == 1) {
                // Paper space belongs to layouts this drawing does not offer.
                e->Erase();
                ++skipped_[t + " in paper space"];
                return;
            }
        common(*e, r);
        if (!refused_.empty()) return;
        xdata(*e, r);
    }

    std::vector<Pair> p_;
    CadDocument& doc_;
    size_t i_ = 0;
    bool utf8_ = false;
    std::map<std::string, int> skipped_;
    std::map<std::string, int> changed_;
    std::size_t unlisted_ = 0;
    std::string refused_;  // why the entity being built cannot be taken over
};

}  // namespace

std::string DescribeUtf8(std::string_view utf8) {
    std::string out;
    WalkUtf8(utf8, [&](unsigned cp) {
        if (cp <= 0xFF) {
            out += static_cast<char>(cp);
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "<U+%04X>", cp);
            out += buf;
        }
    });
    return out;
}

std::unique_ptr<CadDocument> LoadDxfDocument(const std::string& path, CadApplication* app) {
    std::string bytes;
    if (Outcome read = ReadWholeFile(path, bytes); !read) throw CadError(53, read.message());
    if (bytes.rfind("AutoCAD Binary DXF", 0) == 0)
        throw CadError(13, "\"" + path + "\" is a binary DXF file; save it as an ASCII DXF and open that");
    if (bytes.find('\0') != std::string::npos)
        throw CadError(13, "\"" + path + "\" is not a DXF file (it holds binary data)");

    // The pairs are views into the bytes, which stay until the drawing is read.
    std::vector<Pair> pairs = ReadPairs(bytes, path);
    if (pairs.empty() || (pairs.front().code != 0 && pairs.front().code != 999))
        throw CadError(13, "\"" + path + "\" is not a DXF file");

    size_t slash = path.find_last_of('/');
    auto doc = std::make_unique<CadDocument>(app, slash == std::string::npos ? path : path.substr(slash + 1));
    doc->FullName = path;
    Reader reader(std::move(pairs), *doc);
    reader.run();
    if (!doc->loadWarnings.empty()) doc->incompleteSource = path;
    doc->setModified(false);
    return doc;
}

}  // namespace vd
