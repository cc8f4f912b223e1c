// The benchmark binary's one application object: the window, grid and canvas
// benchmarks need it, and it must be gone before Qt's own statics are, so it
// lives in main. Headless unless a display is asked for.
#include <benchmark/benchmark.h>

#include "workspace/guarded_application.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, which clears the vector state
    // the toolkit leaves behind around every event, as the program runs.
    vd::GuardedApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
