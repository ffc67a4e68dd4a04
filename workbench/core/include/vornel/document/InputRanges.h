#pragma once
// The ranges the program takes a user's values in, and how it reads a number the user typed:
// the deformation conditions of a curve, the temperature of the 3D surface. Every way a
// value comes in (the dialogs, the multi-file dialog, the batch mode, a material file) checks
// it here, so all of them refuse the same values with the same sentence.

#include <stdexcept>
#include <string>

// Deformation conditions of a curve, as the conditions dialog "Uslovija deformacii" takes
// them (both bounds inclusive).
inline constexpr double kMinCurveTemp = -200.0;  // t, deg C
inline constexpr double kMaxCurveTemp = 2600.0;  // t, deg C
inline constexpr double kMinCurveRate = 0.0;     // U, the strain rate, 1/s
inline constexpr double kMaxCurveRate = 10000.0; // U, 1/s

// Temperature of the 3D surface, as the prompt "Input Temperature for 3d Visualisation"
// takes it (both bounds inclusive).
inline constexpr double kMinTemp3d = 0.0;    // deg C
inline constexpr double kMaxTemp3d = 1600.0; // deg C

// A value outside its range, or a curve number that does not exist. what() names the value.
class CInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws CInputError unless dTemp (deg C) lies in kMinCurveTemp..kMaxCurveTemp and dRate
// (1/s) in kMinCurveRate..kMaxCurveRate, NaN refused:
// "temperature 2601 is outside -200..2600 deg C", "strain rate -1 is outside 0..10000 1/s".
void CheckCurveConditions(double dTemp, double dRate);

// Which of a curve's two conditions CheckCurveConditions refuses (the temperature is
// checked first), with its sentence; m_eField None when both are valid.
enum class EConditionField { None, Temp, Rate };
struct CConditionsProblem {
    EConditionField m_eField = EConditionField::None;
    std::string m_strMessage;
};
CConditionsProblem FindConditionsProblem(double dTemp, double dRate);

// A number as a user types it into a field or a list: blanks around it, an optional sign,
// "." as the decimal point and an optional exponent; nothing else, and finite. True when
// strText is such a number (its value in dValue).
bool ParseUserNumber(const std::string& strText, double& dValue);

// The shortest text that reads back as dValue: "2601", "-1", "2600.5", "inf".
std::string ShortestNumber(double dValue);

// Throws CInputError unless dTemp (deg C) lies in kMinTemp3d..kMaxTemp3d, NaN refused.
void CheckTemp3d(double dTemp);
