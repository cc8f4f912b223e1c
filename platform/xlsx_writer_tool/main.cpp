// Writes one sheet of text cells to an .xlsx workbook with libxlsxwriter.
// It runs as a process of its own because the library's zip symbols clash
// with the archive reader the program links.
//
//   vidoduv-xlsx <output.xlsx>   < description
//
// The description on standard input, integers as 4-byte little-endian:
//   "VDXLSX1\n"
//   name length, sheet name (UTF-8)
//   rows, columns
//   rows x columns cells, row by row: text length, text (UTF-8)
// An empty text leaves the cell out. The caller drops the characters XML
// cannot carry. On failure the tool says why in one line on standard error,
// exits with 1 and leaves no half-written workbook behind.
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kMagic[] = "VDXLSX1\n";
constexpr uint32_t kMaxRows = LXW_ROW_MAX;
constexpr uint32_t kMaxColumns = LXW_COL_MAX;
// 32767 characters, the most a cell holds, of up to 4 UTF-8 bytes each.
constexpr uint32_t kMaxCellBytes = 4u * 32767u;
constexpr uint32_t kMaxNameBytes = 4u * LXW_SHEETNAME_MAX;

int Fail(const std::string& why) {
    const std::string line = why + '\n';
    [[maybe_unused]] ssize_t n = ::write(2, line.data(), line.size());
    return 1;
}

bool ReadExact(void* to, std::size_t n) { return n == 0 || std::fread(to, 1, n, stdin) == n; }

bool ReadU32(uint32_t& v) {
    unsigned char b[4];
    if (!ReadExact(b, 4)) return false;
    v = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    return true;
}

bool ReadText(std::string& s, uint32_t limit) {
    uint32_t n = 0;
    if (!ReadU32(n) || n > limit) return false;
    s.resize(n);
    return ReadExact(s.data(), n);
}

std::string CellName(uint32_t row, uint32_t column) {
    char name[LXW_MAX_CELL_NAME_LENGTH];
    lxw_rowcol_to_cell(name, row, static_cast<lxw_col_t>(column));
    return name;
}

// Frees the workbook unless it was closed, so a refused description
// leaves no file and no leak.
struct Book {
    lxw_workbook* wb = nullptr;
    ~Book() {
        if (wb) lxw_workbook_free(wb);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Fail("usage: vidoduv-xlsx <output.xlsx> < description");
    // The library reports its faults on stderr in its own words; the caller
    // wants the one line below, so its reports go nowhere. Standard error
    // itself stays open for a memory checker's.
    if (FILE* nowhere = std::fopen("/dev/null", "w")) stderr = nowhere;
    static char buffer[1 << 20];
    std::setvbuf(stdin, buffer, _IOFBF, sizeof buffer);

    const std::string damaged = "the workbook description is damaged or cut short";
    char magic[sizeof kMagic - 1];
    if (!ReadExact(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) return Fail(damaged);
    std::string name;
    uint32_t rows = 0, columns = 0;
    if (!ReadText(name, kMaxNameBytes) || !ReadU32(rows) || !ReadU32(columns)) return Fail(damaged);
    if (name.find('\0') != std::string::npos) return Fail(damaged);
    if (rows > kMaxRows || columns > kMaxColumns) return Fail("the sheet is larger than a workbook allows");

    // Rows go out in order, so the library need not hold the sheet in memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    Book book;
    book.wb = workbook_new_opt(argv[1], &options);
    if (!book.wb) return Fail("the workbook cannot be started: out of memory");
    // No name gives the library's default one.
    if (lxw_error e = name.empty() ? LXW_NO_ERROR : workbook_validate_sheet_name(book.wb, name.c_str());
        e != LXW_NO_ERROR)
        return Fail("the sheet cannot be named \"" + name + "\": " + lxw_strerror(e));
    lxw_worksheet* sheet = workbook_add_worksheet(book.wb, name.empty() ? nullptr : name.c_str());
    if (!sheet) return Fail("the sheet \"" + name + "\" cannot be added");

    std::string text;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            if (!ReadText(text, kMaxCellBytes)) return Fail(damaged);
            if (text.empty()) continue;
            if (std::memchr(text.data(), '\0', text.size())) return Fail(damaged);
            if (lxw_error e = worksheet_write_string(sheet, r, static_cast<lxw_col_t>(c), text.c_str(), nullptr);
                e != LXW_NO_ERROR)
                return Fail("cell " + CellName(r, c) + " cannot be written: " + lxw_strerror(e));
        }
    }
    char extra;
    if (std::fread(&extra, 1, 1, stdin) != 0) return Fail(damaged);

    lxw_workbook* wb = book.wb;
    book.wb = nullptr;  // closing frees it, whatever the outcome
    if (lxw_error e = workbook_close(wb); e != LXW_NO_ERROR) {
        std::remove(argv[1]);
        return Fail(std::string("the workbook cannot be written: ") + lxw_strerror(e));
    }
    return 0;
}
