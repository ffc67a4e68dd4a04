// Whether a fit read back from the engine can be used, and why not.

#include "vornel/fit/ModelFit.h"
#include "vornel/document/Material.h"

#include <gtest/gtest.h>

#include <memory>

TEST(CheckFit, NamesWhatMakesAFitUnusable) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_nCoef = 4;
    pMaterial->m_dErrorSr = 1;
    pMaterial->m_dErrorMax = 2;
    const CEngineStatus fitted{TARNFIT_FITTED, ""};
    EXPECT_TRUE(CheckFit(*pMaterial, 9, fitted).Ok());
    EXPECT_EQ(CheckFit(*pMaterial, 0, fitted).m_strMessage, "no model is chosen");
    EXPECT_EQ(CheckFit(*pMaterial, 14, fitted).m_strMessage, "model 14: the engine returned 4 coefficients instead of 5");
    // The engine's verdict and reason hold, whatever the file holds.
    EXPECT_EQ(CheckFit(*pMaterial, 9, {TARNFIT_REFUSED, "KIVX: too few curves"}).m_strMessage, "KIVX: too few curves");
    EXPECT_EQ(CheckFit(*pMaterial, 9, {TARNFIT_FILE_UNUSABLE, "KIVX: temp.mat: cannot open"}).m_strMessage,
              "KIVX: temp.mat: cannot open");
    EXPECT_EQ(CheckFit(*pMaterial, 9, {}).m_strMessage, "model 9: the engine returned no coefficients");
    pMaterial->m_nCoef = 0;
    EXPECT_EQ(CheckFit(*pMaterial, 9, fitted).m_strMessage, "model 9: the engine returned no coefficients");
}
