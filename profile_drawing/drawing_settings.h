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
// Why style row `row` (0 to 26) cannot be drawn with, naming the field
// first ("RowLocate \"9E99999\" is a number too large to hold"), or "":
// texts holding control characters, texts the drawing reads numbers from
// that give none it can use, numbers that are no numbers or out of any
// style's range. field, when given, receives the field's name.
std::string StyleFieldFault(const ObjectStyle& style, int row, std::string* field = nullptr);
// Why bytes cannot be the style rows of a settings file (too short or too
// long, or a row StyleFieldFault refuses, named with its record), or "".
std::string SettingsFileDamage(const std::string& bytes);
// Reads a settings file whole: a missing file, a folder, a pipe or another
// special file, or one larger than 60 records (checked before reading) fails
// with a sentence saying which.
Outcome ReadSettingsFile(const std::string& path, std::string& bytes);
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
// A file that cannot be used (see SettingsFileDamage, ReadSettingsFile) is
// left untouched and marked refused: the defaults are used in memory and the
// message is shown through the model's window and returned. While refused,
// a later call keeps the rows in memory. With a connected drawing, the visible rows'
// layers and the rows' text styles are added to it.
Outcome LoadDrawingSettings(Model& m, const std::string& programFolder, CadDocument* acad = nullptr);

// The writers into SettingsFilePath write nothing while the file is refused
// (Model::SettingsFileRefused): the rows then live in memory only.
// Writes style row `row` (0 to 26) as record row + 1 of SettingsFilePath.
Outcome PutStyleRecord(const Model& m, int row);
// Writes records 1 to 27 and 40 to 60 into SettingsFilePath, keeping its other records.
Outcome PutSettingsRecords(const Model& m);
// Reads record 27 into style row 26 and sets SheetLayoutMode from it (from
// row 26 in memory while the file is refused).
Outcome ReloadSheetOptions(Model& m);
// Reads record 28 into SettingsRec28 (128 bytes, zeros past the file's end).
Outcome ReadSettingsRec28(Model& m);
// Writes path as a whole settings file of the model's rows and column map,
// replacing whatever it held.
Outcome SaveDrawingSettings(const Model& m, const std::string& path);

}  // namespace vd
