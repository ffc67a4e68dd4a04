#pragma once
// Helpers of the kernel tests: capture of standard output around a call, counting of lines
// that carry kernel messages.

#include "TestSupport.h"

#include "kernels/ErrorMechanism.h"
#include "tarnfit/kernels.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace vornel_test {

// Runs f with standard output captured and returns what it printed.
template <class F>
std::string Captured(F&& f) {
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// Number of non-overlapping occurrences of strNeedle in strHay.
inline int Count(const std::string& strHay, const std::string& strNeedle) {
    int n = 0;
    for (std::size_t pos = strHay.find(strNeedle); pos != std::string::npos;
         pos = strHay.find(strNeedle, pos + strNeedle.size()))
        ++n;
    return n;
}

inline bool Contains(const std::string& strHay, const std::string& strNeedle) {
    return strHay.find(strNeedle) != std::string::npos;
}

// Every kernel test must leave the routine stack where it found it.
class KernelTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(tarnfit::kernels::E1Level(), 1); }
};

} // namespace vornel_test
