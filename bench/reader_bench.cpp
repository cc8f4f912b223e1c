// Every reader on the worst input of about 10 MB found for it, through the
// command a user runs in the program: File > Open (the network file, and its
// ".cor" beside it), Get Prf, the text import, a DXF opened in the Drawing
// window then Get ACAD, Get EXCEL and Get EXCEL Book. Each input is written
// once into a scratch folder before its case runs (VIDODUV_BENCH_KEEP_INPUTS
// keeps them there); each iteration starts a fresh program. The label says
// what the input is and what the command said of it. Counters: command_peak_MB,
// the most the command had resident beyond what the program held before it;
// peak_MB, the process's high-water mark after it; input_MB; lines, what the
// network holds after. A case at a time, to check the peak from outside:
//   /usr/bin/time -v bench --benchmark_filter='BM_WorstReaderInputs/Prf/'
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <minizip/zip.h>

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cad/cad_document.h"
#include "engine/model.h"
#include "generated_network.h"
#include "grid/flex.h"
#include "platform/dialogs.h"
#include "platform/drawing_window.h"
#include "window_views.h"
#include "workspace/acad_commands.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTenMB = 10u << 20;

// ---- peak resident memory ------------------------------------------------------

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"); 0 when unknown.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, key.size(), key) == 0) return std::stol(line.substr(key.size()));
    return 0;
}

// The high-water mark of resident memory belongs to the process, not to a
// case: whatever ran before (another case, the input's generation) may have
// set it higher than the case ever goes. Writing 5 to clear_refs lowers it to
// what is resident now, where the kernel allows it; then the case's own peak
// is the mark after it less what was resident before it. Where it does not,
// only the growth of the mark is known, which is the case's peak less the
// earlier one when the case goes higher, and nothing when it does not.
bool ResetPeak() {
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

// ---- input files -----------------------------------------------------------------

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---- the program -------------------------------------------------------------------

// A fresh program as a user starts it: its model and main window with the
// program's own views, and dialogs that answer from queues.
struct Program {
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    std::vector<QString> drawingMessages;
    Program() : form(std::make_unique<Form1>(m, dialogs, ProgramViews(m, dialogs))) {
        form->Drawing().dialogs.message = [this](const QString& text) { drawingMessages.push_back(text); };
        form->show();
        QApplication::processEvents();
    }
    ~Program() {
        form.reset();
        m.SetUi(nullptr);
    }
    Vorlan& w() { return form->workspace(); }
    void choose(const fs::path& file) { dialogs.files.push_back(QString::fromStdString(file.string())); }
    // What the command said in message boxes, the program's and the Drawing window's.
    std::string said() const {
        std::string s;
        for (const QString& t : dialogs.messages) s += (s.empty() ? "" : " | ") + t.toStdString();
        for (const QString& t : drawingMessages) s += (s.empty() ? "" : " | ") + t.toStdString();
        return s;
    }
};

// One reader's worst input: how it is made, what the program holds before the
// command, and the command.
struct WorstInput {
    std::string name;
    std::string label;  // what the input is
    std::function<void(const fs::path& folder)> make;
    std::function<void(Program&)> before;  // may be empty
    std::function<void(Program&, const fs::path& folder)> command;
};

// ---- networks ---------------------------------------------------------------------

// A chain of `count` lines: line i from manhole "<prefix>i" to "<prefix>i+1",
// the last one's end the outfall.
void ChainNetwork(Model& m, int count, const std::string& prefix) {
    m.CreateLineTables(count + 10, count + 20);
    for (int i = 1; i <= count; ++i) {
        LineRecord& l = m.Lines[static_cast<std::size_t>(i)];
        l.From = prefix + std::to_string(i);
        l.to = prefix + std::to_string(i + 1);
        l.Len = 40;
        l.Dia = 300;
        l.slope = 0.005f;
    }
    m.LineCount = count;
}

// ---- workbooks ---------------------------------------------------------------------

using Parts = std::vector<std::pair<std::string, std::string>>;

void WriteZip(const fs::path& path, const Parts& parts) {
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    for (const auto& [name, bytes] : parts) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_BEST_COMPRESSION, bytes.size() > 0xFFFFFFFFu);
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

const std::string kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A package of the sheets named, sheet k in xl/worksheets/sheetk.xml.
Parts WorkbookParts(const std::vector<std::string>& names, const std::vector<std::string>& sheets) {
    Parts p;
    p.push_back({"[Content_Types].xml",
                 "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                 "content-types\"/>"});
    p.push_back({"_rels/.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
                                    kRelNs + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    std::string list, rels;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string k = std::to_string(i + 1);
        list += "<sheet name=\"" + names[i] + "\" sheetId=\"" + k + "\" r:id=\"rId" + k + "\"/>";
        rels += "<Relationship Id=\"rId" + k + "\" Type=\"" + kRelNs + "/worksheet\" Target=\"worksheets/sheet" + k +
                ".xml\"/>";
    }
    p.push_back({"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs +
                                        "\"><sheets>" + list + "</sheets></workbook>"});
    p.push_back({"xl/_rels/workbook.xml.rels",
                 "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                 "relationships\">" +
                     rels + "</Relationships>"});
    for (std::size_t i = 0; i < sheets.size(); ++i)
        p.push_back({"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", sheets[i]});
    return p;
}

// A sheet part of rows numbered 2, 3, 5, 4, 7, 6, ...: out of order from the
// third on, so that no read may stop at a row beyond what it needs. Each row
// holds `cell` `cells` times (no "r" attributes), as many rows as `rows` or
// as fit in `partBytes`, whichever comes first.
std::string ShuffledRowsSheet(const std::string& cell, int cells, long long rows, std::size_t partBytes) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"" + kMainNs + "\"><sheetData>";
    const std::string tail = "</sheetData></worksheet>";
    std::string body;
    for (int c = 0; c < cells; ++c) body += cell;
    std::string s = head;
    for (long long k = 0; k < rows; ++k) {
        // 2, 3, then pairs swapped: 5, 4, 7, 6, ...
        const long long r = k < 2 ? k + 2 : (k % 2 == 0 ? k + 3 : k + 1);
        std::string row = "<row r=\"" + std::to_string(r) + "\">" + body + "</row>";
        if (s.size() + row.size() + tail.size() > partBytes) break;
        s += row;
    }
    return s + tail;
}

// A sheet whose root declares 63 namespaces (with its own, the most a part
// may have in force) of `uriBytes` bytes (at least two) that differ only in
// their last characters ("uuu0", "uuu1", ...), then empty rows, each with an attribute "s" in every
// one of them and one without, until the workbook's tags and attributes
// pass the budget.
std::string PrefixedAttributesSheet(std::size_t uriBytes) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"" + kMainNs + "\"";
    for (int k = 0; k < 63; ++k) {
        const std::string number = std::to_string(k);
        const std::string uri = std::string(std::max<std::size_t>(1, uriBytes - std::min(uriBytes, number.size())), 'u') + number;
        s += " xmlns:" + std::string(1, static_cast<char>('a' + k % 26)) + (k >= 26 ? std::to_string(k / 26) : "") +
             "=\"" + uri + "\"";
    }
    s += "><sheetData>";
    std::string cell = "<row";
    for (int k = 0; k < 63; ++k)
        cell += " " + std::string(1, static_cast<char>('a' + k % 26)) + (k >= 26 ? std::to_string(k / 26) : "") + ":s=\"\"";
    cell += " s=\"\"/>";
    for (long long markup = 0; markup <= (8LL << 20) + 65; markup += 65) s += cell;
    return s + "</sheetData></worksheet>";
}

// ---- drawings ---------------------------------------------------------------------

// The DXF the program saves for a two-line plan, cut around its entities: what
// comes before the first entity, one plan LINE, and what follows the last.
struct PlanDxf {
    std::string head, line, tail;
};

PlanDxf ProgramPlanDxf(const fs::path& folder) {
    Model m;
    ChainNetwork(m, 2, "MH");
    for (int i = 1; i <= 2; ++i) {
        LineRecord& l = m.Lines[static_cast<std::size_t>(i)];
        l.X1 = 500000.0f + 40.0f * static_cast<float>(i);
        l.Y1 = 4000000.0f;
        l.X2 = l.X1 + 40;
        l.Y2 = l.Y1;
        l.Gr1 = 101;
        l.Gr2 = 100.8f;
        l.Inv1 = 99;
        l.Level = 1;
    }
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    CadApplication app;
    (void)AcadPlanCommand(m, app);
    const fs::path path = folder / "template.dxf";
    app.ActiveDocument().SaveAs(path.string());
    std::ifstream f(path, std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    const std::string s = bytes.str();
    fs::remove(path);
    const std::size_t first = s.find("  0\nLINE\n", s.find("ENTITIES")), second = s.find("  0\nLINE\n", first + 1);
    const std::size_t end = s.find("  0\nENDSEC\n", second);
    return {s.substr(0, first), s.substr(first, second - first), s.substr(end)};
}

// A plan LINE as Get ACAD reads it, with no more than it needs: the layer,
// the 16 items of "SEWER" and the 8 of "DUV", line number k first.
std::string CompactPlanLine(int k) {
    std::string s = "0\nLINE\n8\nsewer\n1001\nSEWER\n";
    for (int i = 0; i < 16; ++i) s += "1040\n0\n";
    s += "1001\nDUV\n1040\n" + std::to_string(k) + "\n";
    for (int i = 0; i < 7; ++i) s += "1040\n0\n";
    return s;
}

// ---- the inputs ----------------------------------------------------------------------

std::vector<WorstInput> Inputs() {
    std::vector<WorstInput> in;

    // File > Open. Tried as well, each lighter in time and memory: 10 MB of
    // empty rows after one line row (the slowest, a tenth of the bound),
    // rows of seven numbers halfway between two singles (32,000 rows, or
    // 25,955 longer ones), 5,242,880 rows "L,", 32,000 full rows and filler.
    in.push_back({"NetworkFile", "one line row whose quoted From name is the whole 10 MB file",
                  [](const fs::path& f) { WriteFile(f / "net.asb", "L,\"" + std::string(kTenMB - 3, 'x')); }, nullptr,
                  [](Program& p, const fs::path& folder) {
                      p.choose(folder / "net.asb");
                      p.w().mnuopen_Click();
                  }});

    // File > Open of 32,000 short line rows with the coordinates beside them.
    // Tried as well: rows of four numbers halfway between two singles (55
    // and 79 digits), which read faster.
    in.push_back({"Cor", "32,000-line network; its .cor one row whose X1 is 10 MB of zeros before a 1",
                  [](const fs::path& f) {
                      std::string s;
                      for (int i = 1; i <= 32000; ++i) s += "L,M" + std::to_string(i) + ",M" + std::to_string(i + 1) + ", 1\r\n";
                      WriteFile(f / "net.asb", s + "END\r\n");
                      WriteFile(f / "net.cor", "MHB,0." + std::string(kTenMB - 14, '0') + "1,2,3,4");
                  },
                  nullptr,
                  [](Program& p, const fs::path& folder) {
                      p.choose(folder / "net.asb");
                      p.w().mnuopen_Click();
                  }});

    // The text import with its default ticks (From to Dia). A value too large
    // to hold costs an exception; eight such values a row, 32,000 rows, is the
    // most the import reads before it refuses. Tried as well: 32,000 rows of
    // nine numbers halfway between two singles (imported, a third of the
    // time), and rows of long names and 20-digit numbers.
    in.push_back({"TextImport", "32,000 rows: A B and nine values of 30 nines then E999 (too large), 9.7 MB",
                  [](const fs::path& f) {
                      std::string row = "A B";
                      for (int k = 0; k < 9; ++k) row += " " + std::string(30, '9') + "E999";
                      std::string s;
                      for (int i = 0; i < 32000; ++i) s += row + "\n";
                      WriteFile(f / "table.txt", s);
                  },
                  nullptr,
                  [](Program& p, const fs::path& folder) {
                      p.choose(folder / "table.txt");
                      p.w().Command12_Click();
                  }});

    // Get Prf on the longest walks there are: a chain of 32,000 lines, keyed
    // by the numbers of its manholes. Tried as well: the same records with an
    // "L" before each name (fewer records), every record starting at the top,
    // walks of two lines, a random tree of 32,000 lines, and 9,999,999 commas
    // on that chain (refused) and on one whose names all key to 0 (applied):
    // each lighter in time, the commas heavier in memory by about a third.
    in.push_back({"Prf", "32,000-line chain; records <0-999>,<random start>,<random end> to 10 MB (about 690,000 records)",
                  [](const fs::path& f) {
                      std::mt19937 rng(31u);
                      std::string s;
                      s.reserve(kTenMB);
                      for (;;) {
                          const std::string r = std::to_string(rng() % 1000) + "," + std::to_string(1 + rng() % 32000) +
                                                "," + std::to_string(1 + rng() % 32001) + "\n";
                          if (s.size() + r.size() > kTenMB) break;
                          s += r;
                      }
                      WriteFile(f / "names.prf", s);
                  },
                  [](Program& p) { ChainNetwork(p.m, 32000, ""); },
                  [](Program& p, const fs::path& folder) {
                      p.choose(folder / "names.prf");
                      p.w().mnuprf_Click();
                  }});

    // The drawing opened in the Drawing window, then Get ACAD. The drawing
    // keeps each object whole and the file may hold one per 48 bytes: a LINE
    // of 40 bytes on a layer of its own costs the most of each. Tried as well:
    // 249 blocks and layers, then INSERTs or LINEs of the last to 10 MB; plan
    // LINEs numbered 1 to 32,000 over and over; 32,000 plan LINEs, then LINEs
    // of empty pairs up to the limit; LINEs of 12 empty pairs; one
    // LWPOLYLINE of 10 MB of vertices: each lighter in memory, none slower
    // than a third of the bound.
    in.push_back({"DxfPlan", "one plan LINE, then 48-byte LINEs each on a layer of its own, as many as a 10 MB file may hold",
                  [](const fs::path& f) {
                      const PlanDxf plan = ProgramPlanDxf(f);
                      // What the head and the plan LINE hold beyond one object per 48
                      // bytes is made up by a comment.
                      std::size_t objects = 3;
                      for (std::size_t at = 0; (at = plan.head.find("\n  0\n", at)) != std::string::npos; ++at) ++objects;
                      std::string s = plan.head + CompactPlanLine(1);
                      s += "999\n" + std::string(48 * (objects + 2), 'x') + "\n";
                      for (int k = 0;; ++k) {
                          char name[48];
                          std::snprintf(name, sizeof name, "%030d%08d", k, k);
                          const std::string line = std::string("0\nLINE\n8\n") + name + "\n";
                          if (s.size() + line.size() + plan.tail.size() > kTenMB) break;
                          s += line;
                      }
                      WriteFile(f / "plan.dxf", s + plan.tail);
                  },
                  nullptr,
                  [](Program& p, const fs::path& folder) {
                      p.form->Drawing().openDrawing(QString::fromStdString((folder / "plan.dxf").string()));
                      p.w().mnugetacad_Click();
                  }});

    // Workbooks: small files that unpack to the reader's budgets (72 MB of
    // XML, 8,388,608 tags and attributes), read through expat, whose time
    // goes by the tags and attributes it meets.
    auto getExcel = [](Program& p, const fs::path& folder) {
        p.choose(folder / "book.xlsx");
        p.w().Command20_Click();
    };
    // Get EXCEL. Tried as well: the same rows of date cells (a little faster,
    // less memory); empty elements of distinct names, or tags of distinct
    // attribute names, to the budget (refused at the parser's 32 MB within a
    // second).
    in.push_back({"WorkbookLines", "one sheet of 139,810 rows (2, 3, 5, 4, 7, 6, ...) of 15 text cells, 0.45 MB (Get EXCEL)",
                  [](const fs::path& f) {
                      WriteZip(f / "book.xlsx", WorkbookParts({"Lines"}, {ShuffledRowsSheet("<c t=\"str\"><v>a</v></c>", 15, 139810,
                                                                                           std::size_t{1} << 40)}));
                  },
                  nullptr, getExcel});
    // Get EXCEL Book, which reads every sheet named SEWER, DIA or PROJECT.
    // Tried as well: one sheet SEWER of 32,000 rows of 300 number cells, to
    // the budget, comes within a tenth of this; rows of text cells, of empty
    // cells or of cells of 63 attributes each, to the budget, are faster.
    // 4,096 sheets named SEWER, each 17,418 bytes of rows of 18 such cells.
    auto sewerBook = [](const char* cell) {
        return [cell](const fs::path& f) {
            const std::string sheet = ShuffledRowsSheet(cell, 18, 1 << 30, 17418);
            WriteZip(f / "book.xlsx",
                     WorkbookParts(std::vector<std::string>(4096, "SEWER"), std::vector<std::string>(4096, sheet)));
        };
    };
    auto getExcelBook = [](Program& p, const fs::path& folder) {
        p.choose(folder / "book.xlsx");
        p.w().mnuexcelbook_Click();
    };
    in.push_back({"WorkbookBook", "4,096 sheets all named SEWER, each 17,418 bytes of rows of 18 text cells, 1.8 MB (Get EXCEL Book)",
                  sewerBook("<c t=\"str\"><v>a</v></c>"), nullptr, getExcelBook});
    // Get EXCEL Book of sheets whose every cell holds a value no field of
    // the lines can take: each is counted, the first ten named.
    in.push_back({"WorkbookBookOfHugeValues",
                  "4,096 sheets all named SEWER, each 17,418 bytes of rows of 18 cells \"1E300\" (Get EXCEL Book)",
                  sewerBook("<c><v>1E300</v></c>"), nullptr, getExcelBook});
    // A sheet declaring the most namespaces a part may have in force, their
    // addresses as long as a part may give, then empty rows each carrying an
    // attribute of one local name in every one of them, to the tag budget.
    // The same with addresses of 16,000 characters is refused at the first.
    in.push_back({"WorkbookNamespaceUris",
                  "63 namespaces of 2,048-character addresses, rows of 63 attributes \"s\" in them and one without, to the tag budget (Get EXCEL)",
                  [](const fs::path& f) {
                      WriteZip(f / "book.xlsx", WorkbookParts({"Lines"}, {PrefixedAttributesSheet(2048)}));
                  },
                  nullptr, getExcel});
    // The same with the shortest addresses and prefixes: the most attributes
    // of one local name the tag budget lets through.
    in.push_back({"WorkbookPrefixedAttributes",
                  "63 namespaces of 2- and 3-character addresses, rows of 63 attributes \"s\" in them and one without, to the tag budget (Get EXCEL)",
                  [](const fs::path& f) {
                      WriteZip(f / "book.xlsx", WorkbookParts({"Lines"}, {PrefixedAttributesSheet(0)}));
                  },
                  nullptr, getExcel});
    // What any bound on the workbooks must let through: the program's own
    // largest workbook, read back.
    in.push_back({"WorkbookProgramsOwn", "Set EXCEL of the results view of 32,000 processed lines, 5.5 MB (Get EXCEL)",
                  [](const fs::path& f) {
                      Program p;
                      GenerateNetwork(p.m, 32000, 31u);
                      p.w().Command2_Click();
                      auto* grid = p.form->findChild<Flex*>("FLEX1");
                      grid->setWorkbookOpener([](const QString&) { return true; });
                      grid->show();
                      grid->mnuout();
                      QApplication::processEvents();
                      p.choose(f / "book.xlsx");
                      grid->findChild<QPushButton*>("Command3")->click();
                      grid->hide();
                  },
                  nullptr, getExcel});
    return in;
}

// ---- the benchmark -------------------------------------------------------------------

std::uintmax_t FolderBytes(const fs::path& folder) {
    std::uintmax_t n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() != ".bak") n += e.file_size();
    return n;
}

void BM_WorstReaderInputs(benchmark::State& state, const WorstInput& input) {
    const fs::path folder = fs::temp_directory_path() / ("vidoduv_bench_reader_" + std::to_string(::getpid())) / input.name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    input.make(folder);
    const double inputMB = static_cast<double>(FolderBytes(folder)) / (1 << 20);
    double peakMB = 0, growthMB = 0;
    bool reset = true;
    std::string said;
    int lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>();
        if (input.before) input.before(*program);
        QApplication::processEvents();
        // What generation and earlier cases freed goes back, so that what is
        // resident before the command is the program's.
        malloc_trim(0);
        reset = ResetPeak() && reset;
        const long rssBefore = StatusKb("VmRSS"), hwmBefore = StatusKb("VmHWM");
        state.ResumeTiming();
        input.command(*program, folder);
        QApplication::processEvents();
        state.PauseTiming();
        const long hwm = StatusKb("VmHWM");
        peakMB = std::max(peakMB, hwm / 1024.0);
        growthMB = std::max(growthMB, (hwm - (reset ? rssBefore : hwmBefore)) / 1024.0);
        said = program->said();
        lines = program->m.LineCount;
        program.reset();
        state.ResumeTiming();
    }
    // The inputs stay where asked, to try them in the program itself.
    if (qEnvironmentVariableIsEmpty("VIDODUV_BENCH_KEEP_INPUTS")) {
        fs::remove_all(folder);
        std::error_code ec;
        fs::remove(folder.parent_path(), ec);  // once the last case is gone
    }
    state.counters["input_MB"] = inputMB;
    state.counters["peak_MB"] = peakMB;
    state.counters["command_peak_MB"] = growthMB;
    state.counters["lines"] = lines;
    if (!reset) state.counters["peak_not_reset"] = 1;
    if (said.size() > 400) said = said.substr(0, 397) + "...";
    state.SetLabel(input.label + (said.empty() ? std::string(" -> accepted") : " -> " + said));
}

const bool kRegistered = [] {
    static const std::vector<WorstInput> inputs = Inputs();
    for (const WorstInput& in : inputs)
        benchmark::RegisterBenchmark(("BM_WorstReaderInputs/" + in.name).c_str(), BM_WorstReaderInputs, in)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace vd
