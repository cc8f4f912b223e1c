// The benchmark binary's one application object: the window, grid and canvas
// benchmarks need it, and it must be gone before Qt's own statics are, so it
// lives in main. Headless unless a display is asked for.
#include <benchmark/benchmark.h>

#include <QApplication>

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Setting up the window toolkit leaves the upper halves of the vector
    // registers in use, which makes every later SSE instruction of the process
    // wait on them (std::to_chars three to four times slower); clear them, so
    // every benchmark starts as a plain process does.
    if (__builtin_cpu_supports("avx")) __asm__ volatile("vzeroupper");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
