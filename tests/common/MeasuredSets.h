#pragma once
// The measured flow-curve sets beside the checkout (../shared/data), for the tests and the
// benchmarks that try the product on real records. The build passes their folder as
// VORNEL_SHARED_DATA; a set that is absent is reported as such, so that its users skip.

#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace vornel_test {

// The folder of the measured set strName ("" when it is absent).
inline std::string SharedDataSet(const std::string& strName) {
#ifdef VORNEL_SHARED_DATA
    const std::filesystem::path folder = std::filesystem::path(VORNEL_SHARED_DATA) / strName;
    if (std::filesystem::exists(folder / "conditions.txt"))
        return folder.string();
#endif
    (void)strName;
    return "";
}

// The raw curves of a measured set, imported as the workbench imports them: every
// "FILE T H" line of its conditions.txt (# starts a comment).
inline std::unique_ptr<CMaterial> LoadMeasuredSet(const std::string& strFolder) {
    auto pMaterial = std::make_unique<CMaterial>();
    pMaterial->m_strFileName = "measured.mat";
    std::ifstream list(std::filesystem::path(strFolder) / "conditions.txt");
    for (std::string strLine; std::getline(list, strLine);) {
        std::istringstream fields(strLine);
        std::string strFile;
        double dTemp = 0;
        double dRate = 0;
        if (strLine.empty() || strLine[0] == '#' || !(fields >> strFile >> dTemp >> dRate))
            continue;
        AddCurveFromFile(*pMaterial, (std::filesystem::path(strFolder) / strFile).string(), dTemp, dRate);
    }
    return pMaterial;
}

} // namespace vornel_test
