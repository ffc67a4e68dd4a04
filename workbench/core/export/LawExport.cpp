#include "vornel/export/LawExport.h"

#include "vornel/document/Text.h"
#include "ExportText.h"
#include "vornel/document/Material.h"
#include "vornel/document/MeasuredConditions.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace {

constexpr CExportFormat kFormats[] = {
    {"uhard", "Abaqus/Standard UHARD subroutine (*.f)", "f", true, UhardText},
    {"vuhard", "Abaqus/Explicit VUHARD subroutine (*.f)", "f", true, VuhardText},
    {"abaqus", "Abaqus *MATERIAL deck (*.inp)", "inp", false, AbaqusDeckText},
    {"calculix", "CalculiX *MATERIAL deck at one strain rate (*.inp)", "inp", false, CalculixDeckText},
    {"lsdyna", "LS-DYNA *MAT cards and tables (*.k)", "k", false, LsDynaText},
    {"openradioss", "OpenRadioss /MAT/LAW103 card (*.rad)", "rad", true, OpenRadiossText},
    {"csv", "CSV table (*.csv)", "csv", false, CsvText},
};

constexpr const char* kNoCurves = "the material has no measured curve to take the ranges of the law from";

// The law check grid of the subroutines.
constexpr int kCheckStrainSteps = 40;
constexpr int kCheckRates = 25;
constexpr int kCheckTemps = 21;

bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

// The whole of text as a number ("+" allowed in front); throws CExportError otherwise.
double ParseReal(std::string_view text) {
    const std::string_view number = TrimBlanks(text);
    std::string_view digits = number;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    double dValue = 0;
    const auto [pStop, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), dValue);
    if (digits.empty() || ec != std::errc() || pStop != digits.data() + digits.size())
        throw CExportError("\"" + std::string(number) + "\" is not a number");
    return dValue;
}

// The numbers of "V1,V2,...", each checked by check (which throws), sorted, repeats dropped.
template <class Check>
std::vector<double> ParseList(std::string_view text, Check check) {
    std::vector<double> aValues;
    for (std::size_t nStart = 0; nStart <= text.size();) {
        const std::size_t nComma = std::min(text.find(',', nStart), text.size());
        const double dValue = ParseReal(text.substr(nStart, nComma - nStart));
        if (!std::isfinite(dValue))
            throw CExportError(Significant(dValue, 6) + " is not a finite number");
        check(dValue);
        aValues.push_back(dValue);
        nStart = nComma + 1;
    }
    std::sort(aValues.begin(), aValues.end());
    aValues.erase(std::unique(aValues.begin(), aValues.end()), aValues.end());
    return aValues;
}

// nSteps + 1 values from dFirst to dLast, evenly (one value when they are equal).
std::vector<double> Even(double dFirst, double dLast, int nSteps) {
    if (!(dLast > dFirst))
        return {dFirst};
    std::vector<double> aValues;
    for (int k = 0; k <= nSteps; ++k)
        aValues.push_back(k == nSteps ? dLast : dFirst + (dLast - dFirst) * k / nSteps);
    return aValues;
}

// The one number of text, checked by check (which throws); nothing for a blank text.
template <class Check>
std::optional<double> ParseOptional(std::string_view text, Check check) {
    if (IsBlank(text))
        return std::nullopt;
    const double dValue = ParseReal(text);
    if (!std::isfinite(dValue))
        throw CExportError(Significant(dValue, 6) + " is not a finite number");
    check(dValue);
    return dValue;
}

} // namespace

void CDeckOptions::SetUnits(std::string_view strText) {
    m_units = IsBlank(strText) ? CExportUnits{} : ParseExportUnits(strText);
}

void CDeckOptions::SetElastic(std::string_view strText) {
    if (IsBlank(strText)) {
        m_dYoungsModulus.reset();
        m_dPoisson.reset();
        return;
    }
    const std::size_t nComma = strText.find(',');
    if (nComma == std::string_view::npos)
        throw CExportError("\"" + std::string(TrimBlanks(strText)) +
                           "\" is not E,nu, the elastic modulus and Poisson's ratio (as 210000,0.3)");
    const auto modulus = ParseOptional(strText.substr(0, nComma), [](double dE) {
        if (!(dE > 0))
            throw CExportError("the elastic modulus " + Significant(dE, 6) + " is not above 0");
    });
    const auto poisson = ParseOptional(strText.substr(nComma + 1), [](double dNu) {
        if (!(dNu > -1 && dNu < 0.5))
            throw CExportError("Poisson's ratio " + Significant(dNu, 6) + " is not above -1 and below 0.5");
    });
    if (!modulus || !poisson)
        throw CExportError("\"" + std::string(TrimBlanks(strText)) + "\" lacks the elastic modulus or Poisson's ratio");
    m_dYoungsModulus = modulus;
    m_dPoisson = poisson;
}

void CDeckOptions::SetDensity(std::string_view strText) {
    m_dDensity = ParseOptional(strText, [](double dRho) {
        if (!(dRho > 0))
            throw CExportError("the density " + Significant(dRho, 6) + " is not above 0");
    });
}

void CDeckOptions::SetHeatFraction(std::string_view strText) {
    m_dHeatFraction = ParseOptional(strText, [](double dFraction) {
        if (!(dFraction >= 0 && dFraction <= 1))
            throw CExportError("the inelastic heat fraction " + Significant(dFraction, 6) + " is outside 0..1");
    });
}

void CDeckOptions::SetRate(std::string_view strText) {
    m_dRate = ParseOptional(strText, [](double dRate) {
        if (dRate < 0)
            throw CExportError("the strain rate " + Significant(dRate, 6) + " is below 0");
    });
}

CMeasuredRanges MeasuredRanges(const CMaterial& material) {
    CMeasuredRanges ranges;
    bool bAny = false;
    for (int c = 0; c < material.m_nCurves; ++c) {
        for (const CCurvePoint& point : material.Curve(c).m_pPoints) {
            if (!bAny || point.m_dStrain < ranges.m_dMinStrain)
                ranges.m_dMinStrain = point.m_dStrain;
            if (!bAny || point.m_dStrain > ranges.m_dMaxStrain)
                ranges.m_dMaxStrain = point.m_dStrain;
            bAny = true;
        }
    }
    if (!bAny)
        throw CExportError(kNoCurves);
    CMeasuredConditions measured = MeasuredConditions(material);
    ranges.m_aTemps = std::move(measured.m_aTemps);
    ranges.m_aRates = std::move(measured.m_aRates);
    if (ranges.m_aTemps.empty() || ranges.m_aRates.empty())
        throw CExportError("no measured curve has a temperature and a strain rate that are finite numbers");
    return ranges;
}

void CExportGridOptions::SetStrains(std::string_view strText) {
    if (IsBlank(strText)) {
        m_dMaxStrain = 0;
        m_nStrainSteps = 0;
        return;
    }
    const std::size_t nColon = strText.find(':');
    if (nColon == std::string_view::npos)
        throw CExportError("\"" + std::string(TrimBlanks(strText)) +
                           "\" is not MAX:N, the largest strain and the number of steps (as 0.8:40)");
    const double dMax = ParseReal(strText.substr(0, nColon));
    if (!(dMax > 0) || !std::isfinite(dMax))
        throw CExportError("the largest strain " + Significant(dMax, 6) + " is not a finite number above 0");
    const std::string_view steps = TrimBlanks(strText.substr(nColon + 1));
    int nSteps = 0;
    const auto [pStop, ec] = std::from_chars(steps.data(), steps.data() + steps.size(), nSteps);
    if (steps.empty() || ec != std::errc() || pStop != steps.data() + steps.size() || nSteps < 1 ||
        nSteps > kMaxExportStrainSteps)
        throw CExportError("the number of steps \"" + std::string(steps) + "\" is not a whole number from 1 to " +
                           std::to_string(kMaxExportStrainSteps));
    // The grid's strains are MAX k / N: MAX N must be a finite number too.
    if (!std::isfinite(dMax * nSteps))
        throw CExportError("the largest strain " + Significant(dMax, 6) + " in " + std::to_string(nSteps) +
                           " steps gives strains that are not finite numbers");
    m_dMaxStrain = dMax;
    m_nStrainSteps = nSteps;
}

void CExportGridOptions::SetRates(std::string_view strText) {
    m_aRates = IsBlank(strText) ? std::vector<double>{} : ParseList(strText, [](double dRate) {
        if (dRate < 0)
            throw CExportError("the strain rate " + Significant(dRate, 6) + " is below 0");
    });
}

void CExportGridOptions::SetTemps(std::string_view strText) {
    m_aTemps = IsBlank(strText) ? std::vector<double>{} : ParseList(strText, [](double) {});
}

CExportGrid TableGrid(const CMeasuredRanges& measured, const CExportGridOptions& options) {
    CExportGrid grid;
    grid.m_aTemps = options.m_aTemps.empty() ? measured.m_aTemps : options.m_aTemps;
    grid.m_aRates = options.m_aRates.empty() ? measured.m_aRates : options.m_aRates;
    if (options.m_nStrainSteps > 0) {
        grid.m_aStrains = Even(0.0, options.m_dMaxStrain, options.m_nStrainSteps);
    } else {
        if (!(measured.m_dMaxStrain > 0))
            throw CExportError("the measured strains do not rise above 0; give the strains of the tables (MAX:N)");
        grid.m_aStrains = Even(0.0, measured.m_dMaxStrain, kExportStrainSteps);
    }
    return grid;
}

CExportGrid SubroutineCheckGrid(const CMeasuredRanges& measured) {
    CExportGrid grid;
    const double dMaxStrain = measured.m_dMaxStrain > 0 ? measured.m_dMaxStrain : 1.0;
    grid.m_aStrains = Even(0.0, 2 * dMaxStrain, kCheckStrainSteps);
    // The smallest rate above 0 (a rate of 0 is evaluated at the rate bound anyway).
    double dLow = kEvaluateMinRate;
    for (double dRate : measured.m_aRates)
        if (dRate > 0) {
            dLow = dRate;
            break;
        }
    const double dHigh = std::max(dLow, measured.m_aRates.empty() ? dLow : measured.m_aRates.back());
    for (double dLog : Even(std::log(0.1 * dLow), std::log(10 * dHigh), kCheckRates - 1))
        grid.m_aRates.push_back(std::exp(dLog));
    grid.m_aTemps = Even(measured.m_aTemps.front(), measured.m_aTemps.back(), kCheckTemps - 1);
    return grid;
}

CCheck CheckLawExport(const CMaterial& material) {
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    const std::string strNoLaw = "there is no fitted law to export: ";
    if (!pModel)
        return CCheck::Refuse(strNoLaw + "no model is chosen");
    const std::string strModel = "model " + std::to_string(pModel->m_nNumber);
    if (material.m_nCoef != pModel->m_nCoef)
        return CCheck::Refuse(strNoLaw + strModel + " has " + std::to_string(pModel->m_nCoef) +
                              " coefficients, the material holds " + std::to_string(material.m_nCoef) +
                              " (fit the model first)");
    for (int k = 0; k < pModel->m_nCoef; ++k)
        if (!std::isfinite(material.m_dCoef[static_cast<std::size_t>(k)]))
            return CCheck::Refuse(strNoLaw + strModel + ": coefficient A" + std::to_string(k + 1) + " is " +
                                  Significant(material.m_dCoef[static_cast<std::size_t>(k)], 6) +
                                  ", not a finite number");
    for (int c = 0; c < material.m_nCurves; ++c)
        if (!material.Curve(c).m_pPoints.empty())
            return {};
    return CCheck::Refuse(kNoCurves);
}

CLawExport LawOnGrid(const CLawExport& law, CExportGrid base, ERateAxis eRates) {
    CLawExport result = law;
    result.m_baseGrid = base;
    result.m_eRateAxis = eRates;
    result.m_interpolation = RefineGrid(law.m_pModel->m_nNumber, law.m_aCoef.data(), base, eRates);
    result.m_grid = std::move(base);
    result.m_aValues = EvaluateOnGrid(law.m_pModel->m_nNumber, law.m_aCoef.data(), result.m_grid);
    return result;
}

CLawExport MakeLawExport(const CMaterial& material, const CExportGridOptions& options, int nFirstId,
                         const CDeckOptions& deck) {
    if (const CCheck check = CheckLawExport(material); !check.Ok())
        throw CExportError(check.m_strMessage);
    if (nFirstId < 1)
        throw CExportError("the first LS-DYNA id " + std::to_string(nFirstId) + " is below 1");
    CLawExport law;
    law.m_pModel = FindModel(material.m_nFunction);
    law.m_aCoef.assign(material.m_dCoef.begin(), material.m_dCoef.begin() + law.m_pModel->m_nCoef);
    law.m_strMaterial = !material.m_strName.empty()
                            ? material.m_strName
                            : std::filesystem::path(material.m_strFileName).stem().string();
    law.m_measured = MeasuredRanges(material);
    law.m_nFirstId = nFirstId;
    law.m_deck = deck;
    law = LawOnGrid(law, TableGrid(law.m_measured, options), ERateAxis::LinearOrLog);
    law.m_aTableCheck = CheckLaw(law);
    law.m_aSubroutineCheck =
        CheckLaw(law.m_pModel->m_nNumber, law.m_aCoef.data(), SubroutineCheckGrid(law.m_measured));
    return law;
}

std::span<const CExportFormat> ExportFormats() { return kFormats; }

const CExportFormat* FindExportFormat(std::string_view strName) {
    for (const CExportFormat& format : kFormats)
        if (strName == format.m_szName)
            return &format;
    return nullptr;
}

std::string ExportFormatNames() {
    std::string strNames;
    for (const CExportFormat& format : kFormats)
        strNames += (strNames.empty() ? "" : ", ") + std::string(format.m_szName);
    return strNames;
}

const std::vector<CLawFinding>& CheckLawFor(const CExportFormat& format, const CLawExport& law) {
    return format.m_bSubroutine ? law.m_aSubroutineCheck : law.m_aTableCheck;
}

void WriteLawExport(const CExportFormat& format, const CLawExport& law, const std::string& strPath) {
    WriteTextFile(strPath, format.m_pfnText(law));
}

// ---- what the formats share ---------------------------------------------------------------

std::string Significant(double dValue, int nDigits) {
    char szText[64];
    const std::to_chars_result result =
        std::to_chars(szText, szText + sizeof szText, dValue, std::chars_format::general, nDigits);
    return std::string(szText, result.ptr);
}

namespace {

constexpr std::size_t kCommentWidth = 72;

// Appends strText as comment lines of at most kCommentWidth characters, broken at blanks;
// continuation lines are indented by two blanks.
void AppendComment(std::string& strOut, std::string_view strPrefix, std::string_view strText) {
    bool bFirst = true;
    while (true) {
        const std::string_view indent = bFirst ? "" : "  ";
        const std::size_t nRoom = kCommentWidth - strPrefix.size() - indent.size();
        std::size_t nTake = strText.size();
        if (nTake > nRoom) {
            const std::size_t nBlank = strText.rfind(' ', nRoom);
            nTake = nBlank == std::string_view::npos || nBlank == 0 ? nRoom : nBlank;
        }
        strOut.append(strPrefix).append(indent).append(strText.substr(0, nTake));
        while (!strOut.empty() && strOut.back() == ' ')
            strOut.pop_back();
        strOut += '\n';
        strText.remove_prefix(nTake);
        while (!strText.empty() && strText.front() == ' ')
            strText.remove_prefix(1);
        if (strText.empty())
            return;
        bFirst = false;
    }
}

std::string Range(double dFirst, double dLast) {
    return dFirst == dLast ? Significant(dFirst, 6) : Significant(dFirst, 6) + " to " + Significant(dLast, 6);
}

} // namespace

std::string DescribeGrid(const CExportGrid& grid) {
    return "strain " + Range(grid.m_aStrains.front(), grid.m_aStrains.back()) + " (" +
           std::to_string(grid.m_aStrains.size()) + " values), strain rate " +
           Range(grid.m_aRates.front(), grid.m_aRates.back()) + " 1/s (" + std::to_string(grid.m_aRates.size()) +
           "), temperature " + Range(grid.m_aTemps.front(), grid.m_aTemps.back()) + " deg C (" +
           std::to_string(grid.m_aTemps.size()) + ")";
}

const char* const kSubroutineUnits =
    "The solver's arguments and results are in the units of this file; the parameters SFAC, RFAC and TOFF "
    "convert them for the law, which computes in the units it was fitted in. The derivative with respect to an "
    "argument a bound holds is 0.";

std::string CommentBlock(const CLawExport& law, const CFileHeader& header) {
    const CModelInfo& model = *law.m_pModel;
    const CMeasuredRanges& measured = law.m_measured;
    const CExportUnits& units = law.m_deck.m_units;
    std::string strLabel = model.m_szLabel;
    while (!strLabel.empty() && strLabel.back() == ' ')
        strLabel.pop_back();
    std::string strOut;
    const auto line = [&](const std::string& strText) { AppendComment(strOut, header.m_strPrefix, strText); };
    line("Flow-stress law fitted by Vornel: " + header.m_strWhat);
    line("Material: " + law.m_strMaterial);
    line("Model " + std::to_string(model.m_nNumber) + ": " + strLabel);
    std::string strSteps;
    for (const std::string& strStep : FortranLawSteps(model))
        strSteps += (strSteps.empty() ? ", where " : ", ") + strStep;
    line("Law as evaluated: " +
         (model.m_szLawText ? std::string(model.m_szLawText) : "Ks = " + FortranLawExpression(model) + strSteps) +
         " (Eps the strain, H the strain rate, t the temperature)");
    if (header.m_bCoefficientLines)
        for (std::size_t k = 0; k < law.m_aCoef.size(); ++k)
            line("A(" + std::to_string(k + 1) + ") = " + Significant(law.m_aCoef[k], 17));
    line("Measured: strain " + Range(measured.m_dMinStrain, measured.m_dMaxStrain) + ", strain rate " +
         Range(measured.m_aRates.front(), measured.m_aRates.back()) + " 1/s, temperature " +
         Range(measured.m_aTemps.front(), measured.m_aTemps.back()) + " deg C");
    line("Units of the law: stress in the units of the data files (taken as MPa), strain rate 1/s, temperature "
         "deg C. Units of this file: " + units.Describe() + ".");
    line("A strain below 0.001 is taken as 0.001 and a strain rate below 0.0001 1/s as 0.0001 1/s.");
    if (header.m_bComputed)
        line("Outside the measured ranges the law is extrapolated.");
    if (header.m_bTables) {
        line("Grid (units of the law): " + DescribeGrid(law.m_grid) + ", refined where the law bends from " +
             DescribeGrid(law.m_baseGrid) + ".");
        line("Interpolated linearly between neighbouring grid points" +
             std::string(law.m_eRateAxis == ERateAxis::Log ? " (strain rates in their logarithm)" : "") +
             ", the tables stay within " + law.m_interpolation.Describe() + " of the law.");
        line("Where the grid reaches beyond the measured ranges the values are the law's extrapolation.");
    }
    if (!header.m_strOutside.empty())
        line(header.m_strOutside);
    for (const std::string& strLine : header.m_aLines)
        line(strLine);
    if (!header.m_strSources.empty())
        line(header.m_strSources);
    const std::vector<CLawFinding>& aFindings = header.m_bComputed ? law.m_aSubroutineCheck : law.m_aTableCheck;
    const std::string strGrid =
        header.m_bComputed ? DescribeGrid(SubroutineCheckGrid(measured)) : std::string("the grid of the tables");
    line("Law check over " + strGrid + ": " + (aFindings.empty() ? "ok" : std::to_string(aFindings.size()) + " findings"));
    for (const CLawFinding& finding : aFindings)
        line(finding.Message());
    return strOut;
}

std::string DeckName(const std::string& strName) {
    std::string strDeck;
    for (char c : strName) {
        const bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool bKept = bLetter || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (strDeck.empty() && !bLetter)
            continue;
        strDeck += bKept ? c : '_';
    }
    return strDeck.empty() ? std::string("MATERIAL") : strDeck.substr(0, 80);
}

std::string MaterialHeadCards(const CLawExport& law) {
    const CDeckOptions& deck = law.m_deck;
    std::string strText = "*MATERIAL, NAME=" + DeckName(law.m_strMaterial) + "\n*ELASTIC\n";
    strText += deck.m_dYoungsModulus ? Significant(*deck.m_dYoungsModulus, 9) + ", " + Significant(*deck.m_dPoisson, 9)
                                     : std::string("<YOUNGS_MODULUS>, <POISSON_RATIO>");
    strText += "\n*DENSITY\n";
    strText += deck.m_dDensity ? Significant(*deck.m_dDensity, 9) : std::string("<DENSITY>");
    return strText + "\n";
}

std::string PlasticDataLines(const CLawExport& law, std::size_t iRate) {
    constexpr int kDigits = 9;
    const CExportGrid& grid = law.m_grid;
    const CExportUnits& units = law.m_deck.m_units;
    std::string strText;
    for (std::size_t iTemp = 0; iTemp < grid.m_aTemps.size(); ++iTemp) {
        const std::string strTemp = Significant(units.Temp(grid.m_aTemps[iTemp]), kDigits);
        for (std::size_t iStrain = 0; iStrain < grid.m_aStrains.size(); ++iStrain) {
            strText += Significant(units.Stress(law.At(iTemp, iRate, iStrain).m_dStress), kDigits);
            strText += ", ";
            strText += Significant(grid.m_aStrains[iStrain], kDigits);
            strText += ", ";
            strText += strTemp;
            strText += '\n';
        }
    }
    return strText;
}
