// Peaks and steady states of curves made with a known shape and prepared by the engine.

#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/document/Material.h"
#include "vornel/intake/Import.h"
#include "RecordFiles.h"
#include "TestSupport.h"

#include <cmath>

using namespace vornel_test;

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

