#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace vd
