#pragma once
// Import profiles: how the files of one test machine are read and prepared, saved under a
// name so that a campaign is one choice. A profile is a text file of "key = value" lines;
// "#" starts a comment, blank lines are skipped, keys are the ones below (an unknown key,
// a value that does not fit its key, or a key given twice is refused naming the file, the
// line and the key).
//
//   delimiter     auto | whitespace | comma | semicolon | tab          (default auto)
//   decimal       auto | point | comma                                 (default auto)
//   encoding      auto | utf-8 | latin-1                               (default auto)
//   strain        the strain column: its title as the file writes it, or its number from 1
//   stress        the stress column, the same way
//   strain_unit   1 | %                                  (default: the file's unit, else 1)
//   stress_unit   MPa | N/mm2 | kPa | Pa                 (default: the file's unit, else MPa)
//   values        true | engineering                                   (default true)
//   force         instead of strain and stress: the force column ...
//   force_unit    N | kN                                 (default: the file's unit, else N)
//   stroke        ... and the stroke column: the specimen's shortening, sign as recorded
//   stroke_unit   mm | um | m                            (default: the file's unit, else mm)
//   height0       the specimen's height before the test, mm
//   diameter0     its diameter, mm (a cylinder)
//   temperature   the temperature column (optional; deg C, or K when its unit says so)
//   time          the time column (optional; s)
//   conditions    where t and H come from, in order: list, filename, header
//                 (comma-separated, default list, filename, header)
//   segment       yes | no: keep the deformation only                  (default no)
//   foot          yes | no: strain 0 where the plastic flow starts     (default no)
//   friction_m    the friction factor m of the platens, 0..1 (or per curve from barrelling)
//   adiabatic     no | rate | measured: correct the deformation heating (default no)
//   density       kg/m3, for adiabatic
//   heat_capacity J/(kg K), for adiabatic
//   heat_fraction the fraction of the work that becomes heat, 0..1     (default 0.95)
//   repeats       keep | average: curves of equal t and H become one    (default keep)
// A column key not given is found from the titles (ColumnFile.h). Preparation.h describes
// the steps.

#include "vornel/intake/ColumnFile.h"
#include "vornel/intake/CurveIntake.h"

#include <optional>
#include <string>
#include <vector>

// A column named by a profile: its title as it stands, or its number counted from 1.
struct CColumnChoice {
    std::string m_strTitle;
    int m_nNumber = 0;
    bool Given() const { return m_nNumber > 0 || !m_strTitle.empty(); }
    // "3" or "kf (Def.)" as a profile writes it.
    std::string Text() const;
};

enum class EValues { True, Engineering };
enum class EAdiabatic { None, Rate, Measured };

// The steps of the preparation and their parameters (Preparation.h).
struct CPreparation {
    bool m_bSegment = false;
    bool m_bFoot = false;
    std::optional<double> m_dFrictionM;  // friction factor, 0..1
    EAdiabatic m_eAdiabatic = EAdiabatic::None;
    double m_dDensity = 0;               // kg/m3
    double m_dHeatCapacity = 0;          // J/(kg K)
    double m_dHeatFraction = 0.95;       // of the plastic work that becomes heat
    bool m_bAverageRepeats = false;

    bool Any() const {
        return m_bSegment || m_bFoot || m_dFrictionM || m_eAdiabatic != EAdiabatic::None || m_bAverageRepeats;
    }
    bool operator==(const CPreparation&) const = default;
};

struct CImportProfile {
    std::string m_strName;   // the profile's name (its file's name without ".profile")
    std::string m_strPath;   // its file, "" when made in the window and not saved
    CTextOptions m_text;
    CColumnChoice m_strain, m_stress, m_force, m_stroke, m_temperature, m_time;
    std::string m_strStrainUnit, m_strStressUnit, m_strForceUnit, m_strStrokeUnit; // "" = the file's
    EValues m_eValues = EValues::True;
    double m_dHeight0 = 0;   // mm, 0 = not given
    double m_dDiameter0 = 0; // mm
    std::vector<EConditionSource> m_aConditions{EConditionSource::List, EConditionSource::FileName,
                                               EConditionSource::Header};
    CPreparation m_prep;

    // Force and stroke instead of strain and stress.
    bool FromForce() const { return m_force.Given() || m_stroke.Given(); }
    // Whether it says anything about columns (else the titles decide).
    bool NamesColumns() const { return m_strain.Given() || m_stress.Given() || FromForce(); }
};

// Reads the profile file strPath. Throws CFileError when it cannot be read, CInputError
// "<file>:<line>: <key>: <what is wrong>" for a line it cannot take, and CInputError
// "<file>: ..." when keys that belong together are missing (force without stroke, height0
// or diameter0; adiabatic without density or heat_capacity).
CImportProfile ReadImportProfile(const std::string& strPath);

// The same from text (strWhere names it in messages).
CImportProfile ParseImportProfile(const std::string& strText, const std::string& strWhere);

// The profile as the text of its file, every key that differs from its default.
std::string ImportProfileText(const CImportProfile& profile);

// Throws CInputError "<where>: ..." unless the keys that belong together are given and the
// units fit their columns.
void CheckImportProfile(const CImportProfile& profile, const std::string& strWhere);

// Stress unit text to MPa (MPa, N/mm2, kPa, Pa, GPa, psi, ksi, kgf/mm2); 0 when the text is
// no stress unit.
double StressUnitFactor(const std::string& strUnit);
// Force unit text to N (N, kN, MN, kgf, lbf, kip); 0 when it is none.
double ForceUnitFactor(const std::string& strUnit);
// Length unit text to mm (mm, um, m, cm, in); 0 when it is none.
double LengthUnitFactor(const std::string& strUnit);
// Strain unit text to absolute (1 for "", "-", "1", "mm/mm", "in/in"; 0.01 for "%"); 0 when
// it is none.
double StrainUnitFactor(const std::string& strUnit);
