#pragma once
// Confidence intervals of the coefficients of a least-squares fit on the stress, from the
// Jacobian at the optimum (the linearised model):
//
//     covariance C = s^2 (J^T J)^-1,   s^2 = SSR / (N - p),
//     95 % half-width of coefficient k = t(0.975, N - p) sqrt(C_kk),
//     correlation of coefficients i and j = C_ij / sqrt(C_ii C_jj),
//
// J the N x p Jacobian of the fitted stresses with respect to the coefficients as they are
// stored (A1, A2, ...), SSR the sum of squared residuals, t the Student t quantile (Boost
// Math). (J^T J)^-1 is formed from the singular value decomposition of J with its columns
// scaled to unit length, so that coefficients of very different sizes (a polynomial's E^5
// term beside its constant) do not spoil it. Reference: D. M. Bates, D. G. Watts, Nonlinear
// Regression Analysis and Its Applications, Wiley (1988), ch. 2.

#include <string>
#include <vector>

// A pair of coefficients whose estimates are correlated beyond kIllDeterminedCorrelation:
// the data determine a combination of the two rather than each.
inline constexpr double kIllDeterminedCorrelation = 0.999;

enum class EConfidence {
    Formed,       // the intervals below hold
    TooFewPoints, // N <= p: no residual degree of freedom
    Singular,     // J has not full rank: some coefficient is not determined at all
};

struct CCoefficientInterval {
    int m_nNumber = 0;        // k of A<k>
    double m_dValue = 0;      // the estimate
    double m_dHalfWidth = 0;  // 95 % half-width
    double Low() const { return m_dValue - m_dHalfWidth; }
    double High() const { return m_dValue + m_dHalfWidth; }
};

struct CIllDeterminedPair {
    int m_nFirst = 0;          // A<first>, A<second>, first < second
    int m_nSecond = 0;
    double m_dCorrelation = 0; // |value| > kIllDeterminedCorrelation
};

struct CConfidenceIntervals {
    EConfidence m_eStatus = EConfidence::Singular;
    std::string m_strMessage;  // not formed: why, a sentence for the user
    int m_nPoints = 0;         // N
    double m_dSigma = 0;       // s, in stress units
    double m_dQuantile = 0;    // t(0.975, N - p)
    std::vector<CCoefficientInterval> m_aCoef;       // formed: one per coefficient, in order
    std::vector<CIllDeterminedPair> m_aIllDetermined; // formed: in the order (1,2), (1,3), ...
    bool Formed() const { return m_eStatus == EConfidence::Formed; }
};

// The intervals of coefficients A<nFirstNumber>.. of values pValues (p of them), from the
// Jacobian pJacobian (N rows, p columns, column-major: d s_i / d A_k at i + N k) and the sum
// of squared residuals dSumSq at the optimum.
CConfidenceIntervals MakeConfidenceIntervals(const double* pJacobian, int nPoints, int nCoef, const double* pValues,
                                             double dSumSq, int nFirstNumber = 1);

// The Student t quantile t(dProbability, nDegrees), nDegrees >= 1.
double StudentQuantile(double dProbability, int nDegrees);
