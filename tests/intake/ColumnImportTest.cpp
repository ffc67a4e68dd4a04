// Column files, import profiles and the preparation, against the numbers written into the
// files and against the laws the records were made from.
#include "vornel/intake/CurveImport.h"
#include "vornel/session/Operations.h"
#include "formats/FileError.h"
#include "RecordFiles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>

using namespace vornel_test;
namespace fs = std::filesystem;

namespace {

class ColumnImport : public ScratchTest {};

std::string Read(const std::string& strPath) { return FileText(strPath); }

} // namespace

// Every shape of column file reads its strain and stress from the right columns, in the
// right units, equal to the numbers written.
TEST_F(ColumnImport, FilesOfEveryShapeReadTheirNumbers) {
    const struct {
        const char* m_szName;
        std::string m_strText;
        const char* m_szProfile;
        EDelimiter m_eDelimiter;
        EEncoding m_eEncoding;
        double m_dStrain1, m_dStress1; // the second row's
    } aCases[] = {
        {"semicolon, decimal comma, German titles",
         "Versuch 7\nZeit [s];Umformgrad [-];Flie\xc3\x9fspannung [MPa];Temperatur [\xc2\xb0" "C]\n0;0;10,5;900\n1;0,01;20,25;901\n2;0,02;30;902\n",
         "", EDelimiter::Semicolon, EEncoding::Utf8, 0.01, 20.25},
        {"UTF-8 with a byte-order mark, comma, stress in kPa",
         "\xEF\xBB\xBFtime,true strain,true stress (kPa),load (kN)\n0,0,1000,1\n0.1,0.02,2500,2\n0.2,0.04,3000,3\n",
         "", EDelimiter::Comma, EEncoding::Utf8, 0.02, 2.5},
        {"fixed width, titles with blanks, Latin-1, strain in %",
         "     No.    Time  Strain   kf (Def.)    Phi  (D)\n               s       %       N/mm\xb2            \n"
         "       1     0.1    0.50     12.0000      0.0050\n       2     0.2    1.00     13.5000      0.0101\n"
         "       3     0.3    1.50     14.0000      0.0151\n",
         "", EDelimiter::Whitespace, EEncoding::Latin1, 0.0101, 13.5},
        {"tab, engineering values by the profile, strain in %",
         "a\tb\tc\td\n1\t0\t100\t5\n2\t10\t200\t5\n3\t20\t250\t5\n", "strain = 2\nstress = 3\nstrain_unit = %\nvalues = engineering\n",
         EDelimiter::Tab, EEncoding::Utf8, -std::log(0.9), 200 * 0.9},
        {"every field quoted, a delimiter inside a quoted title",
         "\"Time (s)\",\"Load, kN\",\"True strain\",\"True stress (MPa)\"\n\"0.0\",\"1\",\"0.000\",\"10.5\"\n"
         "\"0.1\",\"2\",\"0.012\",\"21.25\"\n\"0.2\",\"3\",\"0.024\",\"30\"\n",
         "", EDelimiter::Comma, EEncoding::Utf8, 0.012, 21.25},
        {"UTF-16 little-endian with its mark, tab, three columns under two header lines named by the profile",
         Utf16(u"Time\tStrain\tStress\ns\t-\tN/mm\u00b2\n0.1\t0.004\t7.5\n0.2\t0.008\t15.25\n0.3\t0.012\t20\n0.4\t0.016\t24\n", true, true),
         "strain = Strain\nstress = Stress\n", EDelimiter::Tab, EEncoding::Utf8, 0.008, 15.25},
        {"UTF-16 big-endian with its mark, semicolon, decimal comma",
         Utf16(u"Zeit [s];Umformgrad [-];Flie\u00dfspannung [MPa];Kraft [kN]\n0;0;10,5;1\n1;0,01;20,25;2\n2;0,02;30;3\n", false, true),
         "", EDelimiter::Semicolon, EEncoding::Utf8, 0.01, 20.25},
        {"US units: strain in in/in, stress in ksi",
         "Time (s)\tStrain (in/in)\tStress (ksi)\n0\t0\t1\n1\t0.01\t2.5\n2\t0.02\t3\n", "", EDelimiter::Tab,
         EEncoding::Utf8, 0.01, 2.5 * 6.894757293168},
        {"a date and a clock time before the numbers",
         "Date\tTime\tTrue strain\tTrue stress\n2026-12-08\t16:33:21.0\t0\t10\n2026-12-08\t16:33:21.1\t0.01\t20.5\n"
         "2026-12-08\t16:33:21.2\t0.02\t30\n",
         "", EDelimiter::Tab, EEncoding::Utf8, 0.01, 20.5},
        {"UTF-16 little-endian without a mark",
         Utf16(u"time,true strain,true stress,load\n0,0,10,1\n0.1,0.02,25,2\n0.2,0.04,30,3\n", true, false),
         "", EDelimiter::Comma, EEncoding::Utf8, 0.02, 25},
    };
    for (const auto& c : aCases) {
        SCOPED_TRACE(c.m_szName);
        WriteText("f.txt", c.m_strText);
        std::string strDecoded;
        const CColumnLayout layout = DetectLayout(TextOfBytes(c.m_strText, strDecoded), {}, "f.txt");
        EXPECT_EQ(layout.m_eDelimiter, c.m_eDelimiter);
        EXPECT_EQ(layout.m_eEncoding, c.m_eEncoding);
        const CImportProfile profile = ParseImportProfile(c.m_szProfile, "p.profile");
        const CSourceCurve source = ReadSourceCurve("f.txt", 900, 1, {}, &profile);
        ASSERT_GE(source.m_curve.Size(), 2u);
        EXPECT_TRUE(source.m_bColumnFile);
        EXPECT_NEAR(source.m_curve.m_aStrain[1], c.m_dStrain1, 1e-12);
        EXPECT_NEAR(source.m_curve.m_aStress[1], c.m_dStress1, 1e-9);
    }
}

// Twelve dilatometer records at 3 temperatures and 4 rates are added in one step: conditions
// from their header, strain and stress from their columns, equal to the files' numbers.
TEST_F(ColumnImport, DilatometerCampaignIsAddedInOneStep) {
    std::vector<CCurveSpec> aSpecs;
    for (double dTemp : {300.0, 350.0, 400.0})
        for (double dRate : {0.001, 0.01, 0.1, 1.0}) {
            const std::string strFile = "S07_" + std::to_string(aSpecs.size()) + ".asc";
            WriteDilatometerRecord(strFile, SofteningLaw, dTemp, dRate);
            aSpecs.push_back(SpecForFile(strFile, nullptr));
            EXPECT_EQ(aSpecs.back().m_dTemp, dTemp);
            EXPECT_EQ(aSpecs.back().m_dRate, dRate);
        }
    NewMaterial("al");
    const CImportProfile profile = ParseImportProfile("", "dil.profile"); // the titles say it all
    AddCurves(aSpecs, &profile);
    ASSERT_EQ(g_pMaterial->m_nCurves, 12);
    const CCurve& curve = g_pMaterial->Curve(5); // 350 deg C, 0.01 1/s
    EXPECT_EQ(curve.m_dTemp, 350);
    const std::vector<std::string> aLines = Lines(Read(aSpecs[5].m_strFile));
    ASSERT_EQ(curve.PointCount(), 300);
    for (std::size_t k = 0; k < 300; k += 37) {
        double dN, dTime, dTemp, dStrain, dStress;
        std::sscanf(aLines[k + 3].c_str(), "%lf %lf %lf %lf %lf", &dN, &dTime, &dTemp, &dStrain, &dStress);
        EXPECT_EQ(curve.m_pPoints[k].m_dStrain, dStrain);
        EXPECT_EQ(curve.m_pPoints[k].m_dStress, dStress);
    }
    EXPECT_NE(curve.m_strPrep.find("strain = column 4 \"Phi\""), std::string::npos) << curve.m_strPrep;
}

// Simulator records made from a law: after segment, sign, true values and the adiabatic
// correction the curves equal the law at the test temperature within 0.5 % from strain 0.05
// on; with friction, the corrected stress equals the law within 1 %.
TEST_F(ColumnImport, SimulatorRecordsPrepareToTheLaw) {
    const struct {
        const char* m_szPrep;
        double m_dFriction;
        std::vector<double> m_aRates;
        double m_dTolerance;
    } aCases[] = {
        {"adiabatic = rate\n", 0, {0.1, 1, 10}, 0.005},
        {"adiabatic = measured\ntemperature = TC1(C)\n", 0, {1, 10}, 0.005},
        {"friction_m = 0.3\n", 0.3, {0.001}, 0.01},
    };
    for (const auto& c : aCases) {
        SCOPED_TRACE(c.m_szPrep);
        CSimulatorTest test;
        test.m_dFriction = c.m_dFriction;
        std::vector<CCurveSpec> aSpecs;
        for (double dRate : c.m_aRates)
            for (double dTemp : {900.0, 1000.0, 1100.0}) {
                aSpecs.push_back({"sim_" + std::to_string(aSpecs.size()) + ".csv", dTemp, dRate, {}});
                WriteSimulatorRecord(aSpecs.back().m_strFile, SofteningLaw, dTemp, dRate, test);
            }
        const CImportProfile profile = ParseImportProfile(
            std::string("force = Force\nstroke = Jaw\nheight0 = 12\ndiameter0 = 10\nsegment = yes\n"
                        "density = 7800\nheat_capacity = 600\n") + c.m_szPrep, "sim.profile");
        CMaterial empty;
        const CImportedCurves imported = ImportCurves(aSpecs, &profile, empty);
        ASSERT_EQ(imported.m_aCurves.size(), aSpecs.size());
        double dWorst = 0;
        for (const CCurve& curve : imported.m_aCurves)
            for (const CCurvePoint& point : curve.m_pPoints)
                if (point.m_dStrain >= 0.05) {
                    const double dLaw = SofteningLaw(point.m_dStrain, curve.m_dRate, curve.m_dTemp);
                    dWorst = std::max(dWorst, std::fabs(point.m_dStress / dLaw - 1));
                }
        EXPECT_LT(dWorst, c.m_dTolerance);
        EXPECT_NE(imported.m_aCurves[0].m_strPrep.find("sign: stroke and force negated"), std::string::npos);
    }
}

// Friction of cylinder compression: the barrel's friction factor and the mean pressure of
// the upper bound, against their closed forms.
TEST(Friction, BarrelAndPressureMeetTheirClosedForms) {
    // Without barrelling the pressure is Avitzur's 1 + 2 m R / (3 sqrt(3) h); without
    // friction it is the flow stress.
    for (double dRh : {0.2, 0.5, 1.5})
        EXPECT_NEAR(BarrelPressureRatio(1e-7, dRh), 1 + 2e-7 * dRh / (3 * std::sqrt(3.0)), 1e-12);
    EXPECT_EQ(BarrelPressureRatio(0, 0.7), 1);
    // Worked by hand: h0 = 12, d0 = 10, h1 = 6 gives R = 5 sqrt(2) = 7.0711 mm; a barrel of
    // dTop 13 and dMax 15.2 gives dR = 1.1, b = 4 (1.1 / 7.0711)(6 / 6) = 0.62225 and
    // m = (7.0711 / 6) 0.62225 / (2.3094 - 0.23951) = 0.35430.
    CSpecimen specimen{12, 10, 6, 13, 15.2, {}};
    EXPECT_NEAR(FrictionFactorFromBarrel(specimen, "c"), 0.35430, 5e-5);
    // p/sigma at m = 0.3, R/h = 1.19: b = 0.53071, x = h/(R b) = 1.58343, and the bracket
    // (1/12 + x^2)^1.5 - x^3 + 0.3 e^-b/2 / (24 sqrt(3) (1 - e^-b/2)) gives 1.12825.
    EXPECT_NEAR(BarrelPressureRatio(0.3, 1.19), 1.12825, 1e-5);
}

// What cannot be read or prepared is refused naming the file and the line, column or key,
// and nothing is added.
TEST_F(ColumnImport, RefusalsNameTheFileAndTheLineColumnOrKey) {
    WriteText("four.txt", "h\nh\nh\n1 0.1 100 5\n2 0.2 110 6\n3 0.3 120 7\n");
    WriteText("t.csv", "strain;stress\n0,1;100\n0,2;110\n0,3;120\n");
    WriteText("p1.profile", "strain = Dehnung\n");
    WriteText("p2.profile", "# units\nstress_unit = kN\n");
    WriteText("p3.profile", "force = 1\nstroke = 2\nheight0 = 0\n");
    WriteText("p4.profile", "segment = maybe\n");
    WriteText("p5.profile", "frictoin_m = 0.2\n");
    WriteText("list.txt", "t.csv 900 1 height0=12 diameter0=10 height1=6 diameter_top=15 diameter_max=13\n");
    WriteText("bad.txt", "t.csv 900 1 width=3\n");
    const struct {
        const char* m_szProfile;
        const char* m_szFile;
        const char* m_szMessage;
    } aCases[] = {
        {"", "four.txt", "four.txt: not in the experiment data format"},
        {"", "four.txt", "its rows hold 4 numbers"},
        {"p1.profile", "t.csv", "p1.profile: strain: no column is titled \"Dehnung\" in t.csv; its columns: 1: strain"},
        {"p2.profile", "t.csv", "p2.profile:2: stress_unit: \"kN\" is not a unit of this column"},
        {"p3.profile", "t.csv", "p3.profile:3: height0: 0 is outside (0..1000000"},
        {"p4.profile", "t.csv", "p4.profile:1: segment: \"maybe\" is not one of no, yes"},
        {"p5.profile", "t.csv", "p5.profile:1: \"frictoin_m\" is not a key of an import profile"},
        {"empty", "list.txt", "t.csv: the barrelling makes no sense: diameter_top = 15 mm must lie above 0 and not above diameter_max = 13 mm"},
        {"empty", "bad.txt", "bad.txt:1: \"width\" is not a value a curve can carry"},
    };
    WriteText("empty", "");
    NewMaterial("m");
    for (const auto& c : aCases) {
        SCOPED_TRACE(c.m_szMessage);
        std::string strMessage;
        try {
            std::optional<CImportProfile> profile;
            if (*c.m_szProfile)
                profile = ReadImportProfile(c.m_szProfile);
            std::vector<CCurveSpec> aSpecs{{c.m_szFile, 900, 1, {}}};
            if (fs::path(c.m_szFile).extension() == ".txt" && std::string(c.m_szFile) != "four.txt") {
                aSpecs.clear();
                for (const CCurveListEntry& entry : ReadCurveList(c.m_szFile))
                    aSpecs.push_back({entry.m_strFile, 900, 1, entry.m_aValues});
            }
            AddCurves(aSpecs, profile ? &*profile : nullptr);
        } catch (const std::runtime_error& e) {
            strMessage = e.what();
        }
        EXPECT_NE(strMessage.find(c.m_szMessage), std::string::npos) << strMessage;
        EXPECT_EQ(g_pMaterial->m_nCurves, 0);
    }
}

// The preparation record stays with the material: in a section after the layout's fields,
// so the fields a reader that stops after them sees (an older Vornel's, the engine's) are
// byte for byte those of the file without records.
TEST_F(ColumnImport, RecordsAreKeptInTheMaterialFile) {
    WriteDilatometerRecord("d1.asc", SofteningLaw, 300, 0.1);
    WriteDilatometerRecord("d2.asc", SofteningLaw, 400, 0.1);
    NewMaterial("al");
    const CImportProfile profile = ParseImportProfile("segment = yes\n", "dil.profile");
    AddCurves({SpecForFile("d1.asc", &profile), SpecForFile("d2.asc", &profile)}, &profile);
    SaveMaterial();
    const std::string strMaterial = Read("al.mat");
    CMaterial plain = *g_pMaterial;
    for (CCurve& curve : plain.m_aCurves)
        curve.m_strPrep.clear();
    plain.m_strFileName = "plain.mat";
    plain.WriteMaterialFile(1);
    const std::string strPlain = Read("plain.mat");
    ASSERT_GT(strMaterial.size(), strPlain.size());
    EXPECT_EQ(strMaterial.substr(0, strPlain.size()), strPlain);
    OpenMaterial("al.mat");
    EXPECT_EQ(g_pMaterial->Curve(1).m_strPrep.rfind("source d2.asc (column file, profile dil:", 0), 0u)
        << g_pMaterial->Curve(1).m_strPrep;
    EXPECT_NE(g_pMaterial->Curve(0).m_strPrep.find("; segment: line 4 to line 303 kept"), std::string::npos);
}
