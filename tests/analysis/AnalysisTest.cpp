// The hot-working analyses against exact laws: the processing map of a hyperbolic-sine
// material whose rate sensitivity is known in closed form, the activation energy that
// recovers its constants, the peaks of curves made with a known peak and prepared by the
// engine, and the contour geometry of the maps.

#include "vornel/analysis/ActivationEnergy.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/analysis/ProcessingMap.h"
#include "vornel/document/InputRanges.h"
#include "vornel/document/Material.h"
#include "vornel/intake/Import.h"
#include "vornel/model/SinhLaw.h"
#include "vornel/view/Contours.h"
#include "RecordFiles.h"
#include "TestSupport.h"

#include <cmath>

using namespace vornel_test;

namespace {

// The sinh law without strain dependence: alpha 1/MPa, n, Q kJ/mol, ln A.
constexpr double kAlpha = 0.0135, kN = 4.5, kQ = 350.0, kLnA = 30.0;

double SinhArgument(double H, double t) { // u = (Z/A)^(1/n)
    return std::exp((std::log(H) + 1000 * kQ / (kGasConstant * (t + kCelsiusToKelvin)) - kLnA) / kN);
}
double SinhStress(double H, double t) { return std::asinh(SinhArgument(H, t)) / kAlpha; }
// m = d ln s / d ln H = u / (n sqrt(1 + u^2) asinh(u)).
double SinhM(double H, double t) {
    const double u = SinhArgument(H, t);
    return u / (kN * std::sqrt(1 + u * u) * std::asinh(u));
}

// Flat raw curves (strain 0.05..0.8) of that law at the conditions of the Gleeble steel set
// (5 temperatures x 6 strain rates, alpha s from 0.13 to 1.5), the law itself fitted as model
// 19 with constant polynomials. (Over a wider range of alpha s, 0.2 to 2.2, the cubic's slope
// at the ends of the rates misses m by up to 4 %.)
CMaterial SinhMaterial() {
    CMaterial material;
    material.m_nFunction = kSinhModel;
    material.m_nCoef = kSinhCoef;
    material.m_dCoef[0] = kAlpha;
    material.m_dCoef[6] = kN;
    material.m_dCoef[12] = kQ;
    material.m_dCoef[18] = kLnA;
    material.m_dCoef[24] = 0.02;
    material.m_dCoef[25] = 0.8;
    for (double t : {1050.0, 1100.0, 1150.0, 1200.0, 1250.0})
        for (double H : {0.001, 0.01, 0.1, 1.0, 2.0, 5.0}) {
            CCurve& curve = material.Curve(material.m_nCurves++);
            curve.m_dTemp = t;
            curve.m_dRate = H;
            for (int k = 1; k <= 16; ++k)
                curve.m_pPoints.push_back({0, SinhStress(H, t), 0, t, 0.05 * k, H, 0});
        }
    material.m_nPoints = material.CountPoints();
    return material;
}

} // namespace

TEST(ProcessingMap, FromTheLawEqualsTheAnalyticRateSensitivity) {
    const CMaterial material = SinhMaterial();
    const CMaterial before = material;
    const CProcessingMap map = MakeProcessingMap(material, 0.3, EMapSource::Law);
    ASSERT_TRUE(map.Ok()) << map.m_strMessage;
    EXPECT_TRUE(material == before);
    EXPECT_EQ(map.m_aTemps.front(), 1050.0);
    EXPECT_EQ(map.m_aRates.back(), 5.0);
    EXPECT_EQ(map.m_aMeasured.size(), 30u);
    EXPECT_EQ(MapTitle(map), "Processing map at strain 0.3, law of model 19");
    for (std::size_t r = 0; r < map.Rows(); ++r)
        for (std::size_t c = 0; c < map.Columns(); ++c) {
            const double H = map.m_aRates[r], t = map.m_aTemps[c];
            const double m = SinhM(H, t);
            // xi from the closed-form m by central differences over ln H.
            const double h = 1e-4;
            const double dSlope = (SinhM(H * std::exp(h), t) - SinhM(H * std::exp(-h), t)) / (2 * h);
            const std::size_t k = map.At(r, c);
            ASSERT_NEAR(map.m_aM[k], m, 1e-6) << "t= " << t << " H= " << H;
            ASSERT_NEAR(map.m_aEta[k], 2 * m / (m + 1), 1e-6);
            ASSERT_NEAR(map.m_aXi[k], dSlope / (m * (m + 1)) + m, 1e-6);
        }
}

TEST(ProcessingMap, FromTheCurvesIsWithinTwoPercentOfTheLaw) {
    const CMaterial material = SinhMaterial();
    for (double dStrain : {0.3, 0.5}) {
        const CProcessingMap map = MakeProcessingMap(material, dStrain, EMapSource::Data);
        ASSERT_TRUE(map.Ok()) << map.m_strMessage;
        EXPECT_EQ(map.m_aDegrees, std::vector<int>(5, 3));
        double dWorst = 0;
        for (std::size_t r = 0; r < map.Rows(); ++r)
            for (std::size_t c = 0; c < map.Columns(); ++c) {
                const double m = SinhM(map.m_aRates[r], map.m_aTemps[c]);
                const std::size_t k = map.At(r, c);
                dWorst = std::max({dWorst, std::fabs(map.m_aM[k] / m - 1),
                                   std::fabs(map.m_aEta[k] / (2 * m / (m + 1)) - 1)});
            }
        EXPECT_LT(dWorst, 0.02) << "strain " << dStrain;
    }
}

TEST(ProcessingMap, RefusesWhatItCannotMapWithTheReason) {
    const CMaterial sinh = SinhMaterial();
    CMaterial unfitted = sinh;
    unfitted.m_nCoef = 0;
    CMaterial strainOnly = sinh;
    strainOnly.m_nFunction = 2;
    strainOnly.m_nCoef = 2;
    strainOnly.m_dCoef[0] = 50;
    CMaterial oneTemp = sinh;
    oneTemp.m_nCurves = 6;
    CMaterial twoRates = sinh; // rate 0.001 only at 1050 deg C: that temperature is left out
    for (int i = 1; i < 6; ++i)
        twoRates.Curve(i).m_dRate = 0.001;
    const struct {
        const CMaterial* m_pMaterial;
        double m_dStrain;
        EMapSource m_eSource;
        const char* m_szReason; // empty: drawn
    } aCases[] = {
        {&unfitted, 0.3, EMapSource::Law, "the material has no fitted law"},
        {&unfitted, 0.3, EMapSource::Data, ""},
        {&strainOnly, 0.3, EMapSource::Law, "does not change with the strain rate"},
        {&oneTemp, 0.3, EMapSource::Data, "2 or more temperatures"},
        {&sinh, 0.9, EMapSource::Data, "fewer than 2 temperatures"},
        {&sinh, 0.0, EMapSource::Law, "must be a number above 0"},
        {&twoRates, 0.3, EMapSource::Data, ""},
    };
    for (const auto& test : aCases) {
        const CProcessingMap map = MakeProcessingMap(*test.m_pMaterial, test.m_dStrain, test.m_eSource, 11, 11);
        EXPECT_EQ(map.Ok(), !*test.m_szReason) << map.m_strMessage;
        EXPECT_NE(map.m_strMessage.find(test.m_szReason), std::string::npos) << map.m_strMessage;
    }
    const CProcessingMap partial = MakeProcessingMap(twoRates, 0.3, EMapSource::Data, 11, 11);
    EXPECT_EQ(partial.m_aDataTemps.size(), 4u);
    ASSERT_EQ(partial.m_aNotes.size(), 1u);
    EXPECT_NE(partial.m_aNotes[0].find("t= 1050"), std::string::npos);
}

TEST(ProcessingMap, CsvHoldsEveryGridPointOfEveryStrain) {
    const CMaterial material = SinhMaterial();
    const std::vector<CProcessingMap> aMaps = {MakeProcessingMap(material, 0.3, EMapSource::Law, 5, 4),
                                               MakeProcessingMap(material, 0.0, EMapSource::Law, 5, 4)};
    const std::vector<std::string> aLines = Lines(ProcessingMapCsv(aMaps));
    const auto header = std::find(aLines.begin(), aLines.end(), "strain,temperature_C,strain_rate_1/s,m,eta,xi");
    ASSERT_NE(header, aLines.end());
    EXPECT_EQ(aLines.end() - header - 1, 20); // the refused map adds its reason, no rows
    EXPECT_NE(aLines[2].find("not drawn: the strain 0"), std::string::npos);
    std::istringstream row(*(header + 1));
    std::vector<double> a;
    for (std::string strField; std::getline(row, strField, ',');)
        a.push_back(std::stod(strField));
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a[0], 0.3);
    EXPECT_EQ(a[1], 1050.0);
    EXPECT_EQ(a[2], 0.001);
    EXPECT_EQ(a[3], aMaps[0].m_aM[0]);
    EXPECT_EQ(a[4], aMaps[0].m_aEta[0]);
}

TEST(ProcessingMap, StrainListsAndDefaultStrain) {
    EXPECT_EQ(ParseStrainList(" 0.3, 0.5 0.7"), (std::vector<double>{0.3, 0.5, 0.7}));
    for (const char* szBad : {"", "0.3,x", "0", "-0.1", "0.3,,nan"})
        EXPECT_THROW(ParseStrainList(szBad), CInputError) << szBad;
    EXPECT_EQ(DefaultMapStrain(SinhMaterial()), 0.4);
    EXPECT_EQ(DefaultMapStrain(CMaterial()), 0.0);
}

TEST(ActivationEnergy, RecoversTheSinhLawWhereBetaOverN1IsBiased) {
    const CMaterial material = SinhMaterial();
    for (const CStressBasis basis : {CStressBasis{EStressBasis::Strain, 0.3}, CStressBasis{}}) {
        const CActivationEnergy q = AnalyseActivationEnergy(material, basis);
        ASSERT_TRUE(q.Ok()) << q.m_strMessage;
        EXPECT_EQ(q.m_aPoints.size(), 30u);
        EXPECT_NEAR(q.m_searched.m_dQ, kQ, 0.01 * kQ);
        EXPECT_NEAR(q.m_searched.m_dN, kN, 0.02 * kN);
        EXPECT_NEAR(q.m_searched.m_dAlpha, kAlpha, 0.01 * kAlpha);
        EXPECT_NEAR(q.m_searched.m_dLnA, kLnA, 0.02 * kLnA);
        EXPECT_GT(q.m_searched.m_dR2, 0.99999);
        EXPECT_FALSE(q.m_bAlphaAtEnd);
        // The usual alpha = beta / n1 lies far off, and n and Q with it.
        EXPECT_GT(std::fabs(q.m_standard.m_dAlpha / kAlpha - 1), 0.1) << q.m_standard.m_dAlpha;
        EXPECT_LT(q.m_standard.m_dR2, q.m_searched.m_dR2);
        // Every line behind the slopes: 5 temperatures, 6 strain rates.
        for (const CSlopePlot& plot : q.m_aPlots)
            EXPECT_EQ(plot.m_aLines.size(), plot.m_eKind == ESlopePlot::LnSinhOverInverseT ? 6u : 5u);
        EXPECT_NEAR(q.m_aPlots[4].m_aLines[0].m_dR2, 1.0, 1e-9);
        EXPECT_EQ(q.m_dModelQ, kQ);
        // Flat curves have no peak: on the peak basis their largest stress stands in.
        EXPECT_EQ(q.m_aNotes.size(), basis.m_eBasis == EStressBasis::Peak ? 1u : 0u);
    }
    CMaterial oneRate = material;
    for (int i = 0; i < oneRate.m_nCurves; ++i)
        oneRate.Curve(i).m_dRate = 1.0;
    EXPECT_FALSE(AnalyseActivationEnergy(oneRate).Ok());
}

// Raw records with a peak of 100 MPa at strain 0.25 (s = 100 [(E/0.25) e^(1 - E/0.25)]^0.3),
// one hardening to its end and one flat, prepared by the engine's first fit.
class CurvePeaks : public ScratchTest {};

TEST_F(CurvePeaks, PreparedCurvesKeepTheirPeakWithinTheResampling) {
    const RecordLaw peaked = [](double E, double, double) {
        return 100 * std::pow(E / 0.25 * std::exp(1 - E / 0.25), 0.3);
    };
    const RecordLaw hardening = [](double E, double, double) { return 100 * std::pow(E, 0.2); };
    const RecordLaw flat = [](double, double, double) { return 80.0; };
    CMaterial material;
    material.m_strFileName = "peaks.mat";
    int nFile = 0;
    for (const RecordLaw* pLaw : {&peaked, &hardening, &flat, &peaked, &hardening})
        for (double H : {0.1, 1.0}) {
            const std::string strFile = "r" + std::to_string(nFile++) + ".asc";
            WriteRecord(strFile, *pLaw, 1000 + 50 * nFile, H, 2000, 0.8, 10, 15);
            AddCurveFromFile(material, strFile, 1000 + 50 * nFile, H);
        }
    material.m_nFunction = 2;
    ASSERT_TRUE(material.FitModel().Ok());
    ASSERT_EQ(material.m_nPrepared, 1);
    const std::vector<CCurveCharacteristics> aCurves = CurveCharacteristics(material, {0.25, 0.9});
    ASSERT_EQ(aCurves.size(), 10u);
    const double dResolution = 0.8 / 29;
    for (const CCurveCharacteristics& c : aCurves) {
        const int nShape = c.m_nCurve / 2 % 3; // 0 peaked, 1 hardening, 2 flat
        EXPECT_EQ(c.m_bPeak, nShape == 0) << c.m_nCurve;
        EXPECT_TRUE(std::isnan(c.m_aStressAt[1]));
        if (nShape == 0) {
            EXPECT_NEAR(c.m_dPeakStrain, 0.25, dResolution);
            // Within a resampling step of the peak the stress falls by less than 0.2 %.
            EXPECT_NEAR(c.m_dPeakStress, 100, 0.2);
            EXPECT_NEAR(c.m_aStressAt[0], 100, 0.2);
        }
        EXPECT_EQ(c.m_bSteady, nShape == 2) << c.m_nCurve;
        EXPECT_TRUE(nShape != 2 || std::fabs(c.m_dSteadyStress - 80) < 0.1) << c.m_dSteadyStress;
    }
}

// Contours of f = x + 2y on [0,4] x [0,2] and of f = x^2 + y^2 on [-1,1]^2.
TEST(Contours, LinesAndRegionsOfKnownFunctions) {
    const auto grid = [](int n, double dLo, double dHi, double dYHi, auto f) {
        CContourGrid g;
        for (int k = 0; k < n; ++k)
            g.m_aX.push_back(dLo + (dHi - dLo) * k / (n - 1));
        for (int k = 0; k < n; ++k)
            g.m_aY.push_back(dLo * dYHi / dHi + (dYHi - dLo * dYHi / dHi) * k / (n - 1));
        for (double y : g.m_aY)
            for (double x : g.m_aX)
                g.m_aValues.push_back(f(x, y));
        return g;
    };
    const auto area = [](const std::vector<CContourPath>& aPolygons) {
        double dArea = 0;
        for (const CContourPath& p : aPolygons)
            for (std::size_t i = 0; i < p.size(); ++i)
                dArea += (p[i].m_dX * p[(i + 1) % p.size()].m_dY - p[(i + 1) % p.size()].m_dX * p[i].m_dY) / 2;
        return dArea;
    };
    const CContourGrid plane = grid(9, 0.0, 4.0, 2.0, [](double x, double y) { return x + 2 * y; });
    const std::vector<CContourPath> aLines = ContourLines(plane, 3.0);
    ASSERT_EQ(aLines.size(), 1u);
    for (const CContourPoint& p : aLines[0])
        EXPECT_NEAR(p.m_dX + 2 * p.m_dY, 3.0, 1e-12);
    // Below x + 2y = 3 lies the triangle of legs 3 and 1.5, below x + 2y = 5 an area of 5.75.
    EXPECT_NEAR(area(ContourRegion(plane, -HUGE_VAL, 3.0)), 2.25, 1e-12);
    EXPECT_NEAR(area(ContourRegion(plane, 3.0, 5.0)), 3.5, 1e-12);
    EXPECT_NEAR(area(ContourRegion(plane, -HUGE_VAL, HUGE_VAL)), 8.0, 1e-12);
    EXPECT_EQ(ContourLevels(plane, 4), (std::vector<double>{0, 2, 4, 6, 8}));
    const auto label = ContourLabelPlace(plane, aLines[0], 0.2);
    ASSERT_TRUE(label.has_value());
    EXPECT_NEAR(label->m_at.m_dX, 1.5, 1e-12);
    EXPECT_FALSE(ContourLabelPlace(plane, aLines[0], 2.0).has_value());

    CContourGrid bowl = grid(81, -1.0, 1.0, 1.0, [](double x, double y) { return x * x + y * y; });
    const std::vector<CContourPath> aCircle = ContourLines(bowl, 0.25);
    ASSERT_EQ(aCircle.size(), 1u);
    EXPECT_NEAR(aCircle[0].front().m_dX, aCircle[0].back().m_dX, 1e-12); // closed
    for (const CContourPoint& p : aCircle[0])
        EXPECT_NEAR(std::hypot(p.m_dX, p.m_dY), 0.5, 1e-3);
    EXPECT_NEAR(area(ContourRegion(bowl, -HUGE_VAL, 0.25)), M_PI / 4, 2e-3);
    // A corner without a value takes the six triangles around it out of the region.
    bowl.m_aValues[40 * 81 + 40] = NAN;
    EXPECT_NEAR(area(ContourRegion(bowl, -HUGE_VAL, 0.25)), M_PI / 4 - 6 * 0.025 * 0.025 / 2, 2e-3);
    EXPECT_EQ(ContourLines(bowl, 0.25).size(), 1u);
}
