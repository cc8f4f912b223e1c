// The drawing-settings file ("vorlan.cfg"): fixed 128-byte records, records
// 1 to 27 the 64-byte images of the drawing-style rows 0 to 26 (record 27 the
// sheet options), records 40 to 60 the column map. Every write replaces the
// file through a temporary file and a rename.
#pragma once

#include <string>
#include <string_view>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

class CadDocument;

inline constexpr int kSettingsRecordBytes = 128;
inline constexpr int kStyleImageBytes = 64;
inline constexpr int kStyleRecords = 27;        // records 1..27
inline constexpr int kColumnMapRecord = 40;     // records 40..60
inline constexpr int kSettingsRecords = 60;
inline constexpr const char* kSettingsFileName = "vorlan.cfg";

// A style text as the drawing reads it: blanks trimmed on both sides; a field
// never assigned (NULs) is empty.
template <std::size_t N>
std::string StyleText(const FixedText<N>& field) {
    return field.unassigned() ? std::string() : field.trim();
}

// The height a style row's texts are drawn at, in every mode and in the
// blocks' attributes: its height text, or where that is no number above 0
// its text height, else 0.2.
double StyleTextHeight(const ObjectStyle& style);

std::string StyleImage(const ObjectStyle& style);  // 64 bytes
ObjectStyle StyleFromImage(std::string_view bytes);  // at least 64 bytes
// Why bytes cannot be the style rows of a settings file (texts that are no
// texts, numbers out of any style's range, too short or too long), or "".
std::string SettingsFileDamage(const std::string& bytes);
// Style rows 0..26 from the file's bytes, which SettingsFileDamage accepted.
void ReadStyleRows(Model& m, const std::string& bytes);
std::string ColumnMapImage(const ColumnMapRecord& row);  // 16 bytes
ColumnMapRecord ColumnMapFromImage(std::string_view bytes);

// The rows and column map a newly created file holds, applied over the rows
// as they stand; also row 0 (record 1) and the sheet options of row 26
// (record 27: length choice 1, two strips, custom length 2000 m).
void ApplyDefaultStyles(Model& m);
// The bytes of a newly created file for the rows in m.
std::string SettingsFileBytes(const Model& m);

// Loads the drawing-style rows from SettingsFilePath (the program folder's
// "vorlan.cfg" when it is empty), or creates the file with the default rows.
// A file too short, too long or holding bytes that are no style rows is left
// untouched: the defaults are used and the message is shown through the
// model's window and returned. With a connected drawing, the visible rows'
// layers and the rows' text styles are added to it.
Outcome LoadDrawingSettings(Model& m, const std::string& programFolder, CadDocument* acad = nullptr);

// Writes style row `row` (0 to 26) as record row + 1 of SettingsFilePath.
Outcome PutStyleRecord(const Model& m, int row);
// Reads record 27 into style row 26 and sets SheetLayoutMode from it.
Outcome ReloadSheetOptions(Model& m);
// Reads record 28 into SettingsRec28 (128 bytes, zeros past the file's end).
Outcome ReadSettingsRec28(Model& m);
// Writes records 1 to 27 and 40 to 60 from the model to path, keeping the
// file's other records.
Outcome SaveDrawingSettings(const Model& m, const std::string& path);

}  // namespace vd
