#pragma once
// Preparation of one raw flow curve: trim to the steady rise, smooth, resample to 30 points.
//
// A raw record (strain X(j), stress Y(j), j = 1..n in sampling order) may start with a dwell
// in which the strain hardly moves and end with a tail after the deformation stopped. The
// preparation finds the rise window between 10 % and 90 % of the largest strain, extends it
// back and forward to where the strain moves at no less than 70 % of the window's average
// step, smooths strain and stress with Savitzky-Golay filters of order 4 and resamples the
// result to 30 points: an origin-derived first point, 28 points at the evenly spaced strains
// k/29 of the last smoothed strain, and the last smoothed sample.
//
// The resampling interpolates with the quartic through five neighbouring positions, one of
// which may be the origin (0, 0). Below a steep rise, or when the first smoothed sample sits
// at strain 0 after a dwell but at the full stress, that quartic is ill-posed and swings far
// outside the data; where its value is not plausible the stress is interpolated linearly
// instead (Resample). A prepared strain below 0 (smoothing a dwell at exactly 0 leaves
// rounding-level negatives) becomes 0, as does a stress below 0 by rounding only; a
// prepared curve whose stresses still leave 0 .. 1.5 times the record's largest stress is
// refused.
//
// Reference for the filter: A. Savitzky, M. J. E. Golay, Smoothing and differentiation of
// data by simplified least squares procedures, Anal. Chem. 36 (1964) 1627-1639; its weights
// are the first row of (V^T V)^-1 V^T for the Vandermonde matrix V of the window's offsets,
// obtained here from the normal equations. LU decomposition: Crout's method with partial
// pivoting and implicit row scaling (G. Dahlquist, A. Bjorck, Numerical Methods in
// Scientific Computing I, SIAM 2008, section 7.2).

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace tarnfit {

inline constexpr int kPreparedPoints = 30;

// Thresholds of the trimming, single-precision literals widened to double.
inline constexpr double kRiseLow = static_cast<double>(0.1f);   // 0.10000000149011612
inline constexpr double kRiseHigh = static_cast<double>(0.9f);  // 0.8999999761581421
inline constexpr double kStepShare = static_cast<double>(0.7f); // 0.699999988079071

// A prepared stress must lie in 0 .. kPlausibleStressFactor times the record's largest stress.
inline constexpr double kPlausibleStressFactor = 1.5;
// A prepared stress below 0 by no more than this share of the largest stress is rounding
// of the smoothing and becomes 0.
inline constexpr double kStressRounding = 1.0e-9;
// The quartic's value at a resampling strain is kept when it lies within the five stresses
// of its window widened on either side by this share of their spread.
inline constexpr double kQuarticMargin = 0.25;

// How the smoothed samples became 30 points.
enum class EResampling {
    None,       // exactly 29 smoothed samples
    Up,         // fewer than 29 smoothed samples, interpolated upwards
    Down,       // 30 to 59 smoothed samples, interpolated downwards
    WideWindow, // more than 60 samples: 29 samples smoothed with wide windows
};

struct CPreparedCurve {
    bool m_bOk = false;
    std::string m_strReason;          // why the record cannot be prepared (m_bOk false)
    int m_nStart = 0;                 // istart, 1-based sample index
    int m_nEnd = 0;                   // iend, 1-based sample index
    int m_nRiseLow = 0;               // i1: last sample below 10 % of the largest strain
    int m_nRiseHigh = 0;              // i2: last sample below 90 % of the largest strain
    int m_nSamples = 0;               // m = iend - istart + 1
    EResampling m_eResampling = EResampling::None;
    int m_nLinear = 0;                // resampling strains interpolated linearly (quartic implausible)
    std::array<double, kPreparedPoints> m_x{}; // prepared strains
    std::array<double, kPreparedPoints> m_y{}; // prepared stresses
};

// A raw record's strains X(j) and stresses Y(j), j = 1..n, where they lie: X(j) at
// m_pX + (j - 1) m_nStride bytes, Y(j) likewise from m_pY; doubles, not necessarily aligned.
// Two packed arrays have the stride 8; the records of an exchange file in memory have 56.
struct CRawSeries {
    const unsigned char* m_pX = nullptr;
    const unsigned char* m_pY = nullptr;
    std::size_t m_nStride = sizeof(double);
    int m_n = 0;

    double X(int j) const { return At(m_pX, j); }
    double Y(int j) const { return At(m_pY, j); }

private:
    double At(const unsigned char* p, int j) const {
        double d;
        std::memcpy(&d, p + static_cast<std::size_t>(j - 1) * m_nStride, sizeof d);
        return d;
    }
};

// Prepares the raw record X[0..n-1], Y[0..n-1] (sample j is X[j-1]). Refuses, with a
// reason, a record that cannot be prepared soundly: no sample, a first strain already at or
// above 10 % of the largest, no rise window (the 90 % sample directly follows the 10 % one,
// or the strain does not grow across it), a trimmed range of fewer than 9 samples, a window
// reaching outside the record, a resampling search that finds no position, or prepared
// stresses that are not finite or leave 0 .. 1.5 times the largest raw stress. Prepared
// strains below 0, and stresses below 0 by at most kStressRounding times the largest raw
// stress, are set to 0.
CPreparedCurve PrepareCurve(const double* pX, const double* pY, int n);
// The same on a record where it lies.
CPreparedCurve PrepareCurve(const CRawSeries& record);

// Savitzky-Golay weights for the window of offsets -nl..nr (nl + nr + 1 = np samples) and
// polynomial order nOrder (at most 6, at most nl + nr): the returned c[o + nl] satisfies
// sum_o c(o) f(o) = p(0), p the least-squares polynomial of degree nOrder through (o, f(o)).
// The moment matrix sum_o o^(i+j) adds single-precision powers in double. Returns an empty
// vector for inconsistent arguments ("bad args in savgol"), and for offsets so large that
// max(nl, nr)^(2 nOrder) exceeds a 64-bit integer or the window's length an int.
std::vector<double> savgol(int nl, int nr, int nOrder);

// LU decomposition of the n x n row-major matrix a (n <= 7) in place, by Crout's method with
// partial pivoting and implicit scaling. pIndex[0..n-1] receives the row permutation, *pSign
// +1 or -1 for an even or odd number of interchanges. A pivot that is exactly 0 becomes
// 1e-20. Returns false for a row that is entirely zero ("singular matrix in ludcmp"); a is
// then partly overwritten.
bool ludcmp(double* a, int n, int* pIndex, double* pSign);

// Solves A x = b with the factors and permutation of ludcmp; b (n values) becomes x.
void lubacksub(const double* a, int n, const int* pIndex, double* b);

// The value at u of the polynomial of degree 4 through the five points (s[k], f[k]), from the
// 5 x 5 normal equations in the monomials 1, s, .., s^4. NaN when they are singular.
double localpoly(const double* s, const double* f, double u);

// Whether the quartic's value dValue through the five stresses f[0..4] is plausible: finite,
// not below 0 and within [min f - margin, max f + margin], margin = kQuarticMargin (max f -
// min f).
bool PlausibleQuarticValue(double dValue, const double* f);

} // namespace tarnfit
