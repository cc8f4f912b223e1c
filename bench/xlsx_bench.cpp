// Timings of the spreadsheet exchange: importing a sheet of lines through
// the import frame's column map, and writing a grid of texts to a workbook.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <minizip/unzip.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "engine/model.h"
#include "workspace/excel_export.h"
#include "workspace/excel_import.h"

namespace vd {
namespace {

// Cell (r, c) of a generated line table: names, levels, lengths, sizes.
QString LineCell(int r, int c) {
    switch (c) {
        case 0: return QStringLiteral("MH-%1").arg(r);
        case 1: return QStringLiteral("MH-%1").arg(r + 1);
        case 2: case 3: return QString::number(100 + (r % 97) * 0.25, 'f', 2);
        case 4: return QString::number(20 + r % 40);
        case 5: case 6: return QString::number(97 + (r % 89) * 0.25, 'f', 2);
        case 7: return QStringLiteral("300");
        case 8: return QStringLiteral("0.004");
        case 9: return QStringLiteral("L%1").arg(r / 50);
        case 10: return QStringLiteral("T2");
        default: return QString::number(500000 + r * 12.5 + c, 'f', 2);
    }
}

// Bytes of the workbook's parts once unpacked.
double UnpackedMB(const QString& path) {
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip) return 0;
    double bytes = 0;
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK)
            bytes += static_cast<double>(info.uncompressed_size);
    }
    unzClose(zip);
    return bytes / (1024.0 * 1024.0);
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void BM_XlsxImport(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.path() + "/lines.xlsx";
    Outcome written = WriteTextWorkbook(path, "Lines", lines + 1, kImportFields, [](int r, int c) {
        return r == 0 ? QStringLiteral("T%1").arg(c) : LineCell(r, c);
    });
    if (!written) {
        state.SkipWithError(written.message().c_str());
        return;
    }
    ExcelLineSettings frame;
    ImportColumnMap map;
    frame.column = map.column;
    frame.ticked = map.ticked;
    const long before = PeakRssKb();
    for (auto _ : state) {
        Model m;
        Outcome o = ImportExcelLineFile(m, path, frame);
        if (!o || m.LineCount != lines) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(m.Lines.data());
    }
    state.counters["peak_rss_growth_MB"] = static_cast<double>(PeakRssKb() - before) / 1024.0;
    state.counters["unpacked_MB"] = UnpackedMB(path);
}
BENCHMARK(BM_XlsxImport)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_XlsxExport(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0)) + 1;  // and the title row
    const int cols = 16;                                     // number column 0 and 15 fields
    std::vector<std::vector<std::string>> grid(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            grid[r].push_back(c == 0 ? std::to_string(r) : r == 0 ? "Title" + std::to_string(c) : LineCell(r, c - 1).toStdString());
    QTemporaryDir dir;
    const QString path = dir.path() + "/grid.xlsx";
    for (auto _ : state) {
        Outcome o = WriteGridWorkbook(path, [&](int r, int c) { return grid[r][c]; }, rows, cols, "Lines");
        if (!o) state.SkipWithError(o.message().c_str());
    }
}
BENCHMARK(BM_XlsxExport)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
