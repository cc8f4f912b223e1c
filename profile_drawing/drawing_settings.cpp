#include "profile_drawing/drawing_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "cad/cad_document.h"
#include "engine/errors.h"
#include "engine/atomic_save.h"
#include "engine/name_bytes.h"
#include "engine/whole_file.h"
#include "engine/number_text.h"
#include "profile_drawing/output.h"

namespace vd {

namespace {

template <std::size_t N>
void PutText(std::string& out, const FixedText<N>& f) {
    out.append(f.data(), N);
}
template <std::size_t N>
void GetText(std::string_view in, std::size_t& at, FixedText<N>& f) {
    std::memcpy(f.data(), in.data() + at, N);
    at += N;
}
template <typename T>
void PutNumber(std::string& out, T v) {
    char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));  // little-endian on every supported machine
    out.append(b, sizeof(T));
}
template <typename T>
T GetNumber(std::string_view in, std::size_t at) {
    T v;
    std::memcpy(&v, in.data() + at, sizeof(T));
    return v;
}

std::string Record(const std::string& image) {
    std::string r = image;
    r.resize(kSettingsRecordBytes, '\0');
    return r;
}

// Writes the given records (1-based) into path, keeping the file's other bytes.
Outcome PutRecords(const std::string& path, const std::map<int, std::string>& records) {
    std::string bytes;
    std::error_code ec;
    if (!ReadWholeFile(path, bytes)) {
        // A file that is there but cannot be read must not be replaced by one record.
        if (std::filesystem::exists(path, ec))
            return Outcome::Fail("The drawing-settings file " + path + " cannot be read, so it is not written.");
        bytes.clear();
    }
    for (const auto& [n, image] : records) {
        const std::size_t at = static_cast<std::size_t>(n - 1) * kSettingsRecordBytes;
        if (bytes.size() < at + kSettingsRecordBytes) bytes.resize(at + kSettingsRecordBytes, '\0');
        bytes.replace(at, image.size(), image);
    }
    return SaveFileAtomically(path, bytes);
}

}  // namespace

namespace {

// How far a style's numbers may go: colours pass through 16-bit conversions,
// and no other style value comes near the second bound.
constexpr double kColourBound = 32767;
constexpr double kValueBound = 1e7;

// NUL is the filler of a text never assigned, not a character of it.
template <std::size_t N>
bool HoldsControlCharacters(const FixedText<N>& f) {
    const std::string_view t = f.view();
    return std::any_of(t.begin(), t.end(),
                       [](char c) { return c != '\0' && IsControlByte(static_cast<unsigned char>(c)); });
}

// Why a text the drawing reads numbers from cannot serve: every tail of it
// is read somewhere (after an "M", after its first character), so each must
// give a number within bound.
std::string NumberTextFault(std::string_view text, double bound) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        double v = 0;
        try {
            v = Val(text.substr(i));
        } catch (const RuntimeError&) {
            return "is a number too large to hold";
        }
        if (std::fabs(v) > bound) return "is a number out of the range a drawing style can use";
    }
    return {};
}

std::string Quoted(std::string_view t) {
    std::string out = "\"";
    for (char c : t)
        if (c != '\0') out.push_back(c);
    while (out.size() > 1 && out.back() == ' ') out.pop_back();
    return out + "\"";
}

}  // namespace

std::string StyleFieldFault(const ObjectStyle& s, int row, std::string* field) {
    auto fault = [&](const char* name, std::string why) {
        if (field) *field = name;
        return std::string(name) + " " + why;
    };
    const struct {
        const char* name;
        std::string_view text;
        bool control;
    } texts[] = {
        {"EntityName", s.EntityName.view(), HoldsControlCharacters(s.EntityName)},
        {"Visible", s.Visible.view(), HoldsControlCharacters(s.Visible)},
        {"HeightText", s.HeightText.view(), HoldsControlCharacters(s.HeightText)},
        {"StyleName", s.StyleName.view(), HoldsControlCharacters(s.StyleName)},
        {"HSpace", s.HSpace.view(), HoldsControlCharacters(s.HSpace)},
        {"RowLocate", s.RowLocate.view(), HoldsControlCharacters(s.RowLocate)},
    };
    for (const auto& t : texts)
        if (t.control) return fault(t.name, "holds control characters");
    // Row 0's style name is the selection-box colour, row 1's a text factor.
    for (const auto& t : texts) {
        const std::string_view name(t.name);
        const bool number = name == "HeightText" || name == "HSpace" || name == "RowLocate" ||
                            (name == "StyleName" && row <= 1);
        if (!number) continue;
        const double bound = name == "StyleName" && row == 0 ? kColourBound : kValueBound;
        if (std::string why = NumberTextFault(t.text, bound); !why.empty()) return fault(t.name, Quoted(t.text) + " " + why);
    }
    const struct {
        const char* name;
        float value;
        double bound;
    } numbers[] = {{"Color", s.Color, kColourBound},
                   {"VSpace", s.VSpace, kValueBound},
                   {"DivideLen", s.DivideLen, kValueBound},
                   {"TextHeight", s.TextHeight, kValueBound},
                   {"Rotate", s.Rotate, kValueBound}};
    for (const auto& n : numbers) {
        if (!std::isfinite(n.value)) return fault(n.name, "is not a number");
        if (std::fabs(n.value) > n.bound) return fault(n.name, FloatText(n.value) + " is out of the range a drawing style can use");
    }
    return {};
}

std::string SettingsFileDamage(const std::string& bytes) {
    if (bytes.size() < static_cast<std::size_t>(kStyleRecords) * kSettingsRecordBytes)
        return "it is shorter than its " + std::to_string(kStyleRecords) + " style records";
    if (bytes.size() > static_cast<std::size_t>(kSettingsRecords) * kSettingsRecordBytes)
        return "it is longer than a drawing-settings file can be";
    for (int r = 0; r < kStyleRecords; ++r) {
        const ObjectStyle s = StyleFromImage(std::string_view(bytes).substr(static_cast<std::size_t>(r) * kSettingsRecordBytes));
        if (std::string why = StyleFieldFault(s, r); !why.empty())
            return "style row " + std::to_string(r) + " (record " + std::to_string(r + 1) + "), field " + why;
    }
    return {};
}

Outcome ReadSettingsFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return Outcome::Fail(path + " cannot be looked at: " + ec.message() + ".");
    switch (st.type()) {
        case fs::file_type::not_found: return Outcome::Fail(path + " does not exist.");
        case fs::file_type::directory: return Outcome::Fail(path + " is a folder, not a drawing-settings file.");
        case fs::file_type::fifo: return Outcome::Fail(path + " is a pipe (FIFO), not a drawing-settings file.");
        case fs::file_type::regular: break;
        default: return Outcome::Fail(path + " is a device or other special file, not a drawing-settings file.");
    }
    // The size first: a file far too large is refused before it is read.
    const auto size = fs::file_size(path, ec);
    const std::size_t most = static_cast<std::size_t>(kSettingsRecords) * kSettingsRecordBytes;
    if (!ec && size > most)
        return Outcome::Fail(path + " is " + std::to_string(size) + " bytes long, where a drawing-settings file holds at most " +
                             std::to_string(most) + ".");
    return ReadWholeFile(path, bytes);
}

namespace {

void AddToDrawing(const Model& m, CadDocument& d) {
    // The first refusal ends the step, as a drawing that cannot take one
    // style takes none of the later ones either.
    try {
        for (int r = 1; r <= 20; ++r) {
            const ObjectStyle& s = m.ObjectStyles[r];
            if (s.Visible.view() == "Y") d.Layers().Add(ColourLayerName(s.Color)).Color = ColourIndex(s.Color);
            const std::string name = StyleText(s.StyleName);
            if (name.empty()) continue;
            d.TextStyles().Add(name).setFontFile(name);
        }
    } catch (const std::exception&) {
    }
}

}  // namespace

double StyleTextHeight(const ObjectStyle& style) {
    const double h = Val(StyleText(style.HeightText));
    if (std::isfinite(h) && h > 0) return h;
    if (std::isfinite(style.TextHeight) && style.TextHeight > 0) return style.TextHeight;
    return 0.2;
}

std::string StyleImage(const ObjectStyle& s) {
    std::string out;
    out.reserve(kStyleImageBytes);
    PutText(out, s.EntityName);
    PutText(out, s.Visible);
    PutText(out, s.HeightText);
    PutText(out, s.StyleName);
    PutText(out, s.HSpace);
    PutText(out, s.RowLocate);
    PutNumber(out, s.Color);
    PutNumber(out, s.VSpace);
    PutNumber(out, s.DivideLen);
    PutNumber(out, s.TextHeight);
    PutNumber(out, s.Rotate);
    return out;
}

ObjectStyle StyleFromImage(std::string_view in) {
    ObjectStyle s;
    std::size_t at = 0;
    GetText(in, at, s.EntityName);
    GetText(in, at, s.Visible);
    GetText(in, at, s.HeightText);
    GetText(in, at, s.StyleName);
    GetText(in, at, s.HSpace);
    GetText(in, at, s.RowLocate);
    s.Color = GetNumber<float>(in, 44);
    s.VSpace = GetNumber<float>(in, 48);
    s.DivideLen = GetNumber<float>(in, 52);
    s.TextHeight = GetNumber<float>(in, 56);
    s.Rotate = GetNumber<float>(in, 60);
    return s;
}

std::string ColumnMapImage(const ColumnMapRecord& c) {
    std::string out;
    PutNumber(out, c.Map1);
    PutNumber(out, c.Map2);
    PutNumber(out, c.Map3);
    PutNumber(out, c.Map4);
    PutNumber(out, c.Map5);
    PutNumber(out, c.Spare);
    return out;
}

ColumnMapRecord ColumnMapFromImage(std::string_view in) {
    ColumnMapRecord c;
    c.Map1 = GetNumber<int16_t>(in, 0);
    c.Map2 = GetNumber<int16_t>(in, 2);
    c.Map3 = GetNumber<int16_t>(in, 4);
    c.Map4 = GetNumber<float>(in, 6);
    c.Map5 = GetNumber<int16_t>(in, 10);
    c.Spare = GetNumber<int32_t>(in, 12);
    return c;
}

void ApplyDefaultStyles(Model& m) {
    auto& S = m.ObjectStyles;
    S[0].Color = 8;
    S[0].StyleName = "5";
    S[0].TextHeight = 100;
    S[0].DivideLen = 120;
    S[0].VSpace = 50;
    static const char* const rowLocate[] = {"25", "18", "20", "16", "21", "22", "23", "24"};
    for (int r = 1; r <= 8; ++r) {
        S[r].Color = 3;
        S[r].StyleName = "";
        S[r].Visible = "Y";
        S[r].VSpace = 0;
        S[r].RowLocate = rowLocate[r - 1];
    }
    for (int r : {5, 7, 8, 9}) S[r].HSpace = "M0";
    for (int r : {2, 3, 4}) S[r].Rotate = 90;
    static const char* const names[] = {"Mhname",  "GR.EL",   "INV.EL",    "Lateral", "DIST",      "KM",
                                        "Diameter", "SLOPE",  "Depth",     "Cordinate", "Package", "Qdesign",
                                        "Vdesign",  "Qmax1",  "Vmax1 ",    "Line#",   "Base line", "GR.line",
                                        "Axline",   "project line"};
    for (int r = 1; r <= 20; ++r) S[r].EntityName = names[r - 1];
    S[22].EntityName = "Lateral info";
    const float lineColours[] = {46, 2, 50, 4};
    for (int r = 17; r <= 20; ++r) {
        S[r].Color = lineColours[r - 17];
        S[r].Visible = "Y";
    }
    S[5].DivideLen = 5;
    S[8].DivideLen = 2;
    S[21].HSpace = "0";
    for (int r : {1, 6, 7, 8}) S[r].VSpace = 1;
    S[25].DivideLen = 50;
    S[25].VSpace = -4;
    S[25].RowLocate = "-7";
    m.SheetLayoutMode = 1;

    static const float map[13][5] = {{1, 1, 1, 1, 1},       {2, 2, 2, 2, 37},     {37, 8, 31, 40, 41},
                                     {38, 6, 32, 37, 43},   {39, 10, 34, 38, 31}, {40, 15, 35, 41, 107},
                                     {7, 17, 30, 42, 108},  {5, 20, 17, 39, 109}, {9, 24, 18, 32, 0},
                                     {54, 27, 27, 31, 0},   {0, 31, 28, 43, 0},   {0, 32, 19, 44, 0},
                                     {0, 0, 29, 0, 0}};
    for (auto& c : m.ColumnMap) c = ColumnMapRecord{};
    for (int r = 1; r <= 13; ++r) {
        auto& c = m.ColumnMap[r];
        c.Map1 = static_cast<int16_t>(map[r - 1][0]);
        c.Map2 = static_cast<int16_t>(map[r - 1][1]);
        c.Map3 = static_cast<int16_t>(map[r - 1][2]);
        c.Map4 = map[r - 1][3];
        c.Map5 = static_cast<int16_t>(map[r - 1][4]);
    }

    for (int r = 1; r <= 25; ++r) {
        if (r >= 11 && r <= 16) {
            S[r].HSpace = "M0";
            S[r].VSpace = 1;
        }
        S[r].TextHeight = 0.2f;
        S[r].HeightText = "0.2";
        S[r].StyleName = "ROMANS";
        if (S[r].Color <= 0) S[r].Color = 3;
        if (!S[r].Visible.unassigned()) S[r].Visible = UpperCase(S[r].Visible.view());
    }

    // The sheet options, so that a second start finds them.
    S[26].Color = 1;
    S[26].DivideLen = 0;
    S[26].Rotate = 2000;
}

std::string SettingsFileBytes(const Model& m) {
    std::string bytes(static_cast<std::size_t>(kSettingsRecords) * kSettingsRecordBytes, '\0');
    for (int r = 0; r < kStyleRecords; ++r)
        bytes.replace(static_cast<std::size_t>(r) * kSettingsRecordBytes, kStyleImageBytes, StyleImage(m.ObjectStyles[r]));
    for (int r = 0; r <= 20; ++r)
        bytes.replace(static_cast<std::size_t>(kColumnMapRecord - 1 + r) * kSettingsRecordBytes, 16,
                      ColumnMapImage(m.ColumnMap[r]));
    return bytes;
}

Outcome LoadDrawingSettings(Model& m, const std::string& programFolder, CadDocument* acad) {
    if (m.SettingsFilePath.empty()) {
        std::string folder = programFolder;
        if (!folder.empty() && folder.back() != '/') folder += '/';
        m.SettingsFilePath = folder + kSettingsFileName;
    }
    const std::string& path = m.SettingsFilePath;
    // A refused file stays refused for the run: the rows in memory are the styles.
    if (m.SettingsFileRefused) return Outcome::Ok();
    std::string bytes;
    std::error_code ec;
    const bool present = std::filesystem::exists(path, ec);
    if (present) {
        const Outcome read = ReadSettingsFile(path, bytes);
        const std::string damage = read ? SettingsFileDamage(bytes) : read.message();
        if (damage.empty()) {
            ReadStyleRows(m, bytes);
            // The column map travels with the rows, so a later full save keeps it.
            for (int r = 0; r <= 20; ++r) {
                const std::size_t at = static_cast<std::size_t>(kColumnMapRecord - 1 + r) * kSettingsRecordBytes;
                if (bytes.size() >= at + 16) m.ColumnMap[r] = ColumnMapFromImage(std::string_view(bytes).substr(at));
            }
            return Outcome::Ok();
        }
        ApplyDefaultStyles(m);
        m.SettingsFileRefused = true;
        std::string why = damage;
        while (!why.empty() && why.back() == '.') why.pop_back();
        const std::string message = "The drawing-settings file " + path + " cannot be used: " + why +
                                    ". The default drawing styles are used and the file is left as it is; changes "
                                    "to the styles are kept in memory only until \"Save\" on the style page "
                                    "writes them to a file.";
        m.Ui->MessageBox(message);
        return Outcome::Fail(message);
    }

    ApplyDefaultStyles(m);
    Outcome written = Outcome::Ok();
    if (const Outcome saved = SaveFileAtomically(path, SettingsFileBytes(m)); !saved) {
        const std::string message = "The drawing-settings file could not be created: " + saved.message() +
                                    " The default drawing styles are used.";
        m.Ui->MessageBox(message);
        written = Outcome::Fail(message);
    }
    if (acad) AddToDrawing(m, *acad);
    return written;
}

Outcome PutStyleRecord(const Model& m, int row) {
    if (row < 0 || row >= kStyleRecords) return Outcome::Fail("There is no drawing-style row " + std::to_string(row) + ".");
    if (m.SettingsFileRefused) return Outcome::Ok();
    return PutRecords(m.SettingsFilePath, {{row + 1, Record(StyleImage(m.ObjectStyles[row]))}});
}

Outcome PutSettingsRecords(const Model& m) {
    if (m.SettingsFileRefused) return Outcome::Ok();
    std::map<int, std::string> records;
    for (int r = 0; r < kStyleRecords; ++r) records[r + 1] = Record(StyleImage(m.ObjectStyles[r]));
    for (int r = 0; r <= 20; ++r) records[kColumnMapRecord + r] = Record(ColumnMapImage(m.ColumnMap[r]));
    return PutRecords(m.SettingsFilePath, records);
}

Outcome ReloadSheetOptions(Model& m) {
    if (m.SettingsFileRefused) {
        // The options live in memory with the other rows.
        const float choice = m.ObjectStyles[26].Color;
        m.SheetLayoutMode = std::isfinite(choice) && std::fabs(choice) <= kColourBound ? CInt(choice) : 0;
        return Outcome::Ok();
    }
    std::string bytes;
    if (!ReadSettingsFile(m.SettingsFilePath, bytes))
        return Outcome::Fail("The drawing-settings file " + m.SettingsFilePath + " cannot be read.");
    const std::size_t at = static_cast<std::size_t>(kStyleRecords - 1) * kSettingsRecordBytes;
    // A file that ends before record 27 reads it as zeros.
    std::string image = at < bytes.size() ? bytes.substr(at, kStyleImageBytes) : std::string();
    image.resize(kStyleImageBytes, '\0');
    const ObjectStyle options = StyleFromImage(image);
    if (!std::isfinite(options.Color) || std::fabs(options.Color) > 32767)
        return Outcome::Fail("The sheet options of the drawing-settings file " + m.SettingsFilePath + " are damaged.");
    m.ObjectStyles[26] = options;
    m.SheetLayoutMode = CInt(options.Color);
    return Outcome::Ok();
}

Outcome ReadSettingsRec28(Model& m) {
    if (m.SettingsFileRefused) return Outcome::Ok();  // what it held stays
    std::string bytes;
    if (!ReadSettingsFile(m.SettingsFilePath, bytes))
        return Outcome::Fail("The drawing-settings file " + m.SettingsFilePath + " cannot be read.");
    const std::size_t at = static_cast<std::size_t>(28 - 1) * kSettingsRecordBytes;
    m.SettingsRec28 = at < bytes.size() ? bytes.substr(at, kSettingsRecordBytes) : std::string();
    m.SettingsRec28.resize(kSettingsRecordBytes, '\0');
    return Outcome::Ok();
}

Outcome SaveDrawingSettings(const Model& m, const std::string& path) {
    // Exactly the new file, whatever the old one held.
    return SaveFileAtomically(path, SettingsFileBytes(m));
}

void ReadStyleRows(Model& m, const std::string& bytes) {
    for (int r = 0; r < kStyleRecords; ++r)
        m.ObjectStyles[r] = StyleFromImage(std::string_view(bytes).substr(static_cast<std::size_t>(r) * kSettingsRecordBytes));
}

}  // namespace vd
