// The "%f" numbers read and written, against the C library's own conversions.

#include "formats/TextFile.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Plain decimals of every shape data files hold: "%f" of magnitudes from 1e-9 to 1e13,
// random digit strings with the point anywhere and leading zeros, 17 to 22 significant
// digits, the midpoints of adjacent floats, values near the ends of the float range.
std::vector<std::string> PlainDecimals() {
    std::vector<std::string> aCases = {"0",         "0.0",        "0.000000",   "5.",          ".5",
                                       "00012.5000", "16777216",   "16777217",   "16777219",    "33554435",
                                       "0.1",        "0.001",      "1e3",        "2.5E-2",      "12345678901234567890",
                                       "3.4028235e38", "3.5e38",   "1.17549435e-38", "1e-40",  "9007199254740993",
                                       "0.00000000000000000000000123", "340282346638528859811704183484516925440"};
    std::mt19937_64 rng(15);
    std::uniform_real_distribution<double> exponent(-9.0, 13.0);
    char sz[128];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(sz, sizeof sz, "%f", std::pow(10.0, exponent(rng)));
        aCases.emplace_back(sz);
    }
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> length(1, 23);
    for (int i = 0; i < 100000; ++i) {
        std::string str;
        const int n = length(rng);
        for (int k = 0; k < n; ++k)
            str += static_cast<char>('0' + digit(rng));
        const std::size_t nPoint = static_cast<std::size_t>(rng() % static_cast<std::uint64_t>(n + 2));
        if (nPoint <= str.size())
            str.insert(nPoint, ".");
        aCases.push_back(str);
    }
    // The decimal midpoints of neighbouring floats that have few digits.
    for (float f = 16777216.0f; f < 16777216.0f + 200; f = std::nextafter(f, 1e30f)) {
        std::snprintf(sz, sizeof sz, "%.1f", 0.5 * (static_cast<double>(f) + std::nextafter(f, 1e30f)));
        aCases.emplace_back(sz);
    }
    return aCases;
}

} // namespace

// Each number alone, signed, and followed by the rest of a row (so that it lies inside a
// longer text, as in a file).
TEST(ScanFloat, ReadsPlainDecimalsAsTheCLibraryDoes) {
    for (const std::string& str : PlainDecimals()) {
        for (const std::string& strSigned : {str, "-" + str, str + " 12 0.5\n", str + "/1234567"}) {
            char* pEnd = nullptr;
            const float fExpected = std::strtof(strSigned.c_str(), &pEnd);
            float f = -1.0f;
            const char* pStop = ScanFloat(strSigned.data(), strSigned.data() + strSigned.size(), f);
            ASSERT_NE(pStop, nullptr) << strSigned;
            EXPECT_EQ(pStop - strSigned.data(), pEnd - strSigned.c_str()) << strSigned;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(f), std::bit_cast<std::uint32_t>(fExpected))
                << strSigned << ": " << f << " instead of " << fExpected;
        }
    }
}

// Fixed notation against the C library's printf: magnitudes over the whole double range,
// halfway cases of the rounding, signed zeros, values that are not finite, widths.
TEST(AppendFixed, WritesAsPrintfDoes) {
    std::vector<double> aValues = {0.0, -0.0, 0.5, 1.5, 2.5, 0.0005, 0.00049999999999999999, 1000.0, -5.0, 0.125,
                                   1e300, -1e-300, 123456789.98765, std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                                   -std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> exponent(-8.0, 12.0);
    for (int i = 0; i < 20000; ++i)
        aValues.push_back((rng() % 2 ? -1 : 1) * std::pow(10.0, exponent(rng)));
    char sz[512];
    for (const double d : aValues)
        for (const auto& [nPrecision, nWidth] : {std::pair{1, 5}, std::pair{3, 5}, std::pair{6, 0}, std::pair{0, 12}}) {
            std::snprintf(sz, sizeof sz, "%*.*f", nWidth, nPrecision, d);
            std::string str;
            AppendFixed(str, d, nPrecision, nWidth);
            ASSERT_EQ(str, sz) << nWidth << "." << nPrecision;
        }
}
