#include "vornel/export/ExportUnits.h"

#include "vornel/document/Text.h"
#include "vornel/export/LawExport.h"

namespace {

constexpr CUnitSystem kSystems[] = {
    {"MPa-mm-s", "MPa", "s", "t/mm^3", 1.0, 1.0},
    {"Pa-m-s", "Pa", "s", "kg/m^3", 1e6, 1.0},
    {"GPa-mm-ms", "GPa", "ms", "kg/mm^3", 1e-3, 1e-3},
};

} // namespace

std::span<const CUnitSystem> UnitSystems() { return kSystems; }

std::string CExportUnits::Name() const { return std::string(m_pSystem->m_szName) + (m_bKelvin ? "-K" : ""); }

std::string CExportUnits::Describe() const {
    return std::string("stress ") + m_pSystem->m_szStress + ", strain rate " + RateUnit() + ", temperature " +
           TempUnit() + " (" + Name() + ")";
}

CExportUnits ParseExportUnits(std::string_view strText) {
    const std::string_view name = TrimBlanks(strText);
    for (const CUnitSystem& system : kSystems)
        for (const bool bKelvin : {false, true}) {
            const std::string strSystem = system.m_szName;
            if (name == strSystem + (bKelvin ? "-K" : "") || (!bKelvin && name == strSystem + "-C"))
                return CExportUnits{&system, bKelvin};
        }
    throw CExportError("\"" + std::string(name) + "\" is not a unit system; give " + ExportUnitNames());
}

std::string ExportUnitNames() {
    std::string strNames;
    for (const CUnitSystem& system : kSystems)
        for (const char* szTemp : {"", "-K"})
            strNames += (strNames.empty() ? "" : ", ") + std::string(system.m_szName) + szTemp;
    return strNames;
}
