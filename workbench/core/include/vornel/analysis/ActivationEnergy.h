#pragma once
// The activation energy of hot working by the hyperbolic-sine law of Sellars and Tegart and
// the Zener-Hollomon parameter,
//
//     Z = H exp(Q / (R T)) = A [sinh(alpha s)]^n,   T = t + 273.15 K, R = 8.314462618 J/(mol K),
//
// from one stress s per curve: the peak stress, or the stress at a chosen strain. Read-only
// on the material.
//
// The standard procedure (C. M. Sellars, W. J. McG. Tegart, Mem. Sci. Rev. Metall. 63 (1966)
// 731-746; C. Zener, J. H. Hollomon, J. Appl. Phys. 15 (1944) 22-32; H. J. McQueen, N. D.
// Ryan, Mater. Sci. Eng. A 322 (2002) 43-63), every slope by least squares over the curves of
// one temperature (lines at constant t, at least 2 strain rates) or of one strain rate (lines
// at constant H, at least 2 temperatures), and averaged over the lines:
//     n1    = mean slope of ln H over ln s          (constant t; the power law at low stress)
//     beta  = mean slope of ln H over s             (constant t; the exponential law at high stress)
//     alpha = beta / n1
//     n     = mean slope of ln H over ln sinh(alpha s)          (constant t)
//     Q     = R n x mean slope of ln sinh(alpha s) over 1/T      (constant H)
//     ln A  = mean over the curves of ln H + Q/(R T) - n ln sinh(alpha s).
// beta / n1 is biased: it holds only where the sinh law turns into both limits, so on exact
// sinh-law data it misses alpha (and with it n and Q) by tens of percent. The procedure
// therefore goes on to the alpha that makes ln H most nearly linear in ln sinh(alpha s) and
// 1/T together: for each alpha the least-squares plane
//     ln H = ln A + n ln sinh(alpha s) - (Q/R) (1/T)
// over all curves leaves a residual sum of squares, which a one-dimensional search over
// ln alpha minimises (kAlphaScan points from beta/n1 / kAlphaSpan to beta/n1 x kAlphaSpan,
// then Brent's method between the neighbours of the best; boost::math::tools::
// brent_find_minima). At that alpha the plane's coefficients give n, Q and ln A; on exact
// sinh-law data they are the law's own.
//
// The stress of a curve: on the peak basis its peak stress (CurveCharacteristics.h), or, for
// a curve without a peak, its largest stress (which the notes count); on the strain basis
// its stress at the strain, and a curve that does not reach it is left out. Curves with a
// strain rate or stress not above 0 are left out. The analysis is refused, with the reason,
// without a temperature of 2 strain rates or a strain rate of 2 temperatures, or when the
// slopes leave n1, beta or n not above 0.
//
// When the material's law is model 19 (SinhLaw.h), its Q(E) at the strain of the basis (on
// the peak basis the mean strain of the stresses taken) is given beside it.

#include <array>
#include <limits>
#include <string>
#include <vector>

class CMaterial;

inline constexpr int kAlphaScan = 61;
inline constexpr double kAlphaSpan = 30.0;

enum class EStressBasis { Peak, Strain };

struct CStressBasis {
    EStressBasis m_eBasis = EStressBasis::Peak;
    double m_dStrain = 0; // with EStressBasis::Strain
};

// The stress one curve contributes.
struct CActivationPoint {
    int m_nCurve = 0;     // zero-based slot
    double m_dTemp = 0;   // t, deg C
    double m_dRate = 0;   // H, 1/s
    double m_dStress = 0; // s
    double m_dStrain = 0; // where s was taken
};

// A least-squares line y = intercept + slope x through the points of one temperature or one
// strain rate.
struct CRegressionLine {
    double m_dKey = 0; // its temperature (deg C) or strain rate (1/s)
    std::vector<double> m_aX, m_aY;
    double m_dSlope = 0;
    double m_dIntercept = 0;
    double m_dR2 = 0; // 1 - SSres/SStot; 1 for two points; NaN when y does not vary
};

// The plots behind the slopes; x over y as the list says.
enum class ESlopePlot {
    LnRateOverLnStress,     // n1: ln H over ln s, lines at constant t
    LnRateOverStress,       // beta: ln H over s, lines at constant t
    LnRateOverLnSinh,       // n: ln H over ln sinh(alpha s), lines at constant t
    LnSinhOverInverseT,     // Q / (R n): ln sinh(alpha s) over 1000/T (1/K), lines at constant H
};

struct CSlopePlot {
    ESlopePlot m_eKind = ESlopePlot::LnRateOverLnStress;
    double m_dAlpha = 0; // the alpha of the sinh plots (NaN for n1 and beta)
    std::vector<CRegressionLine> m_aLines;
    double m_dMeanSlope = 0;
};

// Title, x label and y label of a plot: "n1 = 5.21", "ln s", "ln H".
std::string SlopePlotTitle(const CSlopePlot& plot);
std::string SlopePlotXLabel(ESlopePlot eKind);
std::string SlopePlotYLabel(ESlopePlot eKind);

struct CActivationConstants {
    double m_dAlpha = std::numeric_limits<double>::quiet_NaN(); // 1/stress
    double m_dN = std::numeric_limits<double>::quiet_NaN();
    double m_dQ = std::numeric_limits<double>::quiet_NaN();     // kJ/mol
    double m_dLnA = std::numeric_limits<double>::quiet_NaN();   // ln(1/s)
    double m_dR2 = std::numeric_limits<double>::quiet_NaN();    // of ln H by the law over the points
};

enum class EActivation { Ok, Refused };

struct CActivationEnergy {
    EActivation m_eStatus = EActivation::Ok;
    std::string m_strMessage; // Refused: why
    bool Ok() const { return m_eStatus == EActivation::Ok; }

    CStressBasis m_basis;
    std::vector<CActivationPoint> m_aPoints;
    double m_dN1 = std::numeric_limits<double>::quiet_NaN();
    double m_dBeta = std::numeric_limits<double>::quiet_NaN();
    CActivationConstants m_standard; // alpha = beta / n1, n and Q from the mean slopes
    CActivationConstants m_searched; // the searched alpha, n, Q and ln A of the plane
    bool m_bAlphaAtEnd = false;      // the search ended at an end of its range
    // n1, beta, then n and Q at beta/n1, then n and Q at the searched alpha.
    std::array<CSlopePlot, 6> m_aPlots;
    double m_dModelQ = std::numeric_limits<double>::quiet_NaN();      // model 19's Q, kJ/mol
    double m_dModelStrain = std::numeric_limits<double>::quiet_NaN(); // the strain it is taken at
    std::vector<std::string> m_aNotes; // curves left out or standing in, one sentence each
};

CActivationEnergy AnalyseActivationEnergy(const CMaterial& material, const CStressBasis& basis = {});

// The residual sum of squares of the plane ln H over ln sinh(alpha s) and 1/T of the
// points at alpha, with its coefficients (n, Q, ln A; R^2); NaN when alpha is not above 0.
CActivationConstants FitSinhPlane(const std::vector<CActivationPoint>& aPoints, double dAlpha, double* pSumSq = nullptr);

// The analysis as comma-separated text: "#" comment lines with the basis, n1, beta, the
// notes and model 19's Q, then the header "procedure,alpha,n,Q_kJ/mol,lnA,R2" with the rows
// "beta/n1" and "searched", then the header "plot,alpha,line_at,slope,intercept,R2" with a
// row per line of each plot (plot n1, beta, n, Q/(R n)); 17 significant digits.
std::string ActivationEnergyCsv(const CActivationEnergy& energy);
