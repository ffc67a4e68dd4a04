#include "vornel/intake/CurveImport.h"

#include "vornel/document/InputRanges.h"
#include "vornel/document/Material.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Num(double d) {
    char sz[48];
    std::snprintf(sz, sizeof sz, "%.4g", d);
    return sz;
}

std::string FileName(const std::string& strPath) { return fs::path(strPath).filename().string(); }

std::string Lower(std::string str) {
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

std::string Trimmed(const std::string& str) {
    const std::size_t nFirst = str.find_first_not_of(" \t");
    return nFirst == std::string::npos ? std::string() : str.substr(nFirst, str.find_last_not_of(" \t") - nFirst + 1);
}

// The column a profile names in layout, -1 when it names none. Throws naming the key.
int ChosenColumn(const CColumnLayout& layout, const CColumnChoice& choice, const char* szKey,
                 const CImportProfile& profile, const std::string& strFile) {
    if (!choice.Given())
        return -1;
    const int nColumns = static_cast<int>(layout.m_aColumns.size());
    const std::string strWhere = (profile.m_strPath.empty() ? "profile " + profile.m_strName : profile.m_strPath) +
                                 ": " + szKey + ": ";
    if (choice.m_nNumber > 0) {
        if (choice.m_nNumber > nColumns)
            throw CInputError(strWhere + "column " + std::to_string(choice.m_nNumber) + " does not exist in " + strFile +
                              ", which has " + std::to_string(nColumns) + " columns: " + layout.Describe(false));
        return choice.m_nNumber - 1;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 0; k < nColumns; ++k) {
            const CColumn& column = layout.m_aColumns[static_cast<std::size_t>(k)];
            for (const std::string& strTitle : {column.m_strTitle, column.m_strWritten})
                if (pass == 0 ? strTitle == Trimmed(choice.m_strTitle) : Lower(strTitle) == Lower(Trimmed(choice.m_strTitle)))
                    return k;
        }
    throw CInputError(strWhere + "no column is titled \"" + choice.m_strTitle + "\" in " + strFile + "; its columns: " +
                      layout.Describe(false));
}

// The factor of a column's unit (the profile's, else the file's), or a refusal naming it.
double UnitFactor(double (*factor)(const std::string&), const std::string& strProfileUnit, const CColumnLayout& layout,
                  int nColumn, const char* szRole, const char* szKey, const std::string& strFile) {
    const std::string& strUnit = strProfileUnit.empty() ? layout.m_aColumns[static_cast<std::size_t>(nColumn)].m_strUnit
                                                        : strProfileUnit;
    const double d = factor(strUnit);
    if (d == 0)
        throw CInputError(strFile + ": column " + std::to_string(nColumn + 1) + " (" +
                          layout.m_aColumns[static_cast<std::size_t>(nColumn)].m_strTitle + ") is in \"" + strUnit +
                          "\", which is no unit of " + szRole + "; set " + szKey + " in the profile");
    return d;
}

double ValueOf(const std::vector<CCurveValue>& aValues, const char* szKey, double dDefault) {
    for (const CCurveValue& value : aValues)
        if (value.m_strKey == szKey)
            return value.m_dValue;
    return dDefault;
}

// The Part's acceptance rule on prepared rows: strain at least 0 and stress at least 0.001.
void KeepAccepted(CPrepCurve& curve, CImportSummary& summary) {
    std::size_t nOut = 0;
    for (std::size_t i = 0; i < curve.Size(); ++i) {
        const bool bStrain = curve.m_aStrain[i] >= 0 && std::isfinite(curve.m_aStrain[i]);
        const bool bStress = curve.m_aStress[i] >= 0.001 && std::isfinite(curve.m_aStress[i]);
        if (!bStrain)
            ++summary.m_nBadStrain;
        else if (!bStress)
            ++summary.m_nLowStress;
        if (!bStrain || !bStress)
            continue;
        curve.m_aStrain[nOut] = curve.m_aStrain[i];
        curve.m_aStress[nOut] = curve.m_aStress[i];
        if (!curve.m_aTemp.empty())
            curve.m_aTemp[nOut] = curve.m_aTemp[i];
        if (!curve.m_aLine.empty())
            curve.m_aLine[nOut] = curve.m_aLine[i];
        ++nOut;
    }
    if (nOut > 0)
        curve.KeepRows(0, nOut - 1);
    else
        curve.m_aStrain.clear(), curve.m_aStress.clear(), curve.m_aTemp.clear(), curve.m_aLine.clear();
    summary.m_nTaken = static_cast<int>(nOut);
}

std::string ProfileName(const CImportProfile& profile) {
    return profile.m_strName.empty() ? std::string("(unnamed)") : profile.m_strName;
}

// Reads the column file's rows into curve (steps a to c), the columns as pick says.
void ReadColumnFile(std::string_view text, const std::string& strFile, const CImportProfile& profile, CSourceCurve& source) {
    CPrepCurve& curve = source.m_curve;
    const CColumnLayout layout = DetectLayout(text, profile.m_text, strFile);
    const CColumnPick pick = PickColumns(layout, &profile, strFile);
    std::vector<int> aColumns = pick.FromForce() ? std::vector<int>{pick.m_nStroke, pick.m_nForce}
                                                 : std::vector<int>{pick.m_nStrain, pick.m_nStress};
    if (pick.m_nTemperature >= 0)
        aColumns.push_back(pick.m_nTemperature);
    CColumnValues values = ReadColumnValues(text, layout, aColumns);
    source.m_summary = values.m_summary;
    if (values.m_summary.m_nTaken == 0)
        throw CFileError(strFile, "no row holds numbers in the columns to read; " + values.m_summary.StopDescription());
    const auto column = [&](int k) { return layout.m_aColumns[static_cast<std::size_t>(k)]; };
    std::string strSource = "source " + strFile + " (column file, profile " + ProfileName(profile) + ": ";
    if (pick.FromForce())
        strSource += "force = column " + std::to_string(pick.m_nForce + 1) + " \"" + column(pick.m_nForce).m_strTitle +
                     "\" x" + Num(pick.m_dForceFactor) + " N, stroke = column " + std::to_string(pick.m_nStroke + 1) +
                     " \"" + column(pick.m_nStroke).m_strTitle + "\" x" + Num(pick.m_dStrokeFactor) + " mm";
    else
        strSource += "strain = column " + std::to_string(pick.m_nStrain + 1) + " \"" + column(pick.m_nStrain).m_strTitle +
                     "\" x" + Num(pick.m_dStrainFactor) + ", stress = column " + std::to_string(pick.m_nStress + 1) +
                     " \"" + column(pick.m_nStress).m_strTitle + "\" x" + Num(pick.m_dStressFactor) + " MPa";
    if (pick.m_nTemperature >= 0)
        strSource += ", temperature = column " + std::to_string(pick.m_nTemperature + 1) + " \"" +
                     column(pick.m_nTemperature).m_strTitle + "\"";
    curve.m_aRecord.push_back(strSource + ")");

    std::vector<double>& aX = values.m_aValues[0]; // strain or stroke, as recorded
    std::vector<double>& aY = values.m_aValues[1]; // stress or force
    const double dX = pick.FromForce() ? pick.m_dStrokeFactor : pick.m_dStrainFactor;
    const double dY = pick.FromForce() ? pick.m_dForceFactor : pick.m_dStressFactor;
    for (double& d : aX)
        d *= dX;
    for (double& d : aY)
        d *= dY;
    curve.m_aLine = std::move(values.m_aLines);
    if (pick.m_nTemperature >= 0) {
        curve.m_aTemp = std::move(values.m_aValues[2]);
        if (pick.m_bKelvin)
            for (double& d : curve.m_aTemp)
                d = d < 0 ? d : d - 273.15;
    }
    curve.m_aStrain = std::move(aX);
    curve.m_aStress = std::move(aY);
    // a. The deformation only.
    if (profile.m_prep.m_bSegment) {
        const std::size_t nRows = curve.Size();
        const CRowRange range = FindDeformation(curve.m_aStrain);
        const std::string strFrom = curve.Where(range.m_nFirst), strTo = curve.Where(range.m_nLast);
        curve.KeepRows(range.m_nFirst, range.m_nLast);
        curve.m_aRecord.push_back("segment: " + strFrom + " to " + strTo + " kept (" + std::to_string(curve.Size()) +
                                  " of " + std::to_string(nRows) + " rows)");
    }
    // b. Compression recorded negative.
    const bool bX = MakePositive(curve.m_aStrain);
    const bool bY = MakePositive(curve.m_aStress);
    if (bX || bY)
        curve.m_aRecord.push_back(std::string("sign: ") + (bX ? (pick.FromForce() ? "stroke" : "strain") : "") +
                                  (bX && bY ? " and " : "") + (bY ? (pick.FromForce() ? "force" : "stress") : "") +
                                  " negated (compression recorded negative)");
    // c. True values.
    if (pick.FromForce()) {
        const double dH0 = curve.m_specimen.m_dHeight0, dD0 = curve.m_specimen.m_dDiameter0;
        if (!(dH0 > 0) || !(dD0 > 0))
            throw CInputError(strFile + ": force and stroke need the specimen's height0 and diameter0 (mm)");
        const std::vector<double> aStroke = curve.m_aStrain, aForce = curve.m_aStress;
        TrueFromForceStroke(curve, aForce, aStroke, dH0, dD0);
        curve.m_aRecord.push_back("true values from force and stroke: strain = ln(h0/h), stress = F h/(A0 h0), h0=" +
                                  Num(dH0) + " d0=" + Num(dD0) + " mm");
    } else if (profile.m_eValues == EValues::Engineering) {
        TrueFromEngineering(curve);
        curve.m_aRecord.push_back("true values from engineering: strain = -ln(1-e), stress = s (1-e)");
    }
}

// The mean measured temperature against the test's, a note when they differ by over 10 K.
void CheckTemperature(CPrepCurve& curve) {
    if (curve.m_aTemp.empty())
        return;
    const double dMean = MeanTemperature(curve.m_aTemp);
    if (std::isfinite(dMean) && std::fabs(dMean - curve.m_dTemp) > 10)
        curve.m_aNotes.push_back(curve.m_strName + ": the temperature column's mean over the deformation, " +
                                 Num(dMean) + " deg C, differs from the stated " + Num(curve.m_dTemp) + " deg C by " +
                                 Num(std::fabs(dMean - curve.m_dTemp)) + " deg C");
}

} // namespace

CColumnPick PickColumns(const CColumnLayout& layout, const CImportProfile* pProfile, const std::string& strFile) {
    CColumnPick pick;
    const CImportProfile empty;
    const CImportProfile& profile = pProfile ? *pProfile : empty;
    const auto choose = [&](const CColumnChoice& choice, const char* szKey, EColumnRole eRole, bool bFind) {
        const int k = ChosenColumn(layout, choice, szKey, profile, strFile);
        return k >= 0 || !bFind ? k : layout.Find(eRole);
    };
    const bool bForce = profile.FromForce();
    if (bForce) {
        pick.m_nForce = choose(profile.m_force, "force", EColumnRole::Force, true);
        pick.m_nStroke = choose(profile.m_stroke, "stroke", EColumnRole::Stroke, true);
    } else {
        pick.m_nStrain = choose(profile.m_strain, "strain", EColumnRole::Strain, true);
        pick.m_nStress = choose(profile.m_stress, "stress", EColumnRole::Stress, true);
        const char* szMissing = pick.m_nStrain < 0 ? "strain" : pick.m_nStress < 0 ? "stress" : nullptr;
        if (szMissing)
            throw CInputError(strFile + ": no " + szMissing + " column: no title says " + szMissing +
                              " and the profile names none (key " + szMissing + "); its columns: " + layout.Describe());
    }
    pick.m_nTemperature = choose(profile.m_temperature, "temperature", EColumnRole::Temperature, false);
    if (pick.m_nTemperature < 0 && profile.m_prep.m_eAdiabatic == EAdiabatic::Measured)
        pick.m_nTemperature = layout.Find(EColumnRole::Temperature);
    if (pick.m_nTemperature < 0 && !profile.m_temperature.Given())
        pick.m_nTemperature = layout.Find(EColumnRole::Temperature);
    pick.m_nTime = choose(profile.m_time, "time", EColumnRole::Time, true);
    if (bForce) {
        pick.m_dForceFactor = UnitFactor(ForceUnitFactor, profile.m_strForceUnit, layout, pick.m_nForce, "force", "force_unit", strFile);
        pick.m_dStrokeFactor = UnitFactor(LengthUnitFactor, profile.m_strStrokeUnit, layout, pick.m_nStroke, "length", "stroke_unit", strFile);
    } else {
        pick.m_dStrainFactor = UnitFactor(StrainUnitFactor, profile.m_strStrainUnit, layout, pick.m_nStrain, "strain", "strain_unit", strFile);
        pick.m_dStressFactor = UnitFactor(StressUnitFactor, profile.m_strStressUnit, layout, pick.m_nStress, "stress", "stress_unit", strFile);
    }
    if (pick.m_nTemperature >= 0) {
        std::string strUnit = layout.m_aColumns[static_cast<std::size_t>(pick.m_nTemperature)].m_strUnit;
        pick.m_bKelvin = Lower(Trimmed(strUnit)) == "k";
    }
    return pick;
}

bool ReadsAsColumnFile(std::string_view text, const CImportProfile* pProfile) {
    if (IsColumnFile(text))
        return true;
    if (!pProfile)
        return false;
    const CImportProfile& profile = *pProfile;
    const std::array<const CColumnChoice*, 2> apChoices =
        profile.FromForce() ? std::array{&profile.m_force, &profile.m_stroke} : std::array{&profile.m_strain, &profile.m_stress};
    try {
        const CColumnLayout layout = DetectLayout(text, profile.m_text, {});
        if (layout.m_nFirstRowLine <= 3)
            return true;   // rows begin where the experiment data format has its header
        return std::all_of(apChoices.begin(), apChoices.end(), [&](const CColumnChoice* p) {
            return !p->m_strTitle.empty() && ChosenColumn(layout, *p, "", profile, {}) >= 0;
        });
    } catch (const std::exception&) {
        return false;   // no rows of numbers, or a title the file lacks
    }
}

CSourceCurve ReadSourceCurve(const std::string& strFile, double dTemp, double dRate,
                             const std::vector<CCurveValue>& aValues, const CImportProfile* pProfile) {
    thread_local CByteBuffer s_text;
    const CReleaseIfLarger release(s_text, std::size_t{4} << 20);
    ReadFileBytes(strFile, s_text);
    std::string strDecoded;
    const std::string_view text = TextOfBytes({reinterpret_cast<const char*>(s_text.Data()), s_text.Size()}, strDecoded);
    CSourceCurve source;
    CPrepCurve& curve = source.m_curve;
    curve.m_strName = FileName(strFile);
    curve.m_dTemp = dTemp;
    curve.m_dRate = dRate;
    const CImportProfile empty;
    const CImportProfile& profile = pProfile ? *pProfile : empty;
    CSpecimen& specimen = curve.m_specimen;
    specimen.m_dHeight0 = ValueOf(aValues, "height0", profile.m_dHeight0);
    specimen.m_dDiameter0 = ValueOf(aValues, "diameter0", profile.m_dDiameter0);
    specimen.m_dHeight1 = ValueOf(aValues, "height1", 0);
    specimen.m_dDiameterTop = ValueOf(aValues, "diameter_top", 0);
    specimen.m_dDiameterMax = ValueOf(aValues, "diameter_max", 0);
    specimen.m_dFrictionM = profile.m_prep.m_dFrictionM;
    if (const double m = ValueOf(aValues, "friction_m", -1); m >= 0)
        specimen.m_dFrictionM = m;
    if (specimen.m_dFrictionM && *specimen.m_dFrictionM > 1)
        throw CInputError(strFile + ": friction_m = " + Num(*specimen.m_dFrictionM) + " is outside 0..1");

    if (!ReadsAsColumnFile(text, pProfile)) {
        std::vector<CCurvePoint> aPoints =
            ParseExperimentData(text.data(), text.data() + text.size(), &source.m_summary);
        curve.m_aStrain.reserve(aPoints.size());
        curve.m_aStress.reserve(aPoints.size());
        for (const CCurvePoint& point : aPoints) {
            curve.m_aStrain.push_back(point.m_dStrain);
            curve.m_aStress.push_back(point.m_dStress);
        }
        if (pProfile)
            curve.m_aRecord.push_back("source " + strFile + " (experiment data format, profile " + ProfileName(profile) + ")");
        if (pProfile && profile.m_prep.m_bSegment) {
            const std::size_t nRows = curve.Size();
            const CRowRange range = FindDeformation(curve.m_aStrain);
            curve.KeepRows(range.m_nFirst, range.m_nLast);
            curve.m_aRecord.push_back("segment: points " + std::to_string(range.m_nFirst + 1) + " to " +
                                      std::to_string(range.m_nLast + 1) + " kept (" + std::to_string(curve.Size()) +
                                      " of " + std::to_string(nRows) + ")");
        }
    } else {
        source.m_bColumnFile = true;
        if (!pProfile)
            throw CFileError(strFile, ColumnFileReason(text, strFile));
        ReadColumnFile(text, strFile, profile, source);
    }
    if (curve.Size() == 0)
        throw CFileError(strFile, CheckHasPoints(source.m_summary).m_strMessage + "; the curve is not added");
    const CPreparation& prep = profile.m_prep;
    CheckTemperature(curve);
    // d. Strain 0 where the plastic flow starts.
    if (prep.m_bFoot) {
        const double dFoot = FootStrain(curve.m_aStrain, curve.m_aStress);
        for (double& d : curve.m_aStrain)
            d -= dFoot;
        curve.m_aRecord.push_back(dFoot == 0 ? std::string("foot: no rising loading line found; strain not shifted")
                                             : "foot: strain shifted by " + Num(-dFoot) +
                                                   " (the loading line meets stress 0 at strain " + Num(dFoot) + ")");
    }
    if (source.m_bColumnFile) {
        KeepAccepted(curve, source.m_summary);
        if (curve.Size() == 0)
            throw CFileError(strFile, CheckHasPoints(source.m_summary).m_strMessage + " after the preparation; the curve is not added");
    }
    // e. Friction.
    CorrectFriction(curve);
    return source;
}

CImportedCurves ImportCurves(const std::vector<CCurveSpec>& aSpecs, const CImportProfile* pProfile,
                             const CMaterial& material) {
    CImportedCurves result;
    std::vector<CPrepCurve> aCurves;
    aCurves.reserve(aSpecs.size());
    std::vector<std::string> aFiles;
    for (const CCurveSpec& spec : aSpecs) {
        CSourceCurve source = ReadSourceCurve(spec.m_strFile, spec.m_dTemp, spec.m_dRate, spec.m_aValues, pProfile);
        result.m_aSummaries.push_back(source.m_summary);
        aCurves.push_back(std::move(source.m_curve));
        aFiles.push_back(spec.m_strFile);
    }
    const CPreparation prep = pProfile ? pProfile->m_prep : CPreparation{};
    // f. Deformation heating, with the material's curves as further neighbours.
    if (prep.m_eAdiabatic != EAdiabatic::None) {
        std::vector<CPrepCurve> aExisting;
        for (int i = 0; i < material.m_nCurves; ++i) {
            const CCurve& existing = material.Curve(i);
            CPrepCurve& c = aExisting.emplace_back();
            c.m_strName = existing.m_strLabel;
            c.m_dTemp = existing.m_dTemp;
            c.m_dRate = existing.m_dRate;
            for (int j = FirstMeasuredPoint(material); j < existing.PointCount(); ++j) {
                c.m_aStrain.push_back(existing.m_pPoints[static_cast<std::size_t>(j)].m_dStrain);
                c.m_aStress.push_back(existing.m_pPoints[static_cast<std::size_t>(j)].m_dStress);
            }
        }
        std::vector<CPrepCurve*> aAll;
        std::vector<std::vector<double>> aRises;
        for (CPrepCurve& c : aCurves) {
            const double dEta = prep.m_eAdiabatic == EAdiabatic::Rate
                                    ? AdiabaticEfficiency(c.m_dRate)
                                    : MeasuredEfficiency(c, prep.m_dHeatFraction, prep.m_dDensity, prep.m_dHeatCapacity);
            aRises.push_back(TemperatureRise(c, dEta, prep.m_dHeatFraction, prep.m_dDensity, prep.m_dHeatCapacity));
            c.m_aRecord.push_back("adiabatic: eta=" + Num(dEta) +
                                  (prep.m_eAdiabatic == EAdiabatic::Rate ? " (Goetz-Semiatin rule of the rate)"
                                                                          : " (from the measured temperature rise)") +
                                  ", heat_fraction=" + Num(prep.m_dHeatFraction) + ", density=" + Num(prep.m_dDensity) +
                                  " kg/m3, heat_capacity=" + Num(prep.m_dHeatCapacity) + " J/(kg K), rise up to " +
                                  Num(aRises.back().empty() ? 0.0 : *std::max_element(aRises.back().begin(), aRises.back().end())) +
                                  " K");
            aAll.push_back(&c);
        }
        for (CPrepCurve& c : aExisting) {
            aAll.push_back(&c);
            aRises.emplace_back();
        }
        CorrectAdiabatic(aAll, aRises);
    }
    // g. Repeats.
    if (prep.m_bAverageRepeats) {
        for (std::size_t i = 0; i < aCurves.size(); ++i)
            aCurves[i].m_strName = aFiles[i]; // the averaged curve keeps the first file's path
        for (const CRepeatScatter& scatter : AverageRepeats(aCurves))
            result.m_aNotes.push_back(scatter.Text());
    }
    for (CPrepCurve& c : aCurves) {
        for (std::string& strNote : c.m_aNotes)
            result.m_aNotes.push_back(std::move(strNote));
        CCurve curve;
        const std::string strPath = prep.m_bAverageRepeats ? c.m_strName.substr(0, c.m_strName.find(" + ")) : std::string();
        curve.m_strFile = curve.m_strLabel = strPath.empty() ? aFiles[static_cast<std::size_t>(&c - aCurves.data())] : strPath;
        curve.m_dTemp = c.m_dTemp;
        curve.m_dRate = c.m_dRate;
        curve.m_pPoints.resize(c.Size());
        for (std::size_t r = 0; r < c.Size(); ++r) {
            CCurvePoint& point = curve.m_pPoints[r];
            point.m_dStrain = c.m_aStrain[r];
            point.m_dStress = c.m_aStress[r];
            point.m_dTemp = c.m_dTemp;
            point.m_dRate = c.m_dRate;
        }
        for (const std::string& strStep : c.m_aRecord)
            curve.m_strPrep += (curve.m_strPrep.empty() ? "" : "; ") + strStep;
        result.m_aCurves.push_back(std::move(curve));
    }
    return result;
}

std::vector<std::string> WriteCurveFiles(const CMaterial& material, const std::string& strFolder) {
    std::error_code ec;
    fs::create_directories(strFolder, ec);
    if (ec)
        throw CFileError(strFolder, "the folder cannot be created: " + ec.message());
    const auto shortest = [](std::string& str, double d) {
        char sz[64];
        const auto [pEnd, err] = std::to_chars(sz, sz + sizeof sz, static_cast<float>(d), std::chars_format::fixed);
        str.append(sz, err == std::errc() ? pEnd : sz);
    };
    // The shortest text that reads back as the same double.
    const auto text = [](double d) {
        char sz[40];
        const auto [pEnd, err] = std::to_chars(sz, sz + sizeof sz, d);
        return std::string(sz, err == std::errc() ? pEnd : sz);
    };
    std::vector<std::string> aWritten;
    std::string strList = "# curves of " + material.m_strName + " written by Vornel: FILE T H\n";
    const std::string strName = material.m_strName.empty() ? fs::path(material.m_strFileName).stem().string() : material.m_strName;
    for (int i = 0; i < material.m_nCurves; ++i) {
        const CCurve& curve = material.Curve(i);
        const std::string strFile = "curve_" + std::to_string(i + 1) + "_" + text(curve.m_dTemp) + "_" + text(curve.m_dRate) + ".asc";
        std::string str = "Vornel curve " + std::to_string(i + 1) + " of " + strName + " t=" + text(curve.m_dTemp) +
                          " H=" + text(curve.m_dRate) + "\n";
        std::string strPrep = curve.m_strPrep.empty() ? "as read from " + curve.m_strFile : curve.m_strPrep;
        std::replace(strPrep.begin(), strPrep.end(), '\n', ' ');
        str += (material.m_nPrepared ? "resampled by the fit; " : "") + strPrep + "\nn strain stress\n";
        str.reserve(str.size() + 32 * curve.m_pPoints.size());
        for (std::size_t k = 0; k < curve.m_pPoints.size(); ++k) {
            AppendInt(str, static_cast<std::int64_t>(k + 1));
            str += ' ';
            shortest(str, curve.m_pPoints[k].m_dStrain);
            str += ' ';
            shortest(str, curve.m_pPoints[k].m_dStress);
            str += '\n';
        }
        const std::string strPath = (fs::path(strFolder) / strFile).string();
        WriteTextFile(strPath, str);
        aWritten.push_back(strPath);
        strList += strFile + " " + text(curve.m_dTemp) + " " + text(curve.m_dRate) + "\n";
    }
    const std::string strListPath = (fs::path(strFolder) / "curves.txt").string();
    WriteTextFile(strListPath, strList);
    aWritten.push_back(strListPath);
    return aWritten;
}
