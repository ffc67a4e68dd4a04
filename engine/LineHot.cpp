// KIVLINEHOT: the state-variable law fitted by grid search, simplex and quasi-Newton
// minimisation (LineHot.h). Order of one call: read the exchange file; condense every curve
// into its degree-5 polynomial (once per call: the polynomials do not depend on x); grid
// search from the lows; DUMPOL from the grid-search best (side 1.0, FTOL 1e-5, at most 200
// evaluations); DUMINF from the grid-search best with zero scalings (the kernel then uses
// unit scalings and says so) and default options. The exchange file is not written back.

#include "LineHot.h"

#include "EntryFrame.h"
#include "FitCommon.h"
#include "tarnfit/tarnfit.h"

#include <cmath>
#include <cstdio>

namespace tarnfit {

namespace {

constexpr const char* kName = "KIVLINEHOT";

constexpr double kLow = static_cast<double>(0.01f); // 0.009999999776482582
constexpr CLineHotVector kHigh = {1000, 10, 2, 100, 2, 2, 100, 2, 5000, 10, 2};
constexpr double kNoImprovement = 1.0e10;            // best value before a coordinate's first trial

constexpr double kTempScale = 1500.0;                   // deg C, T = t / 1500
constexpr double kRhoFloor = static_cast<double>(1.0e-10f); // 1.000000013351432e-10
constexpr int kPolyDegree = 5;

constexpr double kSimplexSide = 1.0;
constexpr double kSimplexTol = static_cast<double>(1.0e-5f); // 9.999999747378752e-06
constexpr int kSimplexMaxEvaluations = 200;
constexpr int kOptionCount = 7;
constexpr int kQuasiNewtonLimit = 1000; // MXITER, MAXFCN, MAXGRD (the defaults apply: flag 0)

CLineHotResult g_lastResult;

// The curves the minimisers' objective sums over, set only while they run.
const std::vector<CLineHotCurve>* g_pCurves = nullptr;

void LineHotFcn(const int* /*N*/, const double* X, double* F) { *F = LineHotObjective(*g_pCurves, X); }

std::string Number(double dValue) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%g", dValue);
    return sz;
}

// Ends the call early: records why and reports it.
void EndEarly(ELineHotStatus eStatus, const std::string& strProblem) {
    g_lastResult.m_eStatus = eStatus;
    g_lastResult.m_strProblem = strProblem;
    RecordRefusal(kName, strProblem + "; the exchange file is left as it was");
}

void FitLineHot(CEngineState& state) {
    CLineHotResult& result = g_lastResult;
    std::vector<CLineHotCurve> aCurves;
    std::string strProblem;
    if (!CondenseLineHotCurves(state, aCurves, strProblem)) {
        EndEarly(ELineHotStatus::CurveRefused, strProblem);
        return;
    }
    struct CCurvesScope {
        explicit CCurvesScope(const std::vector<CLineHotCurve>& aCurves) { g_pCurves = &aCurves; }
        ~CCurvesScope() { g_pCurves = nullptr; }
    } scope(aCurves);

    CLineHotVector xb{};
    GridSearch([&aCurves](const double* x) { return LineHotObjective(aCurves, x); }, xb);
    result.m_xGrid = xb;
    result.m_dGridValue = LineHotObjective(aCurves, xb.data());

    const int n = kLineHotParams;
    double dSide = kSimplexSide;
    int nMaxFcn = kSimplexMaxEvaluations;
    DUMPOL(LineHotFcn, &n, xb.data(), &dSide, &kSimplexTol, &nMaxFcn, result.m_xSimplex.data(),
           &result.m_dSimplexValue);
    result.m_nSimplexEvaluations = nMaxFcn;
    if (KernelFailed()) {
        result.m_nKernelCode = TarnfitKernelCode();
        EndEarly(ELineHotStatus::SimplexFailed, "the simplex minimisation stopped (kernel condition " +
                                                    std::to_string(result.m_nKernelCode) + ", reported above)");
        return;
    }

    const CLineHotVector aXScale{}; // 0: the kernel uses unit scaling and warns
    double dFScale = 0;             // 0: the kernel uses 1.0 and warns
    std::array<int, kOptionCount> aIParam{0, 0, kQuasiNewtonLimit, kQuasiNewtonLimit, kQuasiNewtonLimit, 0, 0};
    std::array<double, kOptionCount> aRParam{};
    DUMINF(LineHotFcn, &n, xb.data(), aXScale.data(), &dFScale, aIParam.data(), aRParam.data(),
           result.m_xQuasiNewton.data(), &result.m_dQuasiNewtonValue);
    if (KernelFailed()) {
        result.m_nKernelCode = TarnfitKernelCode();
        EndEarly(ELineHotStatus::QuasiNewtonFailed, "the quasi-Newton minimisation stopped (kernel condition " +
                                                        std::to_string(result.m_nKernelCode) + ", reported above)");
        return;
    }
    result.m_eStatus = ELineHotStatus::Done;
}

} // namespace

const CLineHotResult& LastLineHotResult() { return g_lastResult; }

double GridLow(int /*i*/) { return kLow; }

double GridHigh(int i) { return kHigh[static_cast<std::size_t>(i)]; }

double GridTrialValue(int i, int k) { return GridLow(i) + k * ((GridHigh(i) - GridLow(i)) / (kGridTrials - 1)); }

void GridSearch(const std::function<double(const double*)>& f, CLineHotVector& x) {
    for (int i = 0; i < kLineHotParams; ++i)
        x[static_cast<std::size_t>(i)] = GridLow(i);
    CLineHotVector xb = x;
    for (int nSweep = 0; nSweep < kGridSweeps; ++nSweep) {
        for (int i = 0; i < kLineHotParams; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            double dBest = kNoImprovement;
            for (int k = 0; k < kGridTrials; ++k) {
                x[ui] = GridTrialValue(i, k);
                const double dValue = f(x.data());
                if (dValue < dBest) {
                    dBest = dValue;
                    xb[ui] = x[ui];
                }
            }
            x[ui] = xb[ui];
        }
    }
}

bool CondenseLineHotCurves(const CEngineState& state, std::vector<CLineHotCurve>& aCurves, std::string& strProblem) {
    aCurves.clear();
    if (state.m_nCurves <= 0) {
        strProblem = "the exchange file holds no curves";
        return false;
    }
    aCurves.reserve(static_cast<std::size_t>(state.m_nCurves));
    std::vector<double> aE;
    std::vector<double> aS;
    std::size_t nFirst = 0;
    for (int c = 0; c < state.m_nCurves; ++c) {
        const int n = state.m_anCount[static_cast<std::size_t>(c)];
        const std::string strCurve = "curve " + std::to_string(c + 1);
        if (n < 1) {
            strProblem = strCurve + " has no points";
            return false;
        }
        aE.resize(static_cast<std::size_t>(n));
        aS.resize(static_cast<std::size_t>(n));
        double dMaxStrain = 0;
        for (std::size_t j = 0; j < aE.size(); ++j) {
            const CEnginePoint& point = state.m_aPoints[nFirst + j];
            aE[j] = point.m_dE;
            aS[j] = point.m_ex.m_dStress;
            if (point.m_dE > dMaxStrain)
                dMaxStrain = point.m_dE;
        }
        const CEnginePoint& last = state.m_aPoints[nFirst + aE.size() - 1];
        nFirst += aE.size();
        if (!(std::isfinite(last.m_dH) && last.m_dH > 0)) {
            strProblem = strCurve + ": its strain rate is " + Number(last.m_dH) +
                         " 1/s; the law is integrated over the time strain / strain rate, so it must be a finite "
                         "number above 0";
            return false;
        }
        if (!std::isfinite(last.m_dT)) {
            strProblem = strCurve + ": its temperature is " + Number(last.m_dT) + ", not a finite number";
            return false;
        }

        std::array<double, kPolyDegree + 1> b{};
        std::array<double, kPolyDegree + 1> aSsq{};
        std::array<double, 10> aStat{};
        const int nDeg = kPolyDegree;
        DRCURV(&n, aE.data(), aS.data(), &nDeg, b.data(), aSsq.data(), aStat.data());
        if (KernelFailed()) {
            strProblem = strCurve + ": a polynomial of degree 5 cannot be fitted to its points (kernel condition " +
                         std::to_string(TarnfitKernelCode()) + ", reported above)";
            return false;
        }
        for (double dB : b) {
            if (!std::isfinite(dB)) {
                strProblem = strCurve + ": the polynomial through its points is not finite (a strain or stress is "
                                        "infinite)";
                return false;
            }
        }

        // The stress of the polynomial at the strains E = tau H of the steps tau = dtau, 2 dtau, ...
        CLineHotCurve curve;
        curve.m_dRate = last.m_dH;
        curve.m_dScaledTemp = last.m_dT / kTempScale;
        curve.m_dStep = (dMaxStrain / last.m_dH) / (kLineHotSteps - 1);
        double dTime = curve.m_dStep;
        for (double& dPoly : curve.m_aPoly) {
            const double e = dTime * last.m_dH;
            double s = b[kPolyDegree];
            for (int k = kPolyDegree - 1; k >= 0; --k)
                s = s * e + b[static_cast<std::size_t>(k)];
            dPoly = s;
            dTime += curve.m_dStep;
        }
        aCurves.push_back(curve);
    }
    return true;
}

double LineHotCurveSquares(const CLineHotCurve& curve, const double* x, double* pRho) {
    const double T = curve.m_dScaledTemp;
    const double K1 = x[0] * std::exp(-x[1] * T) * std::pow(curve.m_dRate, x[2]);
    const double K2 = x[3] * std::exp(-x[4] * T);
    const double K3 = x[6] * std::exp(-x[7] * T);
    const double K4 = x[8] * std::exp(-x[9] * T);
    double dRho = 0;
    double dSum = 0;
    for (int s = 0; s < kLineHotSteps; ++s) {
        dRho += (K1 - K2 * std::pow(dRho, x[5])) * curve.m_dStep;
        if (dRho <= kRhoFloor)
            dRho = kRhoFloor;
        const double d = K3 + K4 * std::pow(dRho, x[10]) - curve.m_aPoly[static_cast<std::size_t>(s)];
        dSum += d * d;
        if (pRho)
            pRho[s] = dRho;
    }
    return dSum;
}

double LineHotObjective(const std::vector<CLineHotCurve>& aCurves, const double* x) {
    double dSum = 0;
    for (const CLineHotCurve& curve : aCurves)
        dSum += LineHotCurveSquares(curve, x);
    return std::sqrt(dSum / (static_cast<double>(kLineHotSteps) * static_cast<double>(aCurves.size())));
}

int RunLineHot() {
    g_lastResult = CLineHotResult{};
    return RunEntryPoint(kName, &FitLineHot, EWriteBack::No);
}

} // namespace tarnfit
