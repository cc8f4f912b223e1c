#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "engine/errors.h"
#include "engine/model.h"
#include "engine/number_text.h"
#include "engine/ui_sink.h"

namespace vd {
namespace {

TEST(FormatFixed, WorkedExamples) {
    struct Case { double v; int n; const char* want; };
    const Case cases[] = {
        {12.5, 2, " 12.50"}, {3, 2, " 3.00"}, {-1.5, 1, "-1.5"}, {-0.25, 2, "-0.25"},
        {2.5, 0, " 2"}, {3.5, 0, " 4"}, {0.125, 2, " 0.12"}, {-0.004, 2, " 0.00"},
        {0.5, 2, " 0.50"}, {-1.25, 1, "-1.2"}, {0, 3, " 0.000"}, {0.05, 2, " 0.05"},
        {300000, 4, " 300000.0000"},  // wider than 32 bits once scaled: still formats
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.v, c.n), c.want) << c.v << " " << c.n;
    // A single-precision value widened keeps its own value: 12.345f is a hair above 12.345.
    EXPECT_EQ(FormatFixed(12.345f, 2), " 12.35");
    // Too many decimals or a value that is no number overflow rather than
    // turning an undefined product into digits.
    for (double v : {0.0, 1.0}) EXPECT_THROW(FormatFixed(v, 400), RuntimeError) << v;
    EXPECT_THROW(FormatFixed(std::nan(""), 2), RuntimeError);
    EXPECT_EQ(FormatFixed(0, 20), " 0." + std::string(20, '0'));
}

// The rule in its plain arithmetic: the scaled value divided back, split
// into whole part and decimals; the formatter's integer split must agree.
std::string ReferenceFixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = RoundHalfEven(value * scale);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e15) return "overflow";
    const double r = scaled / scale, w = std::trunc(r);
    std::string intText = (w >= 0 ? " " : "") + std::to_string(static_cast<long long>(w));
    const long long f = static_cast<long long>(RoundHalfEven(std::fabs(r - w) * scale));
    std::string frac;
    if (decimals > 0) {
        std::string digits = std::to_string(f);
        digits.insert(0, std::max<int>(0, decimals - static_cast<int>(digits.size())), '0');
        frac = "." + digits.substr(0, decimals);
    }
    if (value < 0 && f != 0 && intText[0] != '-') return "-" + intText.substr(1) + frac;
    return intText + frac;
}

TEST(FormatFixed, SameTextsAsThePlainArithmeticOverManyValues) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int i = 0; i < 300000; ++i) {
        const int decimals = static_cast<int>(rng() % 8);
        const double magnitude = std::pow(10.0, static_cast<int>(rng() % 19) - 4);
        double v = unit(rng) * magnitude;
        if (i % 3 == 0) v = static_cast<float>(v);  // the fields are single precision
        if (i % 5 == 0) v = (std::round(v * std::pow(10.0, decimals + 1)) + 0.5 * (i % 2)) / std::pow(10.0, decimals + 1);
        std::string got;
        try {
            got = FormatFixed(v, decimals);
        } catch (const RuntimeError&) {
            got = "overflow";
        }
        ASSERT_EQ(got, ReferenceFixed(v, decimals)) << std::hexfloat << v << " " << decimals;
        // Written straight into a cell's 20 characters: the same text, or
        // nothing where it needs more room or the general form.
        if (got == "overflow") continue;
        char cell[20];
        const std::size_t n = FormatFixedInto(v, decimals, cell);
        if (n > 0) { ASSERT_EQ(std::string(cell, n), got) << std::hexfloat << v << " " << decimals; }
        if (got.size() <= sizeof cell && std::fabs(v) * std::pow(10.0, decimals) < 2e15) {
            ASSERT_GT(n, 0u) << std::hexfloat << v << " " << decimals;
        }
        if (got.size() > sizeof cell) { ASSERT_EQ(n, 0u) << got; }
    }
}

TEST(ChainageText, KilometresPlusMetres) {
    EXPECT_EQ(ChainageText(1234), " 1+234");
    EXPECT_EQ(ChainageText(56), " 0+056");
    EXPECT_EQ(ChainageText(-56), "-0+056");
    EXPECT_EQ(ChainageText(0), " 0+000");
}

TEST(Val, LeadingNumberRule) {
    struct Case { const char* text; double want; };
    const Case cases[] = {
        {"12.5m", 12.5}, {"1,5", 1}, {"1 2", 12}, {"&H1F", 31}, {"&HFFFF", -1}, {"&O17", 15},
        {"1D2", 100}, {"1e-3", 0.001}, {"  -3.5", -3.5}, {"\t\n7", 7}, {"abc", 0}, {"", 0},
        {".5", 0.5}, {"-.5", -0.5}, {"1E", 1}, {"- 4", -4}, {"+2.", 2},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.text), c.want) << c.text;
}

// A number as a whole text or nothing: one sign, values too small for a
// double read 0, too large ones are refused however their digits run.
TEST(NumberOfText, WholeTextOrNothing) {
    const std::string zeros(400, '0'), digits(300, '7');
    struct Case { std::string text; std::optional<double> want; };
    const Case cases[] = {
        {" 12.5 ", 12.5}, {"+2", 2}, {"-.5", -0.5}, {"1E3", 1000}, {"\t\n7", 7}, {"1e308", 1e308},
        {"1,5", std::nullopt}, {"12abc", std::nullopt}, {"", std::nullopt}, {"+-1", std::nullopt},
        {"-+1", std::nullopt}, {"--1", std::nullopt}, {"++1", std::nullopt}, {"inf", std::nullopt},
        {"1e309", std::nullopt},
        {"0." + zeros + "1", 0.0}, {"-0." + zeros + "7", 0.0}, {"0." + zeros + digits, 0.0}, {"1e-400", 0.0},
        {"1" + zeros + "e-400", 1.0}, {"0." + zeros + "1e401", 1.0},
        {digits + "e10", std::nullopt}, {digits + "." + digits + "e9", std::nullopt},
        {"0." + zeros + digits + "e800", std::nullopt}, {"-" + digits + "e10", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = NumberOfText(c.text);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.text.substr(0, 60);
        if (c.want) {
            EXPECT_DOUBLE_EQ(*got, *c.want) << c.text.substr(0, 60);
        }
    }
}

// What a user types or a table holds: one number in the forms Val reads,
// with Val's value, or why not. Where the file reader takes a text as a
// number, so does this one, with the same value.
TEST(ReadOneNumber, WholeTextInValsFormsOrWhyNot) {
    using K = OneNumber::Kind;
    struct Case { std::string text; K kind; double value; };
    const Case cases[] = {
        {" 12.5 ", K::Number, 12.5}, {"-.75", K::Number, -0.75},  {"1D3", K::Number, 1000},  {"&H10", K::Number, 16},
        {"5e+3", K::Number, 5000},   {"&o17", K::Number, 15},     {"&HFFFF", K::Number, -1}, {"+ .5d1", K::Number, 5},
        {"\t7\n", K::Number, 7},     {"5.", K::Number, 5},        {"1e-400", K::Number, 0},
        {"", K::Blank, 0},           {" \t\n ", K::Blank, 0},
        {"0,004", K::NotANumber, 0}, {"12abc", K::NotANumber, 0}, {"abc", K::NotANumber, 0}, {"1.5 m", K::NotANumber, 0},
        {"1 2", K::NotANumber, 0},   {"1E", K::NotANumber, 0},    {"&H", K::NotANumber, 0},  {"&O8", K::NotANumber, 0},
        {"&H 1", K::NotANumber, 0},  {".", K::NotANumber, 0},     {"+-1", K::NotANumber, 0}, {"inf", K::NotANumber, 0},
        {"0x1A", K::NotANumber, 0},  {"\r1", K::NotANumber, 0},   {"1\r", K::NotANumber, 0},
        {"1E400", K::TooLarge, 0},   {"-1D999", K::TooLarge, 0},  {"&H1FFFFFFFF", K::TooLarge, 0},
        {std::string(400, '9'), K::TooLarge, 0},
        // The value of digits and exponent together decides between 0 and too large.
        {"1" + std::string(400, '0') + "E-5", K::TooLarge, 0}, {"0." + std::string(330, '0') + "1", K::Number, 0},
        {"-" + std::string(400, '0') + "1E-500", K::Number, 0}, {"1" + std::string(400, '0') + "D-399", K::Number, 10},
    };
    for (const Case& c : cases) {
        const OneNumber n = ReadOneNumber(c.text);
        EXPECT_EQ(n.kind, c.kind) << c.text.substr(0, 60);
        EXPECT_DOUBLE_EQ(n.value, c.value) << c.text.substr(0, 60);
        // A single field takes the same verdict but past the single range,
        // and every refusal reads alike.
        const OneNumber single = ReadOneSingle(c.text);
        EXPECT_EQ(single.kind, c.kind == K::Number && std::fabs(c.value) > 3.5e38 ? K::TooLarge : c.kind);
        const bool refused = c.kind == K::NotANumber || c.kind == K::TooLarge;
        EXPECT_EQ(NumberRefusal(c.text, c.kind).empty(), !refused) << c.text.substr(0, 60);
    }
    for (const char* t : {"3.4028235E38", "-3.4e38", "1e-50"}) EXPECT_EQ(ReadOneSingle(t).kind, K::Number) << t;
    for (const char* t : {"3.4028236E38", "-1e39", "1D300"}) EXPECT_EQ(ReadOneSingle(t).kind, K::TooLarge) << t;
    EXPECT_EQ(NumberRefusal(" 12abc ", K::NotANumber), "\"12abc\" is not a number");
    EXPECT_EQ(NumberRefusal(std::string(1000, '9'), K::TooLarge),
              "\"" + std::string(40, '9') + "...\" is a number too large to hold");
    std::mt19937 rng(2024);
    const std::string alphabet = " 0123456789.+-eEdD&Ho\t,";
    for (int i = 0; i < 20000; ++i) {
        std::string t(rng() % 8, ' ');
        for (char& ch : t) ch = alphabet[rng() % alphabet.size()];
        const OneNumber n = ReadOneNumber(t);
        if (n.kind == OneNumber::Number) {
            EXPECT_DOUBLE_EQ(n.value, Val(t)) << t;
        }
        if (const std::optional<double> file = NumberOfText(t); file && !t.empty()) {
            ASSERT_EQ(n.kind, OneNumber::Number) << t;
            EXPECT_DOUBLE_EQ(n.value, *file) << t;
        }
    }
}

TEST(Rounding, HalfToEven) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(2.51), 3);
    EXPECT_EQ(CLng(100000.5), 100000);
    EXPECT_THROW(CInt(40000), RuntimeError);
}

TEST(SinglePrint, ShortestWithSevenDigits) {
    EXPECT_EQ(FloatPrintText(50), " 50 ");
    EXPECT_EQ(FloatPrintText(100.25f), " 100.25 ");
    EXPECT_EQ(FloatPrintText(0.005f), " 0.005 ");
    EXPECT_EQ(FloatPrintText(-12.5f), "-12.5 ");
    EXPECT_EQ(FloatPrintText(0), " 0 ");
    EXPECT_EQ(FloatPrintText(1.0f / 3.0f), " 0.3333333 ");
    EXPECT_EQ(FloatPrintText(1e8f), " 1E+08 ");
    EXPECT_EQ(FloatPrintText(1e-5f), " 1E-05 ");
}

TEST(PointDistance, IgnoresThirdElement) {
    EXPECT_DOUBLE_EQ(PointDistance({0, 0, 5}, {3, 4, 9}), 5.0);
    EXPECT_THROW(PointDistance({0}, {3, 4}), RuntimeError);
}

TEST(AppendLog, ALogThatRefusesTheTextDoesNotStopTheCaller) {
    struct RefusingUi : NullUi {
        void AppendLog(const std::string&) override { throw std::runtime_error("log box gone"); }
    } ui;
    Model m;
    m.SetUi(&ui);
    EXPECT_NO_THROW(AppendLog(m, "Process"));
}

TEST(AppendLogText, KeepsNear1500Characters) {
    std::string log;
    AppendLogText(log, std::string(20, 'a'));
    EXPECT_EQ(log, std::string(20, 'a') + "\r\n");

    // 1490 characters with line ends every 10: cut after the first CR LF at or
    // after position 120, then append.
    log.clear();
    while (log.size() < 1490) log += "abcdefgh\r\n";
    log.resize(1490);
    std::string msg(20, 'm');
    std::string expect = log.substr(log.find("\r\n", 119) + 2) + msg + "\r\n";
    AppendLogText(log, msg);
    EXPECT_EQ(log, expect);

    // A message longer than the log: no CR LF from that position, one character dropped.
    log = "xy\r\nz";
    std::string big(1600, 'b');
    AppendLogText(log, big);
    EXPECT_EQ(log, "y\r\nz" + big + "\r\n");
}

}  // namespace
}  // namespace vd
