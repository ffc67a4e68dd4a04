// OpenRadioss starter card /MAT/LAW103 (HENSEL-SPITTEL) of the fitted law, where the law is
// that card's form term by term:
//
//     sigma_y = A0 exp(m1 T) eps^m2 epsdot^m3 exp(m4/eps) (1 + eps)^(m5 T) exp(m7 eps),
//     eps = EPS_0 + the plastic strain, T = the model's temperature - 273.15,
//     epsdot in 1/s (converted from the model's time unit),
//
// as OpenRadioss computes it (engine/source/materials/mat/mat103/sigeps103.F; the cards and
// the offsets in starter/source/materials/mat/mat103/hm_read_mat103.F). The laws that map:
//   model 9   A1 E^A2 H^A3 exp(A4 t):             A0 = A1, m1 = A4, m2 = A2, m3 = A3
//   model 14  A1 E^A2 exp(A3 E) H^A4 exp(A5 t):   A0 = A1, m1 = A5, m2 = A2, m3 = A4, m7 = A3
//   model 18  with A7 = A8 = 0 (no H^(A7 t), no t^A8):
//             A0 = A1, m1 = A9, m2 = A2, m3 = A6, m4 = A3, m5 = A5, m7 = A4
// and the other terms 0. With EPS_0 = 0 the card's strain is the plastic strain, and its T is
// the law's t in deg C when the model's temperatures are in K. Other laws are refused with
// the reason. Fields of 20 characters (FSMOOTH 10), numbers with 12 significant digits.

#include "ExportText.h"

#include <array>

namespace {

constexpr int kDigits = 12;

// The card's A0, m1, m2, m3, m4, m5, m7 of the law, or a refusal.
std::array<double, 7> CardCoefficients(const CLawExport& law) {
    const std::vector<double>& A = law.m_aCoef;
    switch (law.m_pModel->m_nNumber) {
    case 9:
        return {A[0], A[3], A[1], A[2], 0, 0, 0};
    case 14:
        return {A[0], A[4], A[1], A[3], 0, 0, A[2]};
    case 18:
        if (A[6] != 0 || A[7] != 0)
            throw CExportError("OpenRadioss /MAT/LAW103 has no terms H^(A7 t) and t^A8, and model 18's A7 = " +
                               Significant(A[6], 6) + ", A8 = " + Significant(A[7], 6) +
                               " are not 0; export it as tables (abaqus, lsdyna, csv) or a subroutine");
        return {A[0], A[8], A[1], A[5], A[2], A[4], A[3]};
    default:
        throw CExportError("OpenRadioss /MAT/LAW103 holds the Hensel-Spittel laws of models 9 and 14, and of model 18 "
                           "when its A7 and A8 are 0; model " + std::to_string(law.m_pModel->m_nNumber) +
                           "'s law is not of that form: export it as tables (abaqus, lsdyna, csv) or a subroutine");
    }
}

void AppendCard(std::string& strOut, std::initializer_list<std::string> aFields, bool bFirstInteger = false) {
    bool bFirst = true;
    for (const std::string& strField : aFields) {
        const std::size_t nWidth = bFirst && bFirstInteger ? 10 : 20;
        if (strField.size() < nWidth)
            strOut.append(nWidth - strField.size(), ' ');
        strOut += strField;
        bFirst = false;
    }
    strOut += '\n';
}

std::string Number(double dValue) { return Significant(dValue, kDigits); }

} // namespace

std::string OpenRadiossText(const CLawExport& law) {
    const std::array<double, 7> m = CardCoefficients(law);
    const CDeckOptions& deck = law.m_deck;
    const CExportUnits& units = deck.m_units;
    const std::string strId = std::to_string(law.m_nFirstId);
    CFileHeader header;
    header.m_strWhat = "OpenRadioss /MAT/LAW103 (HENSEL-SPITTEL) card";
    header.m_strPrefix = "# ";
    header.m_bComputed = true;
    header.m_bTables = false;
    header.m_strOutside = "OpenRadioss computes the law itself at any strain, strain rate and temperature and equals "
                          "the law here wherever the plastic strain is 0.001 or more and the strain rate 0.0001 1/s "
                          "or more; below them it takes them as they are (EPS_0 = 0; at a plastic strain of 0 it "
                          "leaves the strain terms out, and the stress falls to 0 with the strain rate), where the "
                          "law here holds its bounds.";
    header.m_aLines = {
        "The card's law takes the model's temperature minus 273.15: the model's temperatures are in K, TINI too, "
        "whatever this file's temperature unit; m1 and m5 are per degree as fitted. OpenRadioss turns the strain rate "
        "into 1/s with the model's units before the law, so m3 is as fitted; A0 is in the stress unit of this file.",
        "Include it in the starter deck (#include <this file>) and refer to material " + strId + " from the /PART.",
        std::string("Still to set, in the units of this file: ") + (deck.m_dDensity ? "" : "RHO_I (--density rho), ") +
            (deck.m_dYoungsModulus ? "" : "E, NU (--elastic E,nu), ") + "TINI (the initial temperature, K)" +
            (deck.m_dHeatFraction ? ", RHOCP (the density times the specific heat)" : "") +
            "; the starter stops on them until they are numbers." +
            (deck.m_dHeatFraction ? "" : " RHOCP 0 and ETA 0: no heating by plastic work (--heat-fraction sets ETA).")};
    header.m_strSources = "Sources: Altair Radioss Reference Guide (2021), /MAT/LAW103 (HENSEL-SPITTEL); OpenRadioss "
                          "starter/source/materials/mat/mat103/hm_read_mat103.F and "
                          "engine/source/materials/mat/mat103/sigeps103.F.";
    std::string strText = CommentBlock(law, header);
    strText += "/MAT/LAW103/" + strId + "\n" + DeckName(law.m_strMaterial) + "\n";
    strText += "#              RHO_I             RHO_REF\n";
    AppendCard(strText, {deck.m_dDensity ? Number(*deck.m_dDensity) : "<RHO_I>", "0"});
    strText += "#                  E                  NU\n";
    AppendCard(strText, {deck.m_dYoungsModulus ? Number(*deck.m_dYoungsModulus) : "<E>",
                         deck.m_dPoisson ? Number(*deck.m_dPoisson) : "<NU>"});
    strText += "#                 A0                  M1                  M2                  M3                  M4\n";
    AppendCard(strText, {Number(units.Stress(m[0])), Number(m[1]), Number(m[2]), Number(m[3]), Number(m[4])});
    strText += "#                 M5                  M7\n";
    AppendCard(strText, {Number(m[5]), Number(m[6])});
    strText += "#  FSMOOTH                FCUT               EPS_0                PMIN\n";
    AppendCard(strText, {"0", "0", "0", "0"}, true);
    strText += "#              RHOCP                TINI                 ETA\n";
    AppendCard(strText, {deck.m_dHeatFraction ? "<RHOCP>" : "0", "<TINI>",
                         deck.m_dHeatFraction ? Number(*deck.m_dHeatFraction) : "0"});
    return strText;
}
