#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "engine/errors.h"
#include "engine/ui_sink.h"
#include "workspace/guarded_application.h"

namespace vd {
namespace {

TEST(GuardedApplication, AnEscapedErrorIsReportedNotFatal) {
    std::vector<std::string> said;
    auto report = [&](const std::string& t) { said.push_back(t); };
    EXPECT_TRUE(DeliverGuarded([] { return true; }, report));
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw RuntimeError(6, kOverflowText); }, report));
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw std::logic_error("vector::_M_range_check"); }, report));
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw 42; }, report));
    EXPECT_EQ(said, (std::vector<std::string>{kOverflowText, "The command ended on an unexpected fault.",
                                              "The command ended on an unexpected fault."}));
}

#if defined(__x86_64__) || defined(__i386__)
// Whether the upper halves of the wide vector registers are in use, as the
// processor's own state record says; nullopt where it cannot say.
__attribute__((target("xsave"))) std::optional<bool> UpperHalvesInUse() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) return std::nullopt;
    if (!__get_cpuid_count(0xD, 1, &a, &b, &c, &d) || !(a & (1u << 2))) return std::nullopt;  // no XGETBV 1
    return (_xgetbv(1) & 4) != 0;
}
#endif

// The application leaves the upper halves clear, as every SSE instruction
// after them would wait on them.
TEST(GuardedApplication, ClearsTheUpperVectorHalves) {
#if defined(__x86_64__) || defined(__i386__)
    if (!__builtin_cpu_supports("avx") || !UpperHalvesInUse()) GTEST_SKIP() << "the processor cannot say";
    __asm__ volatile("vcmpps $15, %%ymm1, %%ymm1, %%ymm1" ::: "xmm1");  // all ones, upper halves too
    ASSERT_TRUE(*UpperHalvesInUse());
    ClearUpperVectorState();
    EXPECT_FALSE(*UpperHalvesInUse());
#else
    GTEST_SKIP() << "no wide vector registers";
#endif
}

}  // namespace
}  // namespace vd
