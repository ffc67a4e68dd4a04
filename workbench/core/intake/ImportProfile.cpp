#include "vornel/intake/ImportProfile.h"

#include "vornel/intake/ColumnFile.h"

#include "vornel/document/InputRanges.h"
#include "formats/BinaryFile.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

namespace {

std::string Lower(std::string str) {
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

std::string Trimmed(const std::string& str) {
    const std::size_t nFirst = str.find_first_not_of(" \t\r");
    if (nFirst == std::string::npos)
        return {};
    return str.substr(nFirst, str.find_last_not_of(" \t\r") - nFirst + 1);
}

// Unit texts as written ("N/mm²", "µm", "°C") to a plain spelling.
std::string PlainUnit(const std::string& strUnit) {
    std::string str = Lower(Trimmed(strUnit));
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"\xc2\xb2", "2"}, {"^2", "2"},
                                   {"\xc2\xb5", "u"}, {"\xce\xbc", "u"}, {"\xc2\xb0", ""}}) {
        for (std::size_t n; (n = str.find(from)) != std::string::npos;)
            str.replace(n, from.size(), to);
    }
    return str;
}

std::string Format(double d) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.15g", d);
    return sz;
}

const char* const kConditionNames[] = {"", "list", "filename", "header"};

} // namespace

namespace {

struct CUnitRow {
    const char* szUnit;   // plain spelling (PlainUnit)
    double dFactor;       // to the program's unit
};

// Conversion factors: 1 psi = 6.894757293168e-3 MPa, 1 lbf = 4.4482216152605 N (exact, from
// the international pound and inch), 1 kgf = 9.80665 N (standard gravity).
constexpr CUnitRow kStressUnits[] = {{"", 1},      {"mpa", 1},   {"n/mm2", 1},  {"kpa", 1e-3},
                                     {"pa", 1e-6}, {"gpa", 1e3}, {"psi", 6.894757293168e-3},
                                     {"ksi", 6.894757293168}, {"kgf/mm2", 9.80665}};
constexpr CUnitRow kForceUnits[] = {{"", 1},      {"n", 1},           {"kn", 1e3},
                                    {"mn", 1e6},  {"kgf", 9.80665},   {"lbf", 4.4482216152605},
                                    {"kip", 4448.2216152605}};
constexpr CUnitRow kLengthUnits[] = {{"", 1}, {"mm", 1}, {"um", 1e-3}, {"m", 1e3}, {"cm", 10}, {"in", 25.4}};
constexpr CUnitRow kStrainUnits[] = {{"", 1}, {"-", 1}, {"1", 1}, {"mm/mm", 1}, {"in/in", 1}, {"%", 0.01}};

template <std::size_t N>
double FactorOf(const CUnitRow (&aRows)[N], const std::string& strUnit) {
    const std::string str = PlainUnit(strUnit);
    for (const CUnitRow& row : aRows)
        if (str == row.szUnit)
            return row.dFactor;
    return 0;
}

} // namespace

double StressUnitFactor(const std::string& strUnit) { return FactorOf(kStressUnits, strUnit); }

double ForceUnitFactor(const std::string& strUnit) { return FactorOf(kForceUnits, strUnit); }

double LengthUnitFactor(const std::string& strUnit) { return FactorOf(kLengthUnits, strUnit); }

double StrainUnitFactor(const std::string& strUnit) { return FactorOf(kStrainUnits, strUnit); }

std::string CColumnChoice::Text() const { return m_nNumber > 0 ? std::to_string(m_nNumber) : m_strTitle; }

CImportProfile ParseImportProfile(const std::string& strText, const std::string& strWhere) {
    CImportProfile profile;
    profile.m_strPath = strWhere;
    profile.m_strName = std::filesystem::path(strWhere).stem().string();
    std::map<std::string, int> seen;
    std::istringstream lines(strText);
    int nLine = 0;
    for (std::string strLine; std::getline(lines, strLine);) {
        ++nLine;
        if (nLine == 1 && strLine.rfind("\xEF\xBB\xBF", 0) == 0)
            strLine.erase(0, 3);
        const std::string strContent = Trimmed(strLine.substr(0, strLine.find('#')));
        if (strContent.empty())
            continue;
        const std::string strAt = strWhere + ":" + std::to_string(nLine) + ": ";
        const std::size_t nEq = strContent.find('=');
        if (nEq == std::string::npos)
            throw CInputError(strAt + "expected \"key = value\", not \"" + strContent + "\"");
        const std::string strKey = Lower(Trimmed(strContent.substr(0, nEq)));
        const std::string strValue = Trimmed(strContent.substr(nEq + 1));
        const std::string strValueLower = Lower(strValue);
        const auto fail = [&](const std::string& strWhy) -> void { throw CInputError(strAt + strKey + ": " + strWhy); };
        if (strValue.empty())
            fail("has no value");
        if (seen.count(strKey))
            fail("is given twice (first on line " + std::to_string(seen[strKey]) + ")");
        seen[strKey] = nLine;
        const auto choose = [&](std::initializer_list<const char*> aNames) -> int {
            int k = 0;
            for (const char* sz : aNames) {
                if (strValueLower == sz)
                    return k;
                ++k;
            }
            std::string strNames;
            for (const char* sz : aNames)
                strNames += (strNames.empty() ? "" : ", ") + std::string(sz);
            fail("\"" + strValue + "\" is not one of " + strNames);
            return -1;
        };
        const auto number = [&](double dMin, double dMax, bool bMinOpen) -> double {
            double d = 0;
            if (!ParseUserNumber(strValue, d))
                fail("\"" + strValue + "\" is not a number");
            if ((bMinOpen ? !(d > dMin) : !(d >= dMin)) || !(d <= dMax))
                fail(strValue + " is outside " + (bMinOpen ? "(" : "") + Format(dMin) + ".." + Format(dMax));
            return d;
        };
        const auto column = [&](CColumnChoice& choice) {
            int n = 0;
            const auto [pStop, ec] = std::from_chars(strValue.data(), strValue.data() + strValue.size(), n);
            if (ec == std::errc() && pStop == strValue.data() + strValue.size()) {
                if (n < 1)
                    fail("column numbers count from 1, not " + strValue);
                choice.m_nNumber = n;
            } else {
                choice.m_strTitle = strValue;
            }
        };
        const auto unit = [&](std::string& strUnit, double (*factor)(const std::string&), const char* szAllowed) {
            if (factor(strValue) == 0)
                fail("\"" + strValue + "\" is not a unit of this column; give " + szAllowed);
            strUnit = strValue;
        };
        const auto yesNo = [&]() { return choose({"no", "yes"}) == 1; };
        if (strKey == "delimiter")
            profile.m_text.m_eDelimiter = static_cast<EDelimiter>(choose({"auto", "whitespace", "comma", "semicolon", "tab"}));
        else if (strKey == "decimal")
            profile.m_text.m_eDecimal = static_cast<EDecimal>(choose({"auto", "point", "comma"}));
        else if (strKey == "encoding")
            profile.m_text.m_eEncoding = static_cast<EEncoding>(choose({"auto", "utf-8", "latin-1"}));
        else if (strKey == "strain")
            column(profile.m_strain);
        else if (strKey == "stress")
            column(profile.m_stress);
        else if (strKey == "force")
            column(profile.m_force);
        else if (strKey == "stroke")
            column(profile.m_stroke);
        else if (strKey == "temperature")
            column(profile.m_temperature);
        else if (strKey == "time")
            column(profile.m_time);
        else if (strKey == "strain_unit")
            unit(profile.m_strStrainUnit, StrainUnitFactor, "1 or %");
        else if (strKey == "stress_unit")
            unit(profile.m_strStressUnit, StressUnitFactor, "MPa, N/mm2, kPa or Pa");
        else if (strKey == "force_unit")
            unit(profile.m_strForceUnit, ForceUnitFactor, "N or kN");
        else if (strKey == "stroke_unit")
            unit(profile.m_strStrokeUnit, LengthUnitFactor, "mm, um or m");
        else if (strKey == "values")
            profile.m_eValues = static_cast<EValues>(choose({"true", "engineering"}));
        else if (strKey == "height0")
            profile.m_dHeight0 = number(0, 1e6, true);
        else if (strKey == "diameter0")
            profile.m_dDiameter0 = number(0, 1e6, true);
        else if (strKey == "conditions") {
            profile.m_aConditions.clear();
            std::istringstream parts(strValueLower);
            for (std::string strPart; std::getline(parts, strPart, ',');) {
                strPart = Trimmed(strPart);
                const auto* pName = std::find_if(std::begin(kConditionNames) + 1, std::end(kConditionNames),
                                                 [&](const char* sz) { return strPart == sz; });
                if (pName == std::end(kConditionNames))
                    fail("\"" + strPart + "\" is not one of list, filename, header");
                profile.m_aConditions.push_back(static_cast<EConditionSource>(pName - std::begin(kConditionNames)));
            }
        } else if (strKey == "segment")
            profile.m_prep.m_bSegment = yesNo();
        else if (strKey == "foot")
            profile.m_prep.m_bFoot = yesNo();
        else if (strKey == "friction_m")
            profile.m_prep.m_dFrictionM = number(0, 1, false);
        else if (strKey == "adiabatic")
            profile.m_prep.m_eAdiabatic = static_cast<EAdiabatic>(choose({"no", "rate", "measured"}));
        else if (strKey == "density")
            profile.m_prep.m_dDensity = number(0, 1e5, true);
        else if (strKey == "heat_capacity")
            profile.m_prep.m_dHeatCapacity = number(0, 1e5, true);
        else if (strKey == "heat_fraction")
            profile.m_prep.m_dHeatFraction = number(0, 1, true);
        else if (strKey == "repeats")
            profile.m_prep.m_bAverageRepeats = choose({"keep", "average"}) == 1;
        else
            throw CInputError(strAt + "\"" + strKey + "\" is not a key of an import profile");
    }
    CheckImportProfile(profile, strWhere);
    return profile;
}

void CheckImportProfile(const CImportProfile& profile, const std::string& strWhere) {
    const auto fail = [&](const std::string& strWhy) { throw CInputError(strWhere + ": " + strWhy); };
    if (profile.FromForce()) {
        if (!profile.m_force.Given() || !profile.m_stroke.Given())
            fail("force and stroke are given together: " + std::string(profile.m_force.Given() ? "stroke" : "force") +
                 " is missing");
        if (profile.m_strain.Given() || profile.m_stress.Given())
            fail("give either strain and stress or force and stroke, not both");
        if (!(profile.m_dHeight0 > 0) || !(profile.m_dDiameter0 > 0))
            fail("force and stroke need the specimen's height0 and diameter0 (mm, both above 0)");
    }
    const CPreparation& prep = profile.m_prep;
    if (prep.m_eAdiabatic != EAdiabatic::None && (!(prep.m_dDensity > 0) || !(prep.m_dHeatCapacity > 0)))
        fail("adiabatic needs density (kg/m3) and heat_capacity (J/(kg K)), both above 0");
}

CImportProfile ReadImportProfile(const std::string& strPath) {
    const std::vector<unsigned char> aBytes = ReadFileBytes(strPath);
    std::string strDecoded;
    return ParseImportProfile(std::string(TextOfBytes({reinterpret_cast<const char*>(aBytes.data()), aBytes.size()}, strDecoded)), strPath);
}

std::string ImportProfileText(const CImportProfile& profile) {
    std::string str = "# Vornel import profile" + (profile.m_strName.empty() ? std::string() : " \"" + profile.m_strName + "\"") + "\n";
    const auto line = [&](const char* szKey, const std::string& strValue) {
        if (!strValue.empty())
            str += std::string(szKey) + " = " + strValue + "\n";
    };
    const char* aDelimiters[] = {"auto", "whitespace", "comma", "semicolon", "tab"};
    const char* aDecimals[] = {"auto", "point", "comma"};
    const char* aEncodings[] = {"auto", "utf-8", "latin-1"};
    if (profile.m_text.m_eDelimiter != EDelimiter::Auto)
        line("delimiter", aDelimiters[static_cast<int>(profile.m_text.m_eDelimiter)]);
    if (profile.m_text.m_eDecimal != EDecimal::Auto)
        line("decimal", aDecimals[static_cast<int>(profile.m_text.m_eDecimal)]);
    if (profile.m_text.m_eEncoding != EEncoding::Auto)
        line("encoding", aEncodings[static_cast<int>(profile.m_text.m_eEncoding)]);
    line("strain", profile.m_strain.Text());
    line("strain_unit", profile.m_strStrainUnit);
    line("stress", profile.m_stress.Text());
    line("stress_unit", profile.m_strStressUnit);
    if (profile.m_eValues == EValues::Engineering)
        line("values", "engineering");
    line("force", profile.m_force.Text());
    line("force_unit", profile.m_strForceUnit);
    line("stroke", profile.m_stroke.Text());
    line("stroke_unit", profile.m_strStrokeUnit);
    if (profile.m_dHeight0 > 0)
        line("height0", Format(profile.m_dHeight0));
    if (profile.m_dDiameter0 > 0)
        line("diameter0", Format(profile.m_dDiameter0));
    line("temperature", profile.m_temperature.Text());
    line("time", profile.m_time.Text());
    const CImportProfile defaults;
    if (profile.m_aConditions != defaults.m_aConditions) {
        std::string strOrder;
        for (EConditionSource e : profile.m_aConditions)
            strOrder += (strOrder.empty() ? "" : ", ") + std::string(kConditionNames[static_cast<int>(e)]);
        line("conditions", strOrder);
    }
    const CPreparation& prep = profile.m_prep;
    if (prep.m_bSegment)
        line("segment", "yes");
    if (prep.m_bFoot)
        line("foot", "yes");
    if (prep.m_dFrictionM)
        line("friction_m", Format(*prep.m_dFrictionM));
    if (prep.m_eAdiabatic != EAdiabatic::None) {
        line("adiabatic", prep.m_eAdiabatic == EAdiabatic::Rate ? "rate" : "measured");
        line("density", Format(prep.m_dDensity));
        line("heat_capacity", Format(prep.m_dHeatCapacity));
        line("heat_fraction", Format(prep.m_dHeatFraction));
    }
    if (prep.m_bAverageRepeats)
        line("repeats", "average");
    return str;
}
