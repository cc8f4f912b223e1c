#include "workspace/guarded_application.h"

#include <QMessageBox>
#include <exception>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "engine/errors.h"

namespace vd {

#if defined(__x86_64__) || defined(__i386__)
namespace {
// The compiler's own instruction, in a function compiled for the instruction
// set that has it: the compiler knows which registers it clears, whatever
// vector width the code around it is built for.
__attribute__((target("avx"))) void ZeroUpperVectorHalves() { _mm256_zeroupper(); }
}  // namespace
#endif

// Parts of the window toolkit return with the upper halves of the wide vector
// registers still in use; until they are cleared every SSE instruction of the
// process waits on them, and number formatting runs about three times slower
// (the profile sheets' DXF took 43 ms instead of 13). Clearing costs a cycle,
// so it is done around every event delivered.
void ClearUpperVectorState() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) ZeroUpperVectorHalves();
#endif
}

bool DeliverGuarded(const std::function<bool()>& deliver, const std::function<void(const std::string&)>& report) {
    try {
        return deliver();
    } catch (const std::exception& e) {
        report(FaultText(e));
    } catch (...) {
        report("The command ended on an unexpected fault.");
    }
    return false;
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
    ClearUpperVectorState();  // the toolkit's start-up leaves it in use too
    report = [](const std::string& text) {
        QMessageBox::warning(activeWindow(), "VIDODUV", QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    };
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    ClearUpperVectorState();
    const bool handled = DeliverGuarded([&] { return QApplication::notify(receiver, event); }, report);
    ClearUpperVectorState();
    return handled;
}

}  // namespace vd
