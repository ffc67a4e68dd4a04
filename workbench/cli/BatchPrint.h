#pragma once
// How the batch mode prints: the fitted law, the fit report, the confidence intervals and the
// held-out errors on the output stream, every number with 17 significant digits; the lines a
// person reads of a run (run/RunMessages.h) on the error stream.

#include "vornel/document/FitResults.h"
#include "vornel/run/RunMessages.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class CMaterial;
struct CFitReport;
struct CHoldOutReport;

// dValue with 17 significant digits ("%.17g"), which reads back as the same double.
std::string FormatNumber(double dValue);

// "Model: <label>", "A<k> = <value>" per coefficient, "ErrorSr= ", "ErrorMax= ".
void PrintResult(const CMaterial& material, std::ostream& out);

// The fit report: over the measured points, then one line per curve.
void PrintReport(const CFitReport& report, std::ostream& out);

// The confidence intervals of the refined coefficients, after the report's curve lines: one
// "CI A<k>= <low> <high>" per coefficient, then "IllDetermined= A<i> A<j>" per pair of
// coefficients correlated beyond 0.999, or "IllDetermined= none", then "CI none for
// A<i>..A<j>: <why>" for coefficients fitted without one (model 21's spline); intervals that
// cannot be formed are said on the error stream.
void PrintConfidence(const std::optional<CRefinementResult>& refinement, std::ostream& out, std::ostream& err);

// "prep curve k: <record>" for every curve that has a preparation record (CCurve::m_strPrep).
void PrintPreparation(const CMaterial& material, std::ostream& out);

// The held-out RMS (NaN when no held-out fit delivered a law); the refused held-out fits on
// the error stream.
void PrintHoldOut(const CHoldOutReport& report, std::ostream& out, std::ostream& err);

// What the curves say about hot working: per curve "peak curve k: stress= v strain= v" (or
// "peak curve k: no peak") and "steady curve k: stress= v" (or "steady curve k: none"), then
// the activation energy from the peak stresses, "beta/n1: Q= v kJ/mol n= v alpha= v lnA= v"
// of the standard procedure and "Q= v kJ/mol n= v alpha= v lnA= v" at the searched alpha
// (nan when it cannot be formed; why on the error stream), and after a fit of model 19
// "Q19= v kJ/mol at E= v", its Q at the mean strain of the peaks.
void PrintHotWorking(const CMaterial& material, std::ostream& out, std::ostream& err);

// Each line as "vornel: <strWhere><line>" on the error stream.
void PrintLines(const std::vector<CRunLine>& aLines, const std::string& strWhere, std::ostream& err);
