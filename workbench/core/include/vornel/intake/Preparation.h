#pragma once
// The preparation every hot-deformation study makes before a fit, applied to each curve at
// import in this order (the raw file is never changed); each step is optional except the
// sign, and each leaves a line in the curve's record:
//   a. segment   keep the deformation only (FindDeformation);
//   b. sign      compression recorded negative becomes positive (MakePositive);
//   c. true      engineering values, or force and stroke, to true strain and stress;
//   d. foot      the strain shifted to start at 0 where the plastic flow starts (FootStrain);
//   e. friction  the flow stress of cylinder compression without the platens' friction;
//   f. adiabatic the stress brought back to the test's temperature;
//   g. repeats   curves of equal temperature and strain rate averaged into one.
// Stresses in MPa, strains absolute, lengths in mm, temperatures in deg C.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The specimen of a compression test and its barrelling, all mm (0 = not given).
struct CSpecimen {
    double m_dHeight0 = 0;      // height before the test
    double m_dDiameter0 = 0;    // diameter before the test
    double m_dHeight1 = 0;      // height after the test
    double m_dDiameterTop = 0;  // diameter of the contact faces after the test
    double m_dDiameterMax = 0;  // largest diameter of the barrel after the test
    std::optional<double> m_dFrictionM; // the friction factor when it is known

    bool HasBarrel() const { return m_dHeight1 > 0 || m_dDiameterTop > 0 || m_dDiameterMax > 0; }
};

// One curve on its way through the preparation.
struct CPrepCurve {
    std::string m_strName;          // the file's name, for messages
    double m_dTemp = 0;             // t of the test, deg C
    double m_dRate = 0;             // H of the test, 1/s
    std::vector<double> m_aStrain;  // true strain (after step c)
    std::vector<double> m_aStress;  // stress, MPa
    std::vector<double> m_aTemp;    // measured temperature per row, deg C (empty: none)
    std::vector<int> m_aLine;       // the file's line of each row (empty: not known)
    CSpecimen m_specimen;
    std::vector<std::string> m_aRecord; // the steps done, one text each
    std::vector<std::string> m_aNotes;  // what the user should know (shown, not stored)

    std::size_t Size() const { return m_aStrain.size(); }
    // Keeps rows nFirst..nLast (inclusive) of every per-row array.
    void KeepRows(std::size_t nFirst, std::size_t nLast);
    // "line 123" for row i when lines are known, else "row 124".
    std::string Where(std::size_t i) const;
};

// a. The deformation within a record: from the last row before the steady rise of |x| to the
// first row where |x| reaches its largest value (within 0.1 % of the range of |x|): a dwell
// before, and the unloading and cooling after, are dropped. x is the strain or the stroke as
// recorded. Returns the first and last row kept.
struct CRowRange {
    std::size_t m_nFirst = 0;
    std::size_t m_nLast = 0;
};
CRowRange FindDeformation(const std::vector<double>& aX);

// b. Negates a recorded series whose value of largest magnitude is negative (compression
// recorded negative); returns whether it did.
bool MakePositive(std::vector<double>& aValues);

// c. True values of a compression test at constant volume (h = h0 - stroke):
//   true strain = ln(h0 / h), true stress = F h / (A0 h0), A0 = pi d0^2 / 4;
// engineering strain e = (h0 - h) / h0 and stress s = F / A0 give the same: ln(1 / (1 - e))
// and s (1 - e). Throws CInputError naming the row where the specimen would have no height.
void TrueFromEngineering(CPrepCurve& curve);
void TrueFromForceStroke(CPrepCurve& curve, const std::vector<double>& aForceN, const std::vector<double>& aStrokeMm,
                         double dHeight0, double dDiameter0);

// d. The strain where the loading line meets stress 0: the tangent at the steepest part of
// the loading (slope taken over a window of 1 % of the rows, before the stress first reaches
// 90 % of its largest value) extended to zero stress, as the toe compensation of ASTM D695
// (Standard Test Method for Compressive Properties of Rigid Plastics, annex on toe
// compensation) and ASTM E111 do. Returns 0 when no rising loading line is found.
double FootStrain(const std::vector<double>& aStrain, const std::vector<double>& aStress);

// e. Friction in the compression of a cylinder (R. Ebrahimi, A. Najafizadeh, "A new method
// for evaluation of friction in bulk metal forming", J. Mater. Process. Technol. 152 (2004)
// 136-143), with R0 = d0/2, after the test R = R0 sqrt(h0/h1) (constant volume),
// dR = (dMax - dTop)/2, dh = h0 - h1:
//   barrelling     b = 4 (dR / R) (h1 / dh)
//   friction       m = (R / h1) b / (4/sqrt(3) - 2 b / (3 sqrt(3)))
// Throws CInputError naming the curve when the barrel makes no sense (h1 not in (0, h0),
// dTop above dMax, a mean diameter 2R outside dTop..dMax, or m outside 0..1).
double FrictionFactorFromBarrel(const CSpecimen& specimen, const std::string& strCurve);

// The mean pressure over the flow stress, p / sigma, of a cylinder of radius R and height
// h under friction factor m (the same source: the upper bound of a barrelled cylinder, with
// b from m and R/h by the friction equation above):
//   p/sigma = 8 b (R/h) [ (1/12 + (h/(R b))^2)^(3/2) - (h/(R b))^3
//                         - m e^(-b/2) / (24 sqrt(3) (e^(-b/2) - 1)) ]
// which for b -> 0 becomes 1 + 2 m R / (3 sqrt(3) h) (Avitzur's upper bound of a cylinder
// without barrelling, B. Avitzur, Metal Forming: Processes and Analysis, McGraw-Hill 1968).
double BarrelPressureRatio(double dFrictionM, double dRadiusOverHeight);

// The friction-corrected flow stress of every row: sigma = p / (p/sigma) with R/h of the row
// (h = h0 e^-strain, R = R0 e^(strain/2)). The specimen gives m, or its barrel does.
void CorrectFriction(CPrepCurve& curve);

// f. The fraction eta of the deformation heat that stays in the specimen, by the rule of
// R. L. Goetz, S. L. Semiatin, "The adiabatic correction factor for deformation heating
// during the uniaxial compression test", J. Mater. Eng. Perform. 10 (2001) 710-717: linear in
// log10 of the strain rate from 0 at 0.001 1/s to 1 at 10 1/s.
double AdiabaticEfficiency(double dRate);

// The temperature rise of the deformation at every row, K:
//   dT = eta * fraction * integral(stress dstrain) / (density * heat_capacity)
// (stress in MPa = 1e6 J/m3 per unit strain, density kg/m3, heat capacity J/(kg K); the
// integral by the trapezoidal rule from the first row).
std::vector<double> TemperatureRise(const CPrepCurve& curve, double dEta, double dFraction, double dDensity,
                                    double dHeatCapacity);

// eta from the measured temperature: its rise over the deformation (the last rows' mean
// minus the first rows', readings below -200 deg C ignored) over the rise of the fully
// adiabatic deformation, held within 0..1. Throws CInputError naming the curve when it has
// no temperature readings.
double MeasuredEfficiency(const CPrepCurve& curve, double dFraction, double dDensity, double dHeatCapacity);

// Brings every curve's stress back to its test temperature t:
//   sigma_t = sigma exp(-k dT),  k = d ln(sigma) / dT at the row's strain and the curve's rate,
// k from the curves at the same strain rate at the nearest temperatures below and above t
// (or the two nearest on one side, this one among them), by the difference of their
// ln(sigma) at that strain over their temperatures. The neighbours are themselves heated, so
// k is taken again from the corrected curves until it settles (at most 5 rounds). aRises[i]
// is TemperatureRise of aCurves[i] (empty: not corrected, still used as a neighbour).
// Throws CInputError naming a curve that has no curve at another temperature at its rate.
void CorrectAdiabatic(std::vector<CPrepCurve*>& aCurves, const std::vector<std::vector<double>>& aRises);

// g. The curves of equal t and H (within 1e-9 relative) become one: the mean stress on their
// common strain range, at as many evenly spaced strains as the group's longest curve has
// rows there (each curve interpolated linearly). Returns per group of two or more its
// scatter: the largest and the RMS difference of a curve from the mean, MPa.
struct CRepeatScatter {
    double m_dTemp = 0, m_dRate = 0;
    int m_nCurves = 0;
    double m_dFromStrain = 0, m_dToStrain = 0;
    double m_dMax = 0, m_dRms = 0;
    std::string Text() const;
};
std::vector<CRepeatScatter> AverageRepeats(std::vector<CPrepCurve>& aCurves);

// Mean of the readings of aTemp at or above -200 deg C (unconnected thermocouples read less);
// NaN when there is none.
double MeanTemperature(const std::vector<double>& aTemp);
