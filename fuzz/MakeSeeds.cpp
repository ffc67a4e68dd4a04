// Writes the seed corpora of the fuzz harnesses from the bundled example material:
//   make_fuzz_seeds <examples/hensel-spittel-steel> <output folder>
// gives <output>/import (experiment data files), <output>/material (material files, raw,
// fitted and empty), <output>/engine (raw exchange files for the intake and preparation)
// and <output>/surface (surface files as the workbench writes them, and the smallest one
// the viewer reads). Records are cut to a few dozen rows, so that the fuzzers mutate small
// inputs; the cuts keep the dwell, part of the rise, or the whole record.

#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CExampleCurve {
    fs::path m_path;
    double m_dTemp = 0;
    double m_dRate = 0;
};

// The curves of the example's list "file temperature rate", comment lines skipped.
std::vector<CExampleCurve> ReadCurveList(const fs::path& folder) {
    std::ifstream in(folder / "curves.txt");
    if (!in)
        throw std::runtime_error((folder / "curves.txt").string() + ": cannot read the curve list");
    std::vector<CExampleCurve> aCurves;
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.empty() || strLine[0] == '#')
            continue;
        std::istringstream fields(strLine);
        CExampleCurve curve;
        std::string strFile;
        if (fields >> strFile >> curve.m_dTemp >> curve.m_dRate) {
            curve.m_path = folder / strFile;
            aCurves.push_back(curve);
        }
    }
    return aCurves;
}

// The three header lines and the data rows nFirst .. nFirst + nRows - 1 (0-based) of a record.
std::string CutRecord(const fs::path& path, int nFirst, int nRows) {
    std::ifstream in(path);
    std::string strOut;
    int nLine = 0;
    for (std::string strLine; std::getline(in, strLine); ++nLine) {
        const int nRow = nLine - 3;
        if (nRow < 0 || (nRow >= nFirst && nRow < nFirst + nRows))
            strOut += strLine + "\n";
    }
    return strOut;
}

void Write(const fs::path& path, const std::string& strText) {
    std::ofstream out(path, std::ios::binary);
    out << strText;
    if (!out)
        throw std::runtime_error(path.string() + ": cannot write");
}

// A material of the given cuts of the example curves, as raw curves (prepared flag 0).
CMaterial RawMaterial(const std::vector<CExampleCurve>& aCurves, const std::vector<int>& aPick, int nFirst, int nRows,
                      const fs::path& scratch) {
    CMaterial material;
    for (int i : aPick) {
        const CExampleCurve& curve = aCurves.at(static_cast<std::size_t>(i));
        const fs::path cut = scratch / ("cut" + std::to_string(i) + ".asc");
        Write(cut, CutRecord(curve.m_path, nFirst, nRows));
        AddCurveFromFile(material, cut.string(), curve.m_dTemp, curve.m_dRate);
    }
    return material;
}

void WriteMaterial(CMaterial material, const fs::path& path) {
    material.m_strWorkFolder.clear();
    material.m_strFileName = path.string();
    material.WriteMaterialFile(1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_fuzz_seeds <example material folder> <output folder>\n";
        return 2;
    }
    try {
        const fs::path examples = fs::absolute(argv[1]);
        const fs::path out = fs::absolute(argv[2]);
        for (const char* szName : {"import", "material", "engine", "surface", "scratch"})
            fs::create_directories(out / szName);
        const fs::path scratch = out / "scratch";
        const std::vector<CExampleCurve> aCurves = ReadCurveList(examples);
        if (aCurves.size() < 4)
            throw std::runtime_error("the example material holds fewer than 4 curves");

        // Experiment data: the start of a record with its dwell, a piece of the rise, a whole
        // record, and a record cut inside its header.
        Write(out / "import" / "dwell.asc", CutRecord(aCurves[0].m_path, 0, 40));
        Write(out / "import" / "rise.asc", CutRecord(aCurves[1].m_path, 200, 30));
        Write(out / "import" / "whole.asc", CutRecord(aCurves[2].m_path, 0, 1000000));
        Write(out / "import" / "header.asc", CutRecord(aCurves[3].m_path, 0, 0));
        // The start of a record as UTF-16 with its mark, and a quoted comma-separated one.
        std::string strWide = "\xFF\xFE";
        for (char c : CutRecord(aCurves[0].m_path, 0, 20))
            strWide += std::string{c, '\0'};
        Write(out / "import" / "unicode.asc", strWide);
        Write(out / "import" / "quoted.csv", "\"Time (s)\",\"True strain\",\"True stress (MPa)\"\n\"0.0\",\"0.01\",\"50.5\"\n"
                                             "\"0.1\",\"0.02\",\"61\"\n\"0.2\",\"0.03\",\"70.25\"\n");

        // Raw materials: one short curve (resampled upwards), one of 45 samples (downwards),
        // one long one (wide windows), and three curves.
        const CMaterial shortRaw = RawMaterial(aCurves, {0}, 0, 30, scratch);
        const CMaterial mediumRaw = RawMaterial(aCurves, {1}, 0, 55, scratch);
        const CMaterial longRaw = RawMaterial(aCurves, {2}, 0, 140, scratch);
        const CMaterial threeRaw = RawMaterial(aCurves, {3, 4, 5}, 0, 40, scratch);
        int nSeed = 0;
        for (const CMaterial* pRaw : {&shortRaw, &mediumRaw, &longRaw, &threeRaw}) {
            const std::string strName = "raw" + std::to_string(++nSeed) + ".mat";
            WriteMaterial(*pRaw, out / "engine" / strName);
            WriteMaterial(*pRaw, out / "material" / strName);
        }
        WriteMaterial(CMaterial(), out / "material" / "empty.mat");

        // A fitted material: the example's law through four curves, prepared by the engine.
        CMaterial fitted = RawMaterial(aCurves, {0, 4, 8, 11}, 0, 120, scratch);
        fitted.m_strWorkFolder = scratch.string();
        fitted.m_strFileName = "fitted.mat";
        fitted.m_nFunction = 9;
        const CRunResult run = fitted.RunApproximation();
        if (!run.Ok())
            throw std::runtime_error("the example material did not fit: " + run.m_strMessage);
        for (const char* szCorpus : {"material", "engine"})
            fs::copy_file(scratch / "fitted.mat", out / szCorpus / "fitted.mat", fs::copy_options::overwrite_existing);
        fs::copy_file(scratch / kSurfaceFileName, out / "surface" / "fitted.tmp", fs::copy_options::overwrite_existing);
        // The same law refined: its file carries the confidence intervals in a section.
        CMaterial refined = fitted;
        refined.m_strFileName = "refined.mat";
        if (!refined.RunApproximation(CFitOptions{true}).Ok() || !refined.m_confidence)
            throw std::runtime_error("the example material's refined fit has no confidence intervals");
        fs::copy_file(scratch / "refined.mat", out / "material" / "refined.mat", fs::copy_options::overwrite_existing);
        // A surface at another temperature, and the smallest file the viewer reads.
        if (fitted.WriteSurfaceFile(1200).Ok())
            fs::copy_file(scratch / kSurfaceFileName, out / "surface" / "fitted1200.tmp", fs::copy_options::overwrite_existing);
        std::string strMinimal = "0 0 0 1\n1\n1 0 0\n3 1\n";
        for (int n = 0; n < 3; ++n) {
            for (int v = 0; v < 18; ++v)
                strMinimal += (v == n ? "1.0 " : "0.0 ");
            strMinimal += "\n";
        }
        strMinimal += "3\n1\n2\n3\n";
        Write(out / "surface" / "minimal.tmp", strMinimal);

        fs::remove_all(scratch);
    } catch (const std::exception& e) {
        std::cerr << "make_fuzz_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
