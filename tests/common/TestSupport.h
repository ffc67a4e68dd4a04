#pragma once
// Helpers shared by the test suites.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace vornel_test {

// While it lives, no file of this process may grow beyond nBytes: a write past that fails
// as on a full disk (EFBIG instead of ENOSPC, the signal that goes with it ignored).
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_pfnSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = nBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_pfnSignal);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_pfnSignal)(int) = SIG_DFL;
};

// A fresh temporary folder that the test works in: created and entered on construction,
// left and removed on destruction. Tests that touch "temp.mat", "progr.f90", "visual.tmp" or
// material files run inside one.
class CScratchDir {
public:
    CScratchDir() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "vornel-test-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            throw std::runtime_error("cannot create a scratch folder");
        m_path = strTemplate;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~CScratchDir() {
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// A test fixture that runs every test in its own scratch folder.
class ScratchTest : public ::testing::Test {
protected:
    CScratchDir m_scratch;
};

inline std::vector<unsigned char> FileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline std::string FileText(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of a text, without their line breaks.
inline std::vector<std::string> Lines(const std::string& strText) {
    std::vector<std::string> aLines;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);)
        aLines.push_back(strLine);
    return aLines;
}

inline void WriteText(const std::string& strPath, const std::string& strText) {
    std::ofstream out(strPath, std::ios::binary);
    out << strText;
}

// |actual - expected| <= tol * max(1, |expected|): relative, turning absolute near 0.
// Text as the bytes of UTF-16, little- or big-endian, with or without the byte-order mark,
// as Windows programs write "Unicode" text.
inline std::string Utf16(std::u16string_view text, bool bLittle, bool bMark) {
    std::string str;
    for (char16_t c : bMark ? u"\uFEFF" + std::u16string(text) : std::u16string(text)) {
        const char aPair[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        str += bLittle ? aPair[0] : aPair[1];
        str += bLittle ? aPair[1] : aPair[0];
    }
    return str;
}

inline ::testing::AssertionResult Near(double dActual, double dExpected, double dTol) {
    const double dScale = std::max(1.0, std::fabs(dExpected));
    if (std::fabs(dActual - dExpected) <= dTol * dScale)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << dActual << " differs from " << dExpected << " by "
                                         << std::fabs(dActual - dExpected) << " (tolerance " << dTol * dScale << ")";
}

// Single-precision literal widened to double, as the engine's thresholds are.
constexpr double Widened(float f) { return static_cast<double>(f); }

// Whether a test whose independent oracle is missing (gfortran, ccx, the measured data sets
// beside the checkout) must fail rather than skip: the environment variable
// VORNEL_REQUIRE_ORACLES is "1", as continuous integration sets it, so that a missing tool
// or data set cannot pass there unnoticed.
inline bool OraclesRequired() {
    const char* szValue = std::getenv("VORNEL_REQUIRE_ORACLES");
    return szValue && std::string(szValue) == "1";
}

} // namespace vornel_test

// Ends the running test for want of its oracle, strReason saying what is missing: a skip,
// or a failure when OraclesRequired(). Like GTEST_SKIP() and FAIL(), it returns from the
// function it is used in (the test body, or a helper returning void).
#define SkipOrFailWithoutOracle(strReason)                                                          \
    do {                                                                                            \
        const std::string strWhyNoOracle_ = (strReason);                                            \
        if (::vornel_test::OraclesRequired())                                                       \
            FAIL() << strWhyNoOracle_ << " (VORNEL_REQUIRE_ORACLES=1: no skip for want of an oracle)"; \
        GTEST_SKIP() << strWhyNoOracle_;                                                            \
    } while (false)
