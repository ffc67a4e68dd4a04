// make_example_material: writes the bundled example material, twelve synthetic hot
// compression records of one steel-like material, and the list of their test conditions.
//
//   make_example_material OUTPUT_FOLDER
//
// The flow stress follows the Hensel-Spittel law
//
//     sigma = A1 * E^A2 * H^A3 * exp(A4 * t)
//
// with E the true strain, H the strain rate [1/s], t the temperature [deg C] and sigma in
// MPa, A1 = 2000 MPa, A2 = 0.2, A3 = 0.12, A4 = -0.0025 1/degC (model 9 of the workbench).
// Tests at 900, 1000, 1100 and 1200 deg C and 0.1, 1 and 10 1/s, each deformed to a true
// strain of 0.8.
//
// Each record is shaped like the log of a test machine, sampled at equal time steps:
//   - a dwell of 20 samples at zero strain under a small preload (about 3 MPa);
//   - 420 samples of steady deformation, the strain rising linearly to 0.8 and the stress
//     following the law;
//   - a tail of 60 samples after the end of deformation: the strain stays at 0.8 while the
//     load is released and the stress decays towards zero.
// Measurement noise is Gaussian: 0.5 % of the stress plus 0.3 MPa (standard deviation),
// 0.2 MPa around the preload and in the tail. Every record has its own Mersenne twister
// seeded with a fixed number, and the normal deviates come from the Box-Muller transform
// (G. E. P. Box, M. E. Muller, Ann. Math. Statist. 29 (1958) 610), so the files are the
// same on every run.
//
// File layout (the experiment data files the workbench imports): three header lines, then
// rows "n strain stress". The list "curves.txt" holds one line "FILE T H" per record, FILE
// relative to the list's folder; lines starting with '#' are comments.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <random>
#include <string>

namespace {

// Law coefficients: A1 [MPa], A2, A3, A4 [1/degC].
constexpr double kA1 = 2000.0;
constexpr double kA2 = 0.2;
constexpr double kA3 = 0.12;
constexpr double kA4 = -0.0025;

constexpr double kTemperatures[] = {900.0, 1000.0, 1100.0, 1200.0}; // deg C
constexpr double kRates[] = {0.1, 1.0, 10.0};                       // 1/s
constexpr double kMaxStrain = 0.8;
constexpr int kDwellSamples = 20;
constexpr int kRiseSamples = 420;
constexpr int kTailSamples = 60;
constexpr double kPreload = 3.0;       // MPa
constexpr double kTailDecay = 8.0;     // samples over which the released stress falls by e
constexpr unsigned kSeedBase = 20240611u;

double FlowStress(double dStrain, double dRate, double dTemp) {
    return kA1 * std::pow(dStrain, kA2) * std::pow(dRate, kA3) * std::exp(kA4 * dTemp);
}

// Standard normal deviates by the Box-Muller transform on the twister's raw 32-bit output
// (uniforms in (0, 1), never 0), so the sequence does not depend on the standard library.
class CNormal {
public:
    explicit CNormal(unsigned nSeed) : m_rng(nSeed) {}

    double Next() {
        if (m_bHaveSpare) {
            m_bHaveSpare = false;
            return m_dSpare;
        }
        const double dU1 = (static_cast<double>(m_rng()) + 0.5) / 4294967296.0;
        const double dU2 = (static_cast<double>(m_rng()) + 0.5) / 4294967296.0;
        const double dRadius = std::sqrt(-2.0 * std::log(dU1));
        const double dAngle = 2.0 * std::numbers::pi * dU2;
        m_dSpare = dRadius * std::sin(dAngle);
        m_bHaveSpare = true;
        return dRadius * std::cos(dAngle);
    }

private:
    std::mt19937 m_rng;
    double m_dSpare = 0;
    bool m_bHaveSpare = false;
};

std::string FileName(double dTemp, double dRate) {
    char sz[64];
    std::snprintf(sz, sizeof sz, "steel_%.0f_%g.asc", dTemp, dRate);
    return sz;
}

// The record of one test as the text of an experiment data file.
std::string Record(double dTemp, double dRate, unsigned nSeed) {
    CNormal noise(nSeed);
    std::string strText;
    char sz[160];
    std::snprintf(sz, sizeof sz,
                  "Synthetic hot compression test, example steel, t=%.0f C H=%g 1/s\n"
                  "n strain stress\n"
                  "- - MPa\n",
                  dTemp, dRate);
    strText += sz;

    int n = 0;
    const auto row = [&](double dStrain, double dStress) {
        // A measured stress is never below the load cell's resolution.
        dStress = std::max(dStress, 0.01);
        std::snprintf(sz, sizeof sz, "%d %.6f %.4f\n", ++n, dStrain, dStress);
        strText += sz;
    };

    for (int k = 0; k < kDwellSamples; ++k)
        row(0.0, kPreload + 0.2 * noise.Next());
    double dLastStress = 0;
    for (int k = 1; k <= kRiseSamples; ++k) {
        const double dStrain = kMaxStrain * k / kRiseSamples;
        const double dLaw = FlowStress(dStrain, dRate, dTemp);
        dLastStress = dLaw;
        row(dStrain, dLaw + (0.005 * dLaw + 0.3) * noise.Next());
    }
    for (int k = 1; k <= kTailSamples; ++k)
        row(kMaxStrain, dLastStress * std::exp(-k / kTailDecay) + 0.2 * std::fabs(noise.Next()));
    return strText;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_example_material OUTPUT_FOLDER\n"
                     "Writes twelve synthetic flow-curve records and their list curves.txt.\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::cerr << folder.string() << ": cannot create the folder: " << ec.message() << "\n";
        return 1;
    }

    std::string strList =
        "# Example material: synthetic records from sigma = A1*E^A2*H^A3*exp(A4*t)\n"
        "# with A1 = 2000 MPa, A2 = 0.2, A3 = 0.12, A4 = -0.0025 (made by make_example_material)\n"
        "# file  temperature_C  strain_rate_1/s\n";
    unsigned nSeed = kSeedBase;
    for (double dTemp : kTemperatures)
        for (double dRate : kRates) {
            const std::string strName = FileName(dTemp, dRate);
            const std::filesystem::path path = folder / strName;
            std::ofstream out(path, std::ios::binary);
            out << Record(dTemp, dRate, nSeed++);
            out.close();
            if (!out) {
                std::cerr << path.string() << ": cannot write the file\n";
                return 1;
            }
            char sz[128];
            std::snprintf(sz, sizeof sz, "%s %.0f %g\n", strName.c_str(), dTemp, dRate);
            strList += sz;
        }

    const std::filesystem::path listPath = folder / "curves.txt";
    std::ofstream list(listPath, std::ios::binary);
    list << strList;
    list.close();
    if (!list) {
        std::cerr << listPath.string() << ": cannot write the file\n";
        return 1;
    }
    std::cout << "Wrote 12 records and " << listPath.string() << "\n";
    return 0;
}
