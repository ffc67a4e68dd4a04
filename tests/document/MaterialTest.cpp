// The material document: written to and read from its binary file, its fit cleared.

#include "vornel/document/Material.h"
#include "TestSupport.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"

#include <array>
#include <cstring>

using vornel_test::FileBytes;
using vornel_test::ScratchTest;

namespace {

// A material of several curves with distinct values in every field.
std::unique_ptr<CMaterial> MakeMaterial(const std::vector<int>& aCounts) {
    auto pMaterial = std::make_unique<CMaterial>();
    double dValue = 1.0;
    for (std::size_t i = 0; i < aCounts.size(); ++i) {
        CCurve& curve = pMaterial->Curve(static_cast<int>(i));
        curve.m_dRate = 0.1 * static_cast<double>(i + 1);
        curve.m_dTemp = 900.0 + 50.0 * static_cast<double>(i);
        curve.m_strLabel = "/data/curve" + std::to_string(i) + ".asc";
        for (int j = 0; j < aCounts[i]; ++j) {
            CCurvePoint p;
            p.m_dStrain = dValue += 0.125;
            p.m_dStress = dValue += 0.125;
            p.m_dFitStress = dValue += 0.125;
            p.m_dAux = dValue += 0.125;
            p.m_dTime = dValue += 0.125;
            p.m_dRate = curve.m_dRate;
            p.m_dTemp = curve.m_dTemp;
            curve.m_pPoints.push_back(p);
        }
        pMaterial->m_nPoints += aCounts[i];
    }
    pMaterial->m_nCurves = static_cast<int>(aCounts.size());
    pMaterial->m_nPrepared = 1;
    pMaterial->m_nFunction = 14;
    pMaterial->m_nCoef = 5;
    for (int k = 0; k < 5; ++k)
        pMaterial->m_dCoef[static_cast<std::size_t>(k)] = 1.5 * k - 0.3;
    pMaterial->m_dErrorSr = 3.25;
    pMaterial->m_dErrorMax = 11.5;
    return pMaterial;
}

bool SamePoints(const CCurve& a, const CCurve& b) {
    return a.m_pPoints.size() == b.m_pPoints.size() &&
           (a.m_pPoints.empty() ||
            std::memcmp(a.m_pPoints.data(), b.m_pPoints.data(), a.m_pPoints.size() * sizeof(CCurvePoint)) == 0);
}

// Every field a read may touch, compared exactly.
void ExpectSameMaterial(const CMaterial& a, const CMaterial& b) {
    EXPECT_EQ(a.m_nPrepared, b.m_nPrepared);
    EXPECT_EQ(a.m_nCurves, b.m_nCurves);
    EXPECT_EQ(a.m_nPoints, b.m_nPoints);
    EXPECT_EQ(a.m_nFunction, b.m_nFunction);
    EXPECT_EQ(a.m_nCoef, b.m_nCoef);
    EXPECT_EQ(a.m_dCoef, b.m_dCoef);
    EXPECT_EQ(a.m_dErrorSr, b.m_dErrorSr);
    EXPECT_EQ(a.m_dErrorMax, b.m_dErrorMax);
    EXPECT_EQ(a.m_strFileName, b.m_strFileName);
    EXPECT_EQ(a.m_nSelectedCurve, b.m_nSelectedCurve);
    EXPECT_EQ(a.m_dTemp3d, b.m_dTemp3d);
    for (int i = 0; i < kMaxExchangeCurves; ++i) {
        EXPECT_TRUE(SamePoints(a.Curve(i), b.Curve(i))) << "curve " << i;
        EXPECT_EQ(a.Curve(i).m_dRate, b.Curve(i).m_dRate);
        EXPECT_EQ(a.Curve(i).m_dTemp, b.Curve(i).m_dTemp);
        EXPECT_EQ(a.Curve(i).m_strLabel, b.Curve(i).m_strLabel);
    }
}

} // namespace

TEST(RateTempLabel, FollowsItsFormat) {
    EXPECT_EQ(RateTempLabel(0.1, 1000), "H= 0.100 Temp= 1000.0 ");
    EXPECT_EQ(RateTempLabel(10, 20), "H= 10.000 Temp=  20.0 ");
    EXPECT_EQ(RateTempLabel(0.0005, -5), "H= 0.001 Temp=  -5.0 ");
}

// Tests that work in a fresh scratch folder.
class MaterialFile : public ScratchTest {};

TEST_F(MaterialFile, NewMaterialWritesThirtySixBytes) {
    CMaterial material;
    material.WriteMaterialFile(0);
    EXPECT_EQ(FileBytes("temp.mat").size(), 36u);
}

class MaterialRoundTrip : public ScratchTest, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(MaterialRoundTrip, ReproducesEveryFieldAndRebuildsLabels) {
    auto pWritten = MakeMaterial(GetParam());
    pWritten->m_strFileName = "steel.mat";
    pWritten->WriteMaterialFile(1);

    std::size_t nBytes = 12 + 8 + 8 * 5 + 16 + 4 * GetParam().size();
    for (int n : GetParam())
        nBytes += 4 + 56 * static_cast<std::size_t>(n);
    EXPECT_EQ(FileBytes("steel.mat").size(), nBytes);

    CMaterial read;
    read.m_strFileName = "steel.mat";
    read.ReadMaterialFile(1);
    EXPECT_EQ(read.m_nPrepared, 1);
    EXPECT_EQ(read.m_nCurves, pWritten->m_nCurves);
    EXPECT_EQ(read.m_nPoints, pWritten->m_nPoints);
    EXPECT_EQ(read.m_nFunction, 14);
    EXPECT_EQ(read.m_nCoef, 5);
    EXPECT_EQ(read.m_dCoef, pWritten->m_dCoef);
    EXPECT_EQ(read.m_dErrorSr, 3.25);
    EXPECT_EQ(read.m_dErrorMax, 11.5);
    for (int i = 0; i < read.m_nCurves; ++i) {
        const CCurve& curve = read.Curve(i);
        EXPECT_TRUE(SamePoints(curve, pWritten->Curve(i)));
        if (curve.PointCount() > 0) {
            EXPECT_EQ(curve.m_dRate, pWritten->Curve(i).m_dRate);
            EXPECT_EQ(curve.m_dTemp, pWritten->Curve(i).m_dTemp);
            EXPECT_EQ(curve.m_strLabel, RateTempLabel(curve.m_dRate, curve.m_dTemp));
        } else {
            // a curve without points keeps what the reading material had in that slot
            EXPECT_EQ(curve.m_strLabel, "");
            EXPECT_EQ(curve.m_dRate, 0.0);
        }
    }
    EXPECT_EQ(read.CountPoints(), read.m_nPoints);
}

INSTANTIATE_TEST_SUITE_P(CurveSizes, MaterialRoundTrip,
                         ::testing::Values(std::vector<int>{}, std::vector<int>{30}, std::vector<int>{30, 0, 5},
                                           std::vector<int>{701, 12, 1, 2}));

TEST_F(MaterialFile, CurveReadWithoutPointsKeepsItsSlotAndLaterSlotsStay) {
    auto pSource = MakeMaterial({3, 0});
    pSource->WriteMaterialFile(0);

    auto pTarget = MakeMaterial({4, 2, 6});
    pTarget->Curve(1).m_strLabel = "kept label";
    pTarget->m_nSelectedCurve = 2;
    pTarget->m_dTemp3d = 850;
    const std::string strThird = pTarget->Curve(2).m_strLabel;
    pTarget->ReadMaterialFile(0);

    EXPECT_EQ(pTarget->m_nCurves, 2);
    EXPECT_EQ(pTarget->m_nPoints, 3);
    EXPECT_EQ(pTarget->Curve(1).PointCount(), 0);
    EXPECT_EQ(pTarget->Curve(1).m_strLabel, "kept label");
    EXPECT_EQ(pTarget->Curve(1).m_dRate, 0.2);
    EXPECT_EQ(pTarget->Curve(2).PointCount(), 6); // beyond N: untouched
    EXPECT_EQ(pTarget->Curve(2).m_strLabel, strThird);
    EXPECT_EQ(pTarget->m_nSelectedCurve, 2);
    EXPECT_EQ(pTarget->m_dTemp3d, 850);
}

TEST_F(MaterialFile, CoefficientsBeyondTheCountKeepTheirValues) {
    CMaterial source;
    source.m_nCoef = 2;
    source.m_dCoef[0] = 4;
    source.m_dCoef[1] = 5;
    source.WriteMaterialFile(0);
    CMaterial target;
    target.m_dCoef.fill(-1);
    target.ReadMaterialFile(0);
    EXPECT_EQ(target.m_nCoef, 2);
    EXPECT_EQ(target.m_dCoef[0], 4);
    EXPECT_EQ(target.m_dCoef[1], 5);
    EXPECT_EQ(target.m_dCoef[9], -1);
}

TEST_F(MaterialFile, ExchangeFileReadKeepsTheMaterialFileName) {
    auto pMaterial = MakeMaterial({2});
    pMaterial->m_strFileName = "STAL_45.mat";
    pMaterial->WriteMaterialFile(0);
    pMaterial->ReadMaterialFile(0);
    EXPECT_EQ(pMaterial->m_strFileName, "STAL_45.mat");
    pMaterial->WriteMaterialFile(1);
    EXPECT_EQ(FileBytes("STAL_45.mat"), FileBytes("temp.mat"));
}

TEST_F(MaterialFile, WorkbenchAndEngineTrailersReadIdentically) {
    auto pMaterial = MakeMaterial({5, 7});
    WriteExchangeData("wb.mat", pMaterial->ToExchangeData(), EExchangeTrailer::CurveWords);
    WriteExchangeData("en.mat", pMaterial->ToExchangeData(), EExchangeTrailer::ErrorsAgain);
    CMaterial a;
    a.m_strFileName = "wb.mat";
    a.ReadMaterialFile(1);
    CMaterial b;
    b.m_strFileName = "en.mat";
    b.ReadMaterialFile(1);
    b.m_strFileName = a.m_strFileName;
    ExpectSameMaterial(a, b);
}

class MaterialRefusal : public ScratchTest, public ::testing::WithParamInterface<int> {};

// Each malformed variant of a valid file leaves the reading material exactly as it was.
TEST_P(MaterialRefusal, LeavesTheMaterialUntouched) {
    auto pSource = MakeMaterial({4, 3});
    pSource->WriteMaterialFile(0);
    std::vector<unsigned char> a = FileBytes("temp.mat");
    auto putInt = [&](std::size_t off, std::int32_t n) { std::memcpy(&a[off], &n, 4); };
    const std::size_t nAfterCurves = 12 + 4 + 56 * 4 + 4 + 56 * 3;
    switch (GetParam()) {
    case 0: putInt(4, -2); break;                // negative curve count
    case 1: putInt(4, 201); break;               // too many curves
    case 2: putInt(8, 8); break;                 // total is not the sum
    case 3: putInt(nAfterCurves + 4, 101); break; // too many coefficients
    case 4: a.resize(nAfterCurves + 8 + 8 * 5 + 4); break; // truncated in the errors
    case 5: a.resize(100); break;                // truncated in the points
    case 6: putInt(12, -1); break;               // negative point count
    }
    {
        std::ofstream out("temp.mat", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(a.data()), static_cast<std::streamsize>(a.size()));
    }
    auto pTarget = MakeMaterial({2, 2, 2});
    auto pCopy = MakeMaterial({2, 2, 2});
    try {
        pTarget->ReadMaterialFile(0);
        FAIL() << "accepted variant " << GetParam();
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "temp.mat");
    }
    ExpectSameMaterial(*pTarget, *pCopy);
}

INSTANTIATE_TEST_SUITE_P(Variants, MaterialRefusal, ::testing::Range(0, 7));

// Counts beyond the fixed tables are refused before anything is copied, in both directions.
TEST(MaterialExchangeData, CountsBeyondTheTablesAreRefused) {
    auto pMaterial = MakeMaterial({2, 3});
    const CMaterial copy = *pMaterial;
    CExchangeData tooManyCurves = pMaterial->ToExchangeData();
    tooManyCurves.m_aCurves.resize(kMaxExchangeCurves + 1);
    CExchangeData tooManyCoef = pMaterial->ToExchangeData();
    tooManyCoef.m_aCoef.resize(CMaterial::kMaxCoef + 1);
    EXPECT_THROW(pMaterial->TakeExchangeData(tooManyCurves), std::invalid_argument);
    EXPECT_THROW(pMaterial->TakeExchangeData(tooManyCoef), std::invalid_argument);
    EXPECT_TRUE(*pMaterial == copy);

    for (int nBad : {-1, CMaterial::kMaxCoef + 1}) {
        CMaterial coef = copy;
        coef.m_nCoef = nBad;
        EXPECT_THROW(coef.ToExchangeData(), std::invalid_argument) << nBad;
    }
    for (int nBad : {-1, kMaxExchangeCurves + 1}) {
        CMaterial curves = copy;
        curves.m_nCurves = nBad;
        EXPECT_THROW(curves.ToExchangeData(), std::invalid_argument) << nBad;
    }
}

TEST_F(MaterialFile, MissingMaterialFileIsRefusedAndNothingChanges) {
    auto pTarget = MakeMaterial({2});
    pTarget->m_strFileName = "absent.mat";
    auto pCopy = MakeMaterial({2});
    pCopy->m_strFileName = "absent.mat";
    EXPECT_THROW(pTarget->ReadMaterialFile(1), CFileError);
    ExpectSameMaterial(*pTarget, *pCopy);
}

TEST_F(MaterialFile, FailedSaveRaisesAFileErrorNamingTheFile) {
    auto pMaterial = MakeMaterial({2});
    pMaterial->m_strFileName = "missing-folder/steel.mat";
    try {
        pMaterial->WriteMaterialFile(1);
        FAIL();
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "missing-folder/steel.mat");
    }
}

TEST(ClearFit, ResetsCoefficientsErrorsAndSelection) {
    CMaterial material;
    material.m_dCoef.fill(3);
    material.m_nCoef = 5;
    material.m_dErrorSr = 1;
    material.m_dErrorMax = 2;
    material.m_nSelectedCurve = 4;
    material.m_nFunction = 7;
    material.ClearFit();
    EXPECT_EQ(material.m_dCoef, (std::array<double, 100>{}));
    EXPECT_EQ(material.m_nCoef, 0);
    EXPECT_EQ(material.m_dErrorSr, 0);
    EXPECT_EQ(material.m_dErrorMax, 0);
    EXPECT_EQ(material.m_nSelectedCurve, 0);
    EXPECT_EQ(material.m_nFunction, 7);
}
