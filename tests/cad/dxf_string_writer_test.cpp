#include <gtest/gtest.h>

#include <dxflib/dl_writer_ascii.h>

#include <QTemporaryDir>
#include <climits>
#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "cad/dxf_string_writer.h"

namespace vd {
namespace {

// Every group kind and every dxflib helper the drawing uses, through any writer.
void WriteSample(const DL_Writer& w, const std::vector<double>& reals) {
    w.sectionHeader();
    w.dxfString(9, "$INSBASE");
    w.coord(10, 0, 0, 0);
    w.sectionEnd();
    w.sectionTables();
    w.tableLinetypes(1);
    w.tableLinetypeEntry();
    w.tableLayers(2);
    w.tableLayerEntry();
    w.color(7);
    w.linetype("CONTINUOUS");
    w.tableStyle(0);
    w.tableAppid(3);
    w.tableAppidEntry();
    w.tableEnd();
    w.sectionBlocks();
    w.sectionBlockEntry();
    w.sectionBlockEntryEnd();
    w.sectionEntities();
    w.entity("LINE");
    const double p[3] = {1.5, -2.25, 1e-9};
    w.coordTriplet(11, p);
    for (int code : {0, 5, 9, 10, 99, 100, 999, 1000, 1071}) {
        w.dxfInt(code, code);
        w.dxfString(code, std::string("MH\xe9 1   "));
        w.dxfString(code, "");
    }
    for (int v : {0, 1, -7, 32767, -32768, INT_MAX, INT_MIN}) w.dxfInt(1071, v);
    for (int v : {0, 9, 10, 255, 0x30, 0xABCDEF, -1}) w.dxfHex(5, v);
    for (double v : reals) w.dxfReal(40, v);
    w.dxfEOF();
}

TEST(CadDxfWriter, GroupsMatchDxflibsFileWriterByteForByte) {
    std::vector<double> reals = {0.0, -0.0, 0.1, 0.2, 0.5, 1.0, -1.5, 1.0 / 3, -2.0 / 3, 100.8f, 4000420.0f,
        123456789.123456789, 12.000000000000002, 1e14, 99999999999999.99, 999999999999999.9, -999999999999999.9,
        1e-16, 5e-17, 4.9e-17, 1e-17, -1e-17, 4.9e-324, 2.2250738585072014e-308, 1.23456789e-5};
    // A spread of magnitudes below the fixed notation's limit, whole and fractional.
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> exponent(-20, 15);
    for (int i = 0; i < 5000; ++i) {
        double v = std::pow(10.0, exponent(gen)) * (gen() & 1 ? 1 : -1);
        if (std::fabs(v) >= 1e15) continue;
        reals.push_back(v);
        reals.push_back(std::round(v * 1000) / 1000);
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.dxf").toStdString();
    {
        DL_WriterA file(path.c_str(), DL_VERSION_R12);
        ASSERT_FALSE(file.openFailed());
        WriteSample(file, reals);
        file.close();
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream expected;
    expected << in.rdbuf();
    DxfStringWriter memory;
    WriteSample(memory, reals);
    const std::string& got = memory.bytes();
    ASSERT_FALSE(got.empty());
    if (got != expected.str()) {
        size_t at = 0;
        while (at < got.size() && at < expected.str().size() && got[at] == expected.str()[at]) ++at;
        const size_t from = got.rfind('\n', at > 40 ? at - 40 : 0);
        FAIL() << "first difference at byte " << at << ":\nours:\n" << got.substr(from == std::string::npos ? 0 : from, 80)
               << "\ndxflib:\n" << expected.str().substr(from == std::string::npos ? 0 : from, 80);
    }
}

// Where dxflib's file writer has no answer the file must still read back.
TEST(CadDxfWriter, ValuesBeyondFixedNotationAndBrokenTexts) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double v;
        const char* text;
    } reals[] = {
        {1e15, "1e+15"},
        {-1e15, "-1e+15"},
        {1.5e20, "1.5e+20"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0"},
        {inf, "0.0"},
        {-inf, "0.0"},
    };
    for (const auto& r : reals) {
        DxfStringWriter w;
        w.dxfReal(10, r.v);
        EXPECT_EQ(w.bytes(), std::string(" 10\n") + r.text + "\n") << r.v;
    }
    const struct {
        std::string in, out;
    } texts[] = {
        {"a\r\nb", "a  b"},
        {std::string("x\0y", 3), "x y"},
        {"\n", " "},
        {"tab\tkept", "tab\tkept"},
    };
    for (const auto& t : texts) {
        DxfStringWriter w;
        w.dxfString(1, t.in);
        w.dxfString(1, t.in.c_str());
        const std::string cut = t.in.c_str();
        std::string cutOut = t.out.substr(0, cut.size());
        EXPECT_EQ(w.bytes(), "  1\n" + t.out + "\n  1\n" + cutOut + "\n") << t.out;
    }
    DxfStringWriter w;
    w.dxfString(3, static_cast<const char*>(nullptr));
    w.dxfInt(70, 1);
    const std::string taken = w.take();
    EXPECT_EQ(taken, "  3\n\n 70\n1\n");
    EXPECT_TRUE(w.bytes().empty());
}

}  // namespace
}  // namespace vd
