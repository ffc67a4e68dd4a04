#include "PrepareCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace tarnfit {

namespace {

constexpr int kMaxOrder = 6;
constexpr double kTinyPivot = 1.0e-20;

// o^p for an integer offset o as the single-precision value nearest to the exact power.
double SinglePrecisionPower(int o, int p) {
    std::int64_t nPower = 1;
    for (int i = 0; i < p; ++i)
        nPower *= o;
    return static_cast<double>(static_cast<float>(nPower));
}

// Savitzky-Golay weights of order 4 for the window -nl..nr, computed once per window
// shape and thread: the records of one material mostly share their lengths and so their
// windows. Empty for a shape savgol refuses.
const std::vector<double>& SmoothingWeights(int nl, int nr) {
    struct CShape {
        int m_nl;
        int m_nr;
        std::vector<double> m_aWeights;
    };
    constexpr std::size_t kMaxShapes = 64;
    thread_local std::vector<CShape> s_aShapes;
    for (const CShape& shape : s_aShapes)
        if (shape.m_nl == nl && shape.m_nr == nr)
            return shape.m_aWeights;
    if (s_aShapes.size() == kMaxShapes)
        s_aShapes.clear(); // the smoothers refetch their shape's weights
    s_aShapes.reserve(kMaxShapes); // no reallocation: a smoother keeps its shape's address
    return s_aShapes.emplace_back(CShape{nl, nr, savgol(nl, nr, 4)}).m_aWeights;
}

// Savitzky-Golay smoothing of one record at its samples.
class CSmoother {
public:
    explicit CSmoother(const CRawSeries& record) : m_record(record) {}

    // Smoothed (strain, stress) of the window -nl..nr around sample j; false when the
    // window leaves the record 1..n.
    bool At(int j, int nl, int nr, double& dP, double& dQ) {
        if (j - nl < 1 || j + nr > m_record.m_n)
            return false;
        if (nl != m_nl || nr != m_nr) {
            m_pWeights = &SmoothingWeights(nl, nr);
            m_nl = nl;
            m_nr = nr;
        }
        const std::vector<double>& aWeights = *m_pWeights;
        if (aWeights.empty())
            return false;
        dP = 0;
        dQ = 0;
        for (int o = -nl; o <= nr; ++o) {
            const double c = aWeights[static_cast<std::size_t>(o + nl)];
            dP += c * m_record.X(j + o);
            dQ += c * m_record.Y(j + o);
        }
        return true;
    }

private:
    const CRawSeries& m_record;
    int m_nl = -1;
    int m_nr = -1;
    const std::vector<double>* m_pWeights = nullptr;
};

// Start q of the five-point interpolation window around position p, within 1..L.
int WindowStart(int p, int L) {
    int q = p - 2;
    if (q + 4 > L)
        q = L - 4;
    if (q < 1)
        q = 1;
    return q;
}

// Rewrites positions 2..29 of the smoothed samples P, Q (positions 1..L in use) at the
// strains u = k dEnd / 29, k = 1..28: Q(k + 1) is the quartic through the five positions
// around the first sample beyond u (upwards: k from 28 down, searching positions from 1 up
// for P > u; downwards: k from 1 up, searching from L down for P < u), and P(k + 1) = u.
// Where the quartic's value is not plausible (PlausibleQuarticValue) Q(k + 1) is instead
// the straight line between the two positions that bracket u: P(p - 1) <= u < P(p) upwards,
// P(p) < u <= P(p + 1) downwards; the origin at position 1 brackets strains below the
// first smoothed sample. The values are written while the loop runs, so later searches see
// them. Returns the number of strains interpolated linearly, or -1 when a search finds no
// position.
int Resample(double* P, double* Q, int L, double dEnd, bool bUp) {
    int nLinear = 0;
    for (int n = 0; n < 28; ++n) {
        const int k = bUp ? 28 - n : 1 + n;
        const double u = k * dEnd / 29;
        int p = 0;
        if (bUp) {
            for (int i = 1; i <= L && p == 0; ++i)
                if (P[i] > u)
                    p = i;
        } else {
            for (int i = L; i >= 1 && p == 0; --i)
                if (P[i] < u)
                    p = i;
        }
        if (p == 0 || (bUp && p == 1) || (!bUp && p == L))
            return -1;
        const int q = WindowStart(p, L);
        double dValue = localpoly(&P[q], &Q[q], u);
        if (!PlausibleQuarticValue(dValue, &Q[q])) {
            const int a = bUp ? p - 1 : p;
            const int b = a + 1;
            dValue = Q[a] + (Q[b] - Q[a]) * (u - P[a]) / (P[b] - P[a]);
            ++nLinear;
        }
        Q[k + 1] = dValue;
        P[k + 1] = u;
    }
    return nLinear;
}

CPreparedCurve Refuse(CPreparedCurve result, const std::string& strReason) {
    result.m_bOk = false;
    result.m_strReason = strReason;
    return result;
}

} // namespace

bool ludcmp(double* a, int n, int* pIndex, double* pSign) {
    double vv[kMaxOrder + 1];
    *pSign = 1.0;
    for (int i = 0; i < n; ++i) {
        double dBig = 0;
        for (int j = 0; j < n; ++j)
            dBig = std::max(dBig, std::fabs(a[i * n + j]));
        if (dBig == 0.0)
            return false;
        vv[i] = 1.0 / dBig;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double dSum = a[i * n + j];
            for (int k = 0; k < i; ++k)
                dSum -= a[i * n + k] * a[k * n + j];
            a[i * n + j] = dSum;
        }
        double dBig = 0;
        int iMax = j;
        for (int i = j; i < n; ++i) {
            double dSum = a[i * n + j];
            for (int k = 0; k < j; ++k)
                dSum -= a[i * n + k] * a[k * n + j];
            a[i * n + j] = dSum;
            const double dFigure = vv[i] * std::fabs(dSum);
            if (dFigure >= dBig) {
                dBig = dFigure;
                iMax = i;
            }
        }
        if (j != iMax) {
            for (int k = 0; k < n; ++k)
                std::swap(a[iMax * n + k], a[j * n + k]);
            *pSign = -*pSign;
            vv[iMax] = vv[j];
        }
        pIndex[j] = iMax;
        if (a[j * n + j] == 0.0)
            a[j * n + j] = kTinyPivot;
        if (j != n - 1) {
            const double dInverse = 1.0 / a[j * n + j];
            for (int i = j + 1; i < n; ++i)
                a[i * n + j] *= dInverse;
        }
    }
    return true;
}

void lubacksub(const double* a, int n, const int* pIndex, double* b) {
    int iFirst = -1; // first nonzero entry of b: the forward sweep starts there
    for (int i = 0; i < n; ++i) {
        const int ip = pIndex[i];
        double dSum = b[ip];
        b[ip] = b[i];
        if (iFirst >= 0) {
            for (int j = iFirst; j < i; ++j)
                dSum -= a[i * n + j] * b[j];
        } else if (dSum != 0.0) {
            iFirst = i;
        }
        b[i] = dSum;
    }
    for (int i = n - 1; i >= 0; --i) {
        double dSum = b[i];
        for (int j = i + 1; j < n; ++j)
            dSum -= a[i * n + j] * b[j];
        b[i] = dSum / a[i * n + i];
    }
}

namespace {

// True when |o|^(2 nOrder) of the largest offset o is an exact 64-bit integer, as the
// moment matrix needs, and the window's length nl + nr + 1 is an int.
bool OffsetsFit(int nl, int nr, int nOrder) {
    if (static_cast<std::int64_t>(nl) + nr + 1 > std::numeric_limits<int>::max())
        return false;
    const std::int64_t nLargest = std::max(nl, nr);
    std::int64_t nPower = 1;
    for (int p = 0; p < 2 * nOrder; ++p) {
        if (nLargest != 0 && nPower > std::numeric_limits<std::int64_t>::max() / nLargest)
            return false;
        nPower *= nLargest;
    }
    return true;
}

} // namespace

std::vector<double> savgol(int nl, int nr, int nOrder) {
    if (nl < 0 || nr < 0 || nOrder < 0 || nOrder > kMaxOrder || !OffsetsFit(nl, nr, nOrder) || nl + nr < nOrder)
        return {};
    const int nSize = nOrder + 1;
    double a[(kMaxOrder + 1) * (kMaxOrder + 1)];
    // Moment matrix: entry (i, j) = sum over the offsets of o^(i+j).
    for (int ipj = 0; ipj <= 2 * nOrder; ++ipj) {
        double dSum = ipj == 0 ? 1.0 : 0.0; // the offset 0 itself
        for (int k = 1; k <= nr; ++k)
            dSum += SinglePrecisionPower(k, ipj);
        for (int k = 1; k <= nl; ++k)
            dSum += SinglePrecisionPower(-k, ipj);
        const int mm = std::min(ipj, 2 * nOrder - ipj);
        for (int imj = -mm; imj <= mm; imj += 2)
            a[((ipj + imj) / 2) * nSize + (ipj - imj) / 2] = dSum;
    }
    int aIndex[kMaxOrder + 1];
    double dSign = 0;
    if (!ludcmp(a, nSize, aIndex, &dSign))
        return {};
    double b[kMaxOrder + 1] = {};
    b[0] = 1.0; // the value, not a derivative
    lubacksub(a, nSize, aIndex, b);
    std::vector<double> c(static_cast<std::size_t>(nl + nr + 1));
    for (int k = -nl; k <= nr; ++k) {
        double dSum = b[0];
        double dFactor = 1.0;
        for (int mm = 1; mm <= nOrder; ++mm)
            dSum += b[mm] * (dFactor *= k);
        c[static_cast<std::size_t>(k + nl)] = dSum;
    }
    return c;
}

double localpoly(const double* s, const double* f, double u) {
    constexpr int kN = 5;
    double dPowers[2 * kN - 1] = {};
    double b[kN] = {};
    for (int k = 0; k < kN; ++k) {
        double dPower = 1.0;
        for (int e = 0; e < 2 * kN - 1; ++e) {
            dPowers[e] += dPower;
            if (e < kN)
                b[e] += f[k] * dPower;
            dPower *= s[k];
        }
    }
    double a[kN * kN];
    for (int i = 0; i < kN; ++i)
        for (int j = 0; j < kN; ++j)
            a[i * kN + j] = dPowers[i + j];
    int aIndex[kN];
    double dSign = 0;
    if (!ludcmp(a, kN, aIndex, &dSign))
        return std::nan("");
    lubacksub(a, kN, aIndex, b);
    // Horner's scheme in u.
    double dValue = b[kN - 1];
    for (int k = kN - 2; k >= 0; --k)
        dValue = dValue * u + b[k];
    return dValue;
}

bool PlausibleQuarticValue(double dValue, const double* f) {
    const auto [pLow, pHigh] = std::minmax_element(f, f + 5);
    const double dMargin = kQuarticMargin * (*pHigh - *pLow);
    return std::isfinite(dValue) && dValue >= 0 && dValue >= *pLow - dMargin && dValue <= *pHigh + dMargin;
}

CPreparedCurve PrepareCurve(const double* pX, const double* pY, int n) {
    return PrepareCurve(CRawSeries{reinterpret_cast<const unsigned char*>(pX), reinterpret_cast<const unsigned char*>(pY),
                                   sizeof(double), n});
}

CPreparedCurve PrepareCurve(const CRawSeries& record) {
    CPreparedCurve result;
    const int n = record.m_n;
    if (n < 1)
        return Refuse(result, "it has no points");
    auto X = [&record](int j) { return record.X(j); };

    // 1. Largest strain, first index on ties.
    int iMax = 1;
    for (int j = 2; j <= n; ++j)
        if (X(j) > X(iMax))
            iMax = j;
    const double dXmax = X(iMax);

    // 2. Rise window between 10 % and 90 % of the largest strain.
    int i1 = 0;
    for (int j = 1; j <= n && X(j) < kRiseLow * dXmax; ++j)
        i1 = j;
    if (i1 == 0)
        return Refuse(result, "its first strain is already at or above 10 % of its largest strain");
    int i2 = i1;
    for (int j = i1; j <= n && X(j) < kRiseHigh * dXmax; ++j)
        i2 = j;
    result.m_nRiseLow = i1;
    result.m_nRiseHigh = i2;
    const double dXa = X(i1);
    const double dXb = X(i2);
    if (i2 <= i1 || !(dXb > dXa))
        return Refuse(result, "its strain does not rise steadily between 10 % and 90 % of its largest strain");
    const double dStep = (dXb - dXa) / (i2 - i1);
    const double dMinStep = kStepShare * dStep;

    // 3. Start of deformation: the rise extrapolated back to zero strain, then forward over
    //    samples whose step is still below 70 % of the average.
    double dStart = i1 - (i2 - i1) * dXa / (dXb - dXa) - 1;
    if (dStart < 2)
        dStart = 2;
    if (!(dStart <= n))
        return Refuse(result, "its start of deformation lies beyond its last sample");
    int iStart = static_cast<int>(dStart);
    for (int j = iStart; j <= i1; ++j) {
        if (!(X(j) - X(j - 1) < dMinStep))
            break;
        iStart = j;
    }

    // 4. End of deformation: the rise extrapolated forward to the largest strain, then back
    //    over the tail whose steps are below 70 % of the average.
    const double dEnd = i2 + (i2 - i1) * (dXmax - dXb) / (dXb - dXa) + 1;
    int iEnd = dEnd > n ? n : static_cast<int>(dEnd);
    for (int j = iEnd; j >= i2; --j) {
        if (!(X(j) - X(j - 1) < dMinStep))
            break;
        iEnd = j - 1;
    }

    // 5. The trimmed range.
    const int m = iEnd - iStart + 1;
    result.m_nStart = iStart;
    result.m_nEnd = iEnd;
    result.m_nSamples = m;
    if (m < 9)
        return Refuse(result, "its steady rise holds only " + std::to_string(std::max(m, 0)) +
                                  " samples; at least 9 are needed");

    // Smoothed strain P and stress Q at positions 1..61; position 1 is the origin (0, 0).
    double P[62] = {};
    double Q[62] = {};
    CSmoother smoother(record);

    if (m > 60) {
        // 7. Long records: 29 samples, each smoothed with a wide window.
        result.m_eResampling = EResampling::WideWindow;
        const int np = std::clamp((4 * m - 4) / 30, 11, 200);
        const double dRatio = static_cast<double>(m) / 29.0;
        for (int k = 1; k <= 29; ++k) {
            const int j = static_cast<int>(iStart + (k - 1) * dRatio);
            int nl = np / 2;
            if (k == 1)
                nl = 0;
            else if (k == 2)
                nl = np / 4 - 1;
            else if (k == 28)
                nl = (3 * np) / 4;
            else if (k == 29)
                nl = np - 1;
            const int nr = np - nl - 1;
            if (!smoother.At(j, nl, nr, P[k + 1], Q[k + 1]))
                return Refuse(result, "a smoothing window reaches outside the record");
        }
    } else {
        // 6. Short records: every sample smoothed with a 9-sample window, shifted inwards at
        //    both ends of the range.
        for (int k = 0; k < m; ++k) {
            int nl = 4;
            int nr = 4;
            if (k < 4) {
                nl = k;
                nr = 8 - k;
            }
            if (m - 1 - k < nr) {
                nr = m - 1 - k;
                nl = 8 - nr;
            }
            if (!smoother.At(iStart + k, nl, nr, P[k + 2], Q[k + 2]))
                return Refuse(result, "a smoothing window reaches outside the record");
        }

        // 8. Resampling to 30 positions. New values go into the same arrays while the loop
        //    runs, so later searches and windows see the positions already rewritten.
        const int L = m + 1;
        if (L != 30) {
            const bool bUp = L < 30;
            result.m_eResampling = bUp ? EResampling::Up : EResampling::Down;
            // The last smoothed sample becomes position 30; it is saved first, since resampling
            // upwards rewrites position L.
            const double dEnd = P[L];
            const double dEndStress = Q[L];
            result.m_nLinear = Resample(P, Q, L, dEnd, bUp);
            if (result.m_nLinear < 0)
                return Refuse(result, "its smoothed strains do not reach the resampling strain");
            P[30] = dEnd;
            Q[30] = dEndStress;
        }
    }

    // 9. Result; the first point is half of the second. Smoothing a dwell at strain 0 leaves
    //    rounding-level negative strains, which become 0.
    for (int j = 1; j <= kPreparedPoints; ++j) {
        result.m_x[static_cast<std::size_t>(j - 1)] = P[j];
        result.m_y[static_cast<std::size_t>(j - 1)] = Q[j];
    }
    result.m_x[0] = 0.5 * result.m_x[1];
    result.m_y[0] = 0.5 * result.m_y[1];
    double dLargest = 0;
    for (int j = 1; j <= n; ++j)
        if (record.Y(j) > dLargest)
            dLargest = record.Y(j);
    const double dCeiling = kPlausibleStressFactor * dLargest;
    for (int j = 0; j < kPreparedPoints; ++j) {
        double& x = result.m_x[static_cast<std::size_t>(j)];
        double& y = result.m_y[static_cast<std::size_t>(j)];
        if (!std::isfinite(x) || !std::isfinite(y))
            return Refuse(result, "its prepared points are not finite numbers");
        if (x < 0)
            x = 0;
        // Smoothing stresses of 0 leaves rounding-level negatives.
        if (y < 0 && y >= -kStressRounding * dLargest)
            y = 0;
        if (!(y >= 0 && y <= dCeiling)) {
            char szText[160];
            std::snprintf(szText, sizeof szText,
                          "its prepared stress at point %d is %g, outside 0 to 1.5 times its largest stress %g", j + 1,
                          y, dLargest);
            return Refuse(result, szText);
        }
    }
    result.m_bOk = true;
    return result;
}

} // namespace tarnfit
