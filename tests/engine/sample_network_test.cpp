// The sample town network shipped in examples/ must open, process cleanly
// and survive a save.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/process.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

namespace fs = std::filesystem;
using test::RecordingUi;

using test::ReadBytes;

class SampleNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        // Opening writes a backup beside the file, so work on a copy.
        dir_ = tmp_.path();
        const fs::path src = fs::path(VIDODUV_SOURCE_DIR) / "examples";
        fs::copy_file(src / "town.asb", dir_ / "town.asb", fs::copy_options::overwrite_existing);
        fs::copy_file(src / "town.cor", dir_ / "town.cor", fs::copy_options::overwrite_existing);
        m_.SetUi(&ui_);
    }
    Outcome Open(Model& m, const std::string& name) {
        m.ProjectFolder = dir_.string() + "/";
        m.ProjectName = name;
        return LoadNetworkText(m, dir_.string() + "/" + name + ".asb");
    }

    test::TempDir tmp_{"vd_town"};
    fs::path dir_;
    RecordingUi ui_;
    Model m_;
};

TEST_F(SampleNetwork, ProcessesWithoutLoopsOrGroundErrors) {
    Outcome r = Open(m_, "town");
    ASSERT_TRUE(r.ok()) << r.message();
    ASSERT_GE(m_.LineCount, 60);
    ASSERT_LE(m_.LineCount, 150);
    for (int i = 1; i <= m_.LineCount; ++i) ASSERT_NE(m_.Lines[i].X1, 0.0f) << "no coordinates for line " << i;

    BuildNetworkLinks(m_);
    NameLaterals(m_);
    int outcome = 0;
    ProcessNetwork(m_, outcome);
    EXPECT_EQ(outcome, 2);
    EXPECT_GT(m_.LatCount, 5);
    for (const auto& e : ui_.events) {
        EXPECT_EQ(e.text.find("loop"), std::string::npos) << e.text;
        EXPECT_EQ(e.text.find("Loop"), std::string::npos) << e.text;
        EXPECT_EQ(e.text.find("Gr.elv"), std::string::npos) << e.text;
        EXPECT_EQ(e.text.find("Many Bransh"), std::string::npos) << e.text;
    }

}

TEST_F(SampleNetwork, SaveAndReadBackKeepTheTables) {
    ASSERT_TRUE(Open(m_, "town").ok());
    BuildNetworkLinks(m_);
    NameLaterals(m_);
    ProcessNetwork(m_);
    ASSERT_TRUE(SaveNetworkText(m_, "saved.asb", dir_.string() + "/"));

    Model back;
    ASSERT_TRUE(Open(back, "saved").ok());
    ASSERT_EQ(back.LineCount, m_.LineCount);
    // Every line once, with the values it was saved with (seven digits).
    std::map<std::string, const LineRecord*> byFrom;
    for (int i = 1; i <= m_.LineCount; ++i) byFrom[m_.Lines[i].From.trim()] = &m_.Lines[i];
    auto near = [](float a, float b) { return std::fabs(a - b) <= 1e-6f * std::max(1.0f, std::fabs(a)); };
    for (int i = 1; i <= back.LineCount; ++i) {
        const LineRecord& b = back.Lines[i];
        auto it = byFrom.find(b.From.trim());
        ASSERT_NE(it, byFrom.end()) << b.From.trim();
        const LineRecord& a = *it->second;
        byFrom.erase(it);
        EXPECT_EQ(a.From, b.From);
        EXPECT_EQ(a.to, b.to);
        EXPECT_EQ(a.Latral, b.Latral);
        EXPECT_EQ(a.MhType, b.MhType);
        const float av[] = {a.Len, a.Gr1, a.Gr2, a.Inv1, a.Inv2, a.slope, a.Dia};
        const float bv[] = {b.Len, b.Gr1, b.Gr2, b.Inv1, b.Inv2, b.slope, b.Dia};
        for (int f = 0; f < 7; ++f) EXPECT_TRUE(near(av[f], bv[f])) << b.From.trim() << " field " << f;
    }
    EXPECT_TRUE(byFrom.empty());

    // A second round trip changes nothing at all.
    ASSERT_TRUE(SaveNetworkText(back, "again.asb", dir_.string() + "/"));
    EXPECT_EQ(ReadBytes(dir_ / "saved.asb"), ReadBytes(dir_ / "again.asb"));
}

}  // namespace
}  // namespace vd
