#pragma once
// The processing map of the dynamic materials model at one strain, over the measured
// temperatures and (logarithmic) strain rates. Read-only on the material and its law.
//
// With the strain-rate sensitivity of the flow stress s at constant strain and temperature
//     m   = d ln s / d ln H,
// the efficiency of power dissipation (Y. V. R. K. Prasad, H. L. Gegel, S. M. Doraivelu,
// J. C. Malas, J. T. Morgan, K. A. Lark, D. R. Barker, Metall. Trans. A 15 (1984) 1883-1892)
//     eta = 2 m / (m + 1)
// and the instability parameter of the continuum criterion (Ziegler's principle of maximum
// rate of entropy production applied to the dissipator content; A. K. S. Kalyan Kumar,
// M.Sc. thesis, Indian Institute of Science, Bangalore, 1987; Y. V. R. K. Prasad, Indian J.
// Technol. 28 (1990) 435-451)
//     xi  = d ln(m / (m + 1)) / d ln H + m = (dm/d ln H) / (m (m + 1)) + m,
// flow being unstable where xi < 0. Maps are usually read with eta in percent: high eta marks
// the domains of dynamic recrystallisation, xi < 0 the flow instabilities (Y. V. R. K.
// Prasad, T. Seshacharyulu, Int. Mater. Rev. 43 (1998) 243-258).
//
// From the law (EMapSource::Law): m = (H / Ks) dKs/dH with the catalogue's exact derivative
// (ModelCatalogue.h: EvaluateLaw), and dm/d ln H by central differences of that m over
// ln H with steps of kLawStep and 2 kLawStep, Richardson-extrapolated (error of order
// kLawStep^4, rounding about 1e-14).
//
// From the measured curves (EMapSource::Data), the usual way of the processing-map
// literature (Prasad and Seshacharyulu 1998): at each measured temperature, each curve's
// stress at the strain (CurveCharacteristics.h: linear between its measured points) gives
// (ln H, ln s), and ln s is fitted by least squares as a cubic in ln H (of degree one less
// than the distinct strain rates when there are fewer than 4); m and dm/d ln H are the
// cubic's derivatives. Across temperatures both are interpolated by Floater-Hormann
// barycentric rational interpolation of order min(3, temperatures - 1) (M. S. Floater,
// K. Hormann, Numer. Math. 107 (2007) 315-331; boost::math::barycentric_rational), whose
// weights do not depend on the values, so that the interpolated dm/d ln H stays the
// derivative of the interpolated m. Curves that do not reach the strain, and temperatures
// left with fewer than 2 strain rates, are left out (the notes say which).
//
// The grid: nTemps temperatures evenly from the smallest to the largest measured, nRates
// strain rates evenly in log10 H from the smallest to the largest measured (above 0).
// Values that cannot be formed (m(m + 1) = 0, a law not finite) are NaN.

#include <string>
#include <vector>

class CMaterial;

enum class EMapSource { Law, Data };

inline constexpr int kMapTemps = 61;
inline constexpr int kMapRates = 61;
inline constexpr int kMapDataDegree = 3;
inline constexpr double kLawStep = 0.01;

// "law" or "data"; false for anything else.
bool ParseMapSource(const std::string& strText, EMapSource& eSource);
const char* MapSourceName(EMapSource eSource);

// A measured condition, marked on the map.
struct CMapCondition {
    double m_dTemp = 0; // deg C
    double m_dRate = 0; // 1/s
};

enum class EMapStatus { Ok, Refused };

struct CProcessingMap {
    EMapStatus m_eStatus = EMapStatus::Ok;
    std::string m_strMessage; // Refused: why
    bool Ok() const { return m_eStatus == EMapStatus::Ok; }

    double m_dStrain = 0;
    EMapSource m_eSource = EMapSource::Law;
    int m_nModel = 0;                    // the law's model number (Law)
    std::vector<int> m_aDegrees;         // Data: the degree of ln s in ln H at each temperature used
    std::vector<double> m_aDataTemps;    // Data: the temperatures used, deg C
    std::vector<double> m_aTemps;        // grid temperatures, deg C, ascending (the columns)
    std::vector<double> m_aLogRates;     // grid log10 H, ascending (the rows)
    std::vector<double> m_aRates;        // the same as strain rates, 1/s (the ends exactly the measured)
    std::vector<double> m_aM, m_aEta, m_aXi; // at [row * columns + column]; eta as a fraction
    std::vector<CMapCondition> m_aMeasured;  // the measured conditions, once each
    std::vector<std::string> m_aNotes;

    std::size_t Columns() const { return m_aTemps.size(); }
    std::size_t Rows() const { return m_aLogRates.size(); }
    std::size_t At(std::size_t nRow, std::size_t nColumn) const { return nRow * Columns() + nColumn; }
};

CProcessingMap MakeProcessingMap(const CMaterial& material, double dStrain, EMapSource eSource,
                                 int nTemps = kMapTemps, int nRates = kMapRates);

// The maps at each strain.
std::vector<CProcessingMap> MakeProcessingMaps(const CMaterial& material, const std::vector<double>& aStrains,
                                               EMapSource eSource);

// "Processing map at strain 0.3, law of model 19" / "..., measured curves (cubic in ln H)".
std::string MapTitle(const CProcessingMap& map);

// The strain a map is drawn at when none is chosen: half the largest strain every curve
// reaches, down to a multiple of 0.05 (the half itself below 0.05); 0 without curves.
double DefaultMapStrain(const CMaterial& material);

// Strains as a user types them, separated by commas and/or blanks ("0.3,0.5"), each a
// number above 0. Throws CInputError naming the entry that is not.
std::vector<double> ParseStrainList(const std::string& strText);

// The maps as comma-separated text: "#" comment lines (the maps' titles, notes and the
// refused ones with their reasons), the header
// "strain,temperature_C,strain_rate_1/s,m,eta,xi", then one row per grid point of each map
// (strain, then temperature, then strain rate ascending), numbers with 17 significant
// digits, "nan" where a value cannot be formed.
std::string ProcessingMapCsv(const std::vector<CProcessingMap>& aMaps);
