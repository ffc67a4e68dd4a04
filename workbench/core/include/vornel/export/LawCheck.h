#pragma once
// The law check: whether a fitted law is safe to hand to a forming solver over a grid of
// strain, strain rate and temperature. Three properties, checked at every node with the
// law's exact derivatives (EvaluateLaw, ModelCatalogue.h):
//   1. the stress is a finite number above 0, and so are its derivatives finite;
//   2. the stress does not rise with temperature: dKs/dt <= 0;
//   3. the stress does not fall with strain rate: dKs/dH >= 0.
// A property that fails at some node is one finding, at its worst node: for property 1 the
// first node (temperature outermost, then rate, then strain) where a value is not finite,
// else the node of the smallest stress; for 2 the largest dKs/dt; for 3 the most negative
// dKs/dH. A law that depends on strain only passes 2 and 3 (its derivatives are 0).

#include "vornel/model/ModelCatalogue.h"

#include <string>
#include <vector>

struct CExportGrid;
struct CLawExport;

enum class ELawProperty {
    FinitePositive,  // the stress is a finite number above 0 (derivatives finite)
    TempSoftening,   // the stress does not rise with temperature
    RateHardening,   // the stress does not fall with strain rate
};

struct CLawFinding {
    ELawProperty m_eProperty = ELawProperty::FinitePositive;
    double m_dStrain = 0;     // the worst node
    double m_dRate = 0;       // 1/s
    double m_dTemp = 0;       // deg C
    const char* m_szQuantity = "Ks"; // what m_dValue is: "Ks", "dKs/dE", "dKs/dH" or "dKs/dt"
    double m_dValue = 0;      // its value at the node

    // "law check: the stress rises with temperature at E=0.4, H=10, t=1050 (dKs/dt = 0.031)"
    // (numbers with six significant digits); the other two properties read "the stress is
    // not a finite number above 0" and "the stress falls with strain rate".
    std::string Message() const;
};

// The law of model nModel with coefficients pCoef (A1 first) at every node of grid,
// temperature outermost, then strain rate, then strain.
std::vector<CLawValue> EvaluateOnGrid(int nModel, const double* pCoef, const CExportGrid& grid);

// The findings over grid of the law's values there (as EvaluateOnGrid orders them), in
// the order of the properties; empty when the law passes.
std::vector<CLawFinding> CheckLawValues(const CExportGrid& grid, const std::vector<CLawValue>& aValues);

// CheckLawValues of EvaluateOnGrid.
std::vector<CLawFinding> CheckLaw(int nModel, const double* pCoef, const CExportGrid& grid);

// The same over the table grid of law, from the values it already holds.
std::vector<CLawFinding> CheckLaw(const CLawExport& law);
