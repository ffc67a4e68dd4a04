// The exchange layout: exact byte length, round trip, both trailers, and refusal of
// malformed files with the file and the field named.

#include "TestSupport.h"
#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"

#include <cstring>
#include <filesystem>

using vornel_test::FileBytes;
using vornel_test::ScratchTest;

namespace {

CExchangeData MakeData(const std::vector<int>& aCounts, int nCoef) {
    CExchangeData data;
    data.m_nPrepared = 1;
    double dValue = 0.5;
    for (int n : aCounts) {
        CExchangeCurve curve;
        for (int j = 0; j < n; ++j) {
            CExchangePoint p;
            p.m_dStrain = dValue += 0.25;
            p.m_dRate = dValue += 0.25;
            p.m_dAux = dValue += 0.25;
            p.m_dTemp = dValue += 0.25;
            p.m_dTime = dValue += 0.25;
            p.m_dFitStress = dValue += 0.25;
            p.m_dStress = dValue += 0.25;
            curve.m_aPoints.push_back(p);
        }
        data.m_aCurves.push_back(curve);
    }
    data.m_nFunction = 9;
    for (int k = 0; k < nCoef; ++k)
        data.m_aCoef.push_back(1.0 / (k + 3));
    data.m_dErrorSr = 2.5;
    data.m_dErrorMax = 7.25;
    return data;
}

bool SameData(const CExchangeData& a, const CExchangeData& b) {
    if (a.m_nPrepared != b.m_nPrepared || a.m_nFunction != b.m_nFunction || a.m_aCoef != b.m_aCoef ||
        a.m_dErrorSr != b.m_dErrorSr || a.m_dErrorMax != b.m_dErrorMax || a.m_aCurves.size() != b.m_aCurves.size())
        return false;
    for (std::size_t i = 0; i < a.m_aCurves.size(); ++i) {
        const auto& pa = a.m_aCurves[i].m_aPoints;
        const auto& pb = b.m_aCurves[i].m_aPoints;
        if (pa.size() != pb.size() || (!pa.empty() && std::memcmp(pa.data(), pb.data(), pa.size() * sizeof pa[0]) != 0))
            return false;
    }
    return true;
}

// Raw little-endian file builder for malformed files.
struct CRawFile {
    std::vector<unsigned char> m_aBytes;
    CRawFile& Int(std::int32_t n) { return Put(&n, 4); }
    CRawFile& Dbl(double d) { return Put(&d, 8); }
    CRawFile& Put(const void* p, std::size_t n) {
        const auto* c = static_cast<const unsigned char*>(p);
        m_aBytes.insert(m_aBytes.end(), c, c + n);
        return *this;
    }
    void Save(const std::string& strPath) const {
        std::ofstream out(strPath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(m_aBytes.data()), static_cast<std::streamsize>(m_aBytes.size()));
    }
};

} // namespace

class ExchangeLayout : public ScratchTest, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(ExchangeLayout, LengthFollowsTheCountsAndRoundTripIsExact) {
    const CExchangeData data = MakeData(GetParam(), 4);
    std::size_t nPoints = 0;
    for (int n : GetParam())
        nPoints += static_cast<std::size_t>(n);
    const std::size_t nCurves = GetParam().size();

    WriteExchangeData("wb.mat", data, EExchangeTrailer::CurveWords);
    WriteExchangeData("en.mat", data, EExchangeTrailer::ErrorsAgain);
    const std::size_t nCore = 12 + nCurves * 4 + 56 * nPoints + 8 + 8 * 4 + 16;
    EXPECT_EQ(FileBytes("wb.mat").size(), nCore + 4 * nCurves);
    EXPECT_EQ(FileBytes("en.mat").size(), nCore + 16);
    EXPECT_EQ(ExchangeFileSize(data, EExchangeTrailer::CurveWords), nCore + 4 * nCurves);
    EXPECT_EQ(ExchangeFileSize(data, EExchangeTrailer::ErrorsAgain), nCore + 16);

    const CExchangeLimits limits;
    EXPECT_TRUE(SameData(ReadExchangeData("wb.mat", limits), data));
    EXPECT_TRUE(SameData(ReadExchangeData("en.mat", limits), data));
}

// The workbench's sections follow its trailer: fields 1..9 and the trailer are the bytes of
// the file without them (what a reader that stops after field 9 sees, as the engine and an
// older Vornel do), they read back as written, and the engine's trailer carries none.
TEST_F(ScratchTest, ExchangeSectionsFollowTheTrailerAndReadBack) {
    CExchangeData data = MakeData({3, 2}, 4);
    WriteExchangeData("plain.mat", data, EExchangeTrailer::CurveWords);
    data.m_aSections = {{"confidence", "status 0\npoints 5\n"}, {"notes", std::string("a\0b", 3)}};
    WriteExchangeData("sections.mat", data, EExchangeTrailer::CurveWords);
    WriteExchangeData("engine.mat", data, EExchangeTrailer::ErrorsAgain);
    const std::vector<unsigned char> aPlain = FileBytes("plain.mat");
    const std::vector<unsigned char> aSections = FileBytes("sections.mat");
    ASSERT_GT(aSections.size(), aPlain.size());
    EXPECT_TRUE(std::equal(aPlain.begin(), aPlain.end(), aSections.begin()));
    EXPECT_EQ(ExchangeFileSize(data, EExchangeTrailer::CurveWords), aSections.size());
    EXPECT_EQ(ReadExchangeData("sections.mat", CExchangeLimits{}).m_aSections, data.m_aSections);
    EXPECT_TRUE(ReadExchangeData("engine.mat", CExchangeLimits{}).m_aSections.empty());
    EXPECT_TRUE(ReadExchangeData("plain.mat", CExchangeLimits{}).m_aSections.empty());

    // The engine's file of one curve whose errors' bytes spell the mark reads as it was written.
    CExchangeData one = MakeData({3}, 4);
    const std::int32_t nOneSection = 1;
    std::memcpy(reinterpret_cast<char*>(&one.m_dErrorSr) + 4, "VORN", 4);
    std::memcpy(&one.m_dErrorMax, "ELSX", 4);
    std::memcpy(reinterpret_cast<char*>(&one.m_dErrorMax) + 4, &nOneSection, 4);
    WriteExchangeData("engine1.mat", one, EExchangeTrailer::ErrorsAgain);
    const CExchangeData back = ReadExchangeData("engine1.mat", CExchangeLimits{});
    EXPECT_TRUE(back.m_aSections.empty());
    EXPECT_EQ(std::memcmp(&back.m_dErrorSr, &one.m_dErrorSr, 8), 0);
}

// Records that lie strided, unaligned and in another order of values (as the workbench's
// curve points and the engine's point table hold them) are written in file order, and a
// scratch write replacing an older file gives the same bytes as the plain writer; the
// image parses back to the same data in place.
TEST_P(ExchangeLayout, RecordsInAnyLayoutWriteAndParseTheSameBytes) {
    const CExchangeData data = MakeData(GetParam(), 4);
    WriteExchangeData("packed.mat", data, EExchangeTrailer::ErrorsAgain);

    // Values in reverse order, 61 bytes a record, starting 3 bytes into the storage.
    const CRecordLayout layout{61, {51, 43, 35, 27, 19, 11, 3}};
    std::vector<std::vector<unsigned char>> aStorage;
    CExchangeView view = ViewOf(data);
    for (std::size_t i = 0; i < data.m_aCurves.size(); ++i) {
        const auto& aPoints = data.m_aCurves[i].m_aPoints;
        std::vector<unsigned char>& aBytes = aStorage.emplace_back(layout.m_nStride * aPoints.size() + 1, 0xAB);
        for (std::size_t j = 0; j < aPoints.size(); ++j) {
            double aValues[7];
            std::memcpy(aValues, &aPoints[j], sizeof aValues);
            for (std::size_t v = 0; v < 7; ++v)
                std::memcpy(aBytes.data() + j * layout.m_nStride + layout.m_aOffset[v], &aValues[v], sizeof(double));
        }
        view.m_aCurves[i] = {aBytes.data(), layout, static_cast<std::int32_t>(aPoints.size())};
    }
    WriteExchangeData("scratch.mat", MakeData({5}, 1), EExchangeTrailer::CurveWords);
    WriteExchangeView("scratch.mat", view, EExchangeTrailer::ErrorsAgain, EExchangeReplace::RemoveFirst);
    const std::vector<unsigned char> aBytes = FileBytes("scratch.mat");
    EXPECT_EQ(aBytes, FileBytes("packed.mat"));
    EXPECT_EQ(aBytes.size(), ExchangeFileSize(view, EExchangeTrailer::ErrorsAgain));

    const CExchangeView parsed = ParseExchangeImage(aBytes.data(), aBytes.size(), "scratch.mat", CExchangeLimits{});
    EXPECT_TRUE(SameData(DataOf(parsed), data));
    for (const CRecordBlock& block : parsed.m_aCurves) {
        EXPECT_TRUE(block.m_layout.IsFileLayout());
        if (block.m_nPoints > 0) {
            EXPECT_GE(block.m_pFirst, aBytes.data());
            EXPECT_LE(block.m_pFirst + block.m_nPoints * sizeof(CExchangePoint), aBytes.data() + aBytes.size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(CurveSizes, ExchangeLayout,
                         ::testing::Values(std::vector<int>{}, std::vector<int>{0}, std::vector<int>{1},
                                           std::vector<int>{30, 30}, std::vector<int>{120, 0, 45, 7},
                                           std::vector<int>(200, 3)));

// Tests that work in a fresh scratch folder.
class ExchangeFile : public ScratchTest {};

TEST_F(ExchangeFile, EmptyMaterialIsThirtySixBytesInFieldOrder) {
    CExchangeData data;
    WriteExchangeData("empty.mat", data, EExchangeTrailer::CurveWords);
    const auto aBytes = FileBytes("empty.mat");
    ASSERT_EQ(aBytes.size(), 36u);
    EXPECT_EQ(std::vector<unsigned char>(aBytes.begin(), aBytes.begin() + 20), std::vector<unsigned char>(20, 0));
}

TEST_F(ExchangeFile, FieldsStandInFileOrder) {
    CExchangeData data = MakeData({1}, 1);
    WriteExchangeData("one.mat", data, EExchangeTrailer::CurveWords);
    const auto a = FileBytes("one.mat");
    auto intAt = [&](std::size_t off) { std::int32_t n; std::memcpy(&n, &a[off], 4); return n; };
    auto dblAt = [&](std::size_t off) { double d; std::memcpy(&d, &a[off], 8); return d; };
    EXPECT_EQ(intAt(0), 1);  // prepared
    EXPECT_EQ(intAt(4), 1);  // curves
    EXPECT_EQ(intAt(8), 1);  // total points
    EXPECT_EQ(intAt(12), 1); // points of curve 1
    const CExchangePoint& p = data.m_aCurves[0].m_aPoints[0];
    EXPECT_EQ(dblAt(16), p.m_dStrain);
    EXPECT_EQ(dblAt(24), p.m_dRate);
    EXPECT_EQ(dblAt(32), p.m_dAux);
    EXPECT_EQ(dblAt(40), p.m_dTemp);
    EXPECT_EQ(dblAt(48), p.m_dTime);
    EXPECT_EQ(dblAt(56), p.m_dFitStress);
    EXPECT_EQ(dblAt(64), p.m_dStress);
    EXPECT_EQ(intAt(72), 9); // function
    EXPECT_EQ(intAt(76), 1); // coefficient count
    EXPECT_EQ(dblAt(80), 1.0 / 3);
    EXPECT_EQ(dblAt(88), 2.5);
    EXPECT_EQ(dblAt(96), 7.25);
    EXPECT_EQ(intAt(104), 0); // trailer word
    EXPECT_EQ(a.size(), 108u);
}

struct SMalformed {
    const char* m_szName;
    CRawFile m_file;
    const char* m_szExpected; // part of the message naming the field
};

void PrintTo(const SMalformed& p, std::ostream* os) { *os << p.m_szName; }

class MalformedExchange : public ScratchTest, public ::testing::WithParamInterface<SMalformed> {};

TEST_P(MalformedExchange, IsRefusedNamingFileAndField) {
    GetParam().m_file.Save("bad.mat");
    try {
        (void)ReadExchangeData("bad.mat", CExchangeLimits{});
        FAIL() << "accepted a malformed file";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "bad.mat");
        EXPECT_NE(std::string(e.what()).find("bad.mat"), std::string::npos);
        EXPECT_NE(e.Reason().find(GetParam().m_szExpected), std::string::npos) << e.what();
    }
}

static CRawFile Tail(CRawFile f) { return f.Int(0).Int(0).Dbl(0).Dbl(0); }

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedExchange,
    ::testing::Values(
        SMalformed{"NegativeCurveCount", Tail(CRawFile().Int(0).Int(-1).Int(0)), "curve count is negative"},
        SMalformed{"TooManyCurves", Tail(CRawFile().Int(0).Int(201).Int(0)), "exceeds the limit of 200"},
        SMalformed{"NegativeTotal", Tail(CRawFile().Int(0).Int(0).Int(-5)), "total point count is negative"},
        SMalformed{"NegativePointCount", Tail(CRawFile().Int(0).Int(1).Int(0).Int(-3)), "point count of curve 1"},
        SMalformed{"TotalNotTheSum", Tail(CRawFile().Int(0).Int(1).Int(2).Int(0)), "differs from the sum"},
        SMalformed{"TooManyCoefficients", CRawFile().Int(0).Int(0).Int(0).Int(0).Int(101), "exceeds the limit of 100"},
        SMalformed{"NegativeCoefficients", CRawFile().Int(0).Int(0).Int(0).Int(0).Int(-1), "coefficient count is negative"},
        SMalformed{"TruncatedHeader", CRawFile().Int(0).Int(0), "ends inside total point count"},
        SMalformed{"TruncatedPoints", CRawFile().Int(0).Int(1).Int(2).Int(2).Dbl(1).Dbl(2), "points of curve 1"},
        SMalformed{"HugePointCount", CRawFile().Int(0).Int(1).Int(2147483647).Int(2147483647), "points of curve 1"},
        SMalformed{"TruncatedCoefficients", CRawFile().Int(0).Int(0).Int(0).Int(0).Int(3).Dbl(1), "coefficients"},
        SMalformed{"MissingErrorMax", CRawFile().Int(0).Int(0).Int(0).Int(0).Int(0).Dbl(1), "ErrorMax"},
        SMalformed{"SectionCutShort", Tail(CRawFile().Int(0).Int(0).Int(0)).Put("VORNELSX", 8).Int(1).Int(4).Put("conf", 4).Int(99),
                   "the text of section 1 (conf) is cut short"},
        SMalformed{"SectionNameTooLong", Tail(CRawFile().Int(0).Int(0).Int(0)).Put("VORNELSX", 8).Int(1).Int(65),
                   "name length of section 1 65 exceeds the limit of 64"}),
    [](const auto& info) { return std::string(info.param.m_szName); });

TEST_F(ExchangeFile, MissingFileIsAFileError) {
    try {
        (void)ReadExchangeData("absent.mat", CExchangeLimits{});
        FAIL();
    } catch (const CFileError& e) {
        EXPECT_NE(e.Reason().find("cannot open"), std::string::npos);
    }
}

TEST_F(ExchangeFile, EngineLimitOfFiftySixCoefficients) {
    CExchangeData data = MakeData({2}, 57);
    WriteExchangeData("many.mat", data, EExchangeTrailer::ErrorsAgain);
    EXPECT_NO_THROW((void)ReadExchangeData("many.mat", CExchangeLimits{200, 100}));
    EXPECT_THROW((void)ReadExchangeData("many.mat", CExchangeLimits{200, 56}), CFileError);
}

TEST_F(ExchangeFile, FailedWriteLeavesTheOldFileAndNoLeftovers) {
    WriteExchangeData("keep.mat", MakeData({3}, 2), EExchangeTrailer::CurveWords);
    const auto aBefore = FileBytes("keep.mat");
    {
        CBinaryFile file("keep.mat");
        const std::int32_t nValue = 42;
        file.Write(&nValue, sizeof nValue);
        // destroyed without Close(): the write is abandoned
    }
    EXPECT_EQ(FileBytes("keep.mat"), aBefore);
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        nFiles += entry.is_regular_file();
    EXPECT_EQ(nFiles, 1);
}

TEST_F(ExchangeFile, WriteIntoMissingFolderIsAFileError) {
    EXPECT_THROW(WriteExchangeData("no/such/folder/x.mat", MakeData({1}, 1), EExchangeTrailer::CurveWords), CFileError);
}

TEST_F(ExchangeFile, WriteKeepsThePermissionsOfTheReplacedFile) {
    WriteExchangeData("perm.mat", MakeData({1}, 1), EExchangeTrailer::CurveWords);
    std::filesystem::permissions("perm.mat", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                                 std::filesystem::perms::group_read);
    WriteExchangeData("perm.mat", MakeData({2}, 1), EExchangeTrailer::CurveWords);
    const auto perms = std::filesystem::status("perm.mat").permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
}

// More records in another layout than one staging buffer holds are written in full and in
// order.
TEST_F(ExchangeFile, StagedRecordsBeyondOneBufferAreWrittenInFull) {
    const int nPoints = static_cast<int>(2 * kStagingBytes / sizeof(CExchangePoint)) + 7;
    const CExchangeData data = MakeData({nPoints, 3, nPoints}, 2);
    const CRecordLayout layout{sizeof(CExchangePoint) + 8, {0, 8, 16, 24, 32, 40, 48}};
    std::vector<std::vector<unsigned char>> aStorage;
    CExchangeView view = ViewOf(data);
    for (std::size_t i = 0; i < data.m_aCurves.size(); ++i) {
        const auto& aPoints = data.m_aCurves[i].m_aPoints;
        std::vector<unsigned char>& aBytes = aStorage.emplace_back(layout.m_nStride * aPoints.size());
        for (std::size_t j = 0; j < aPoints.size(); ++j)
            std::memcpy(aBytes.data() + j * layout.m_nStride, &aPoints[j], sizeof(CExchangePoint));
        view.m_aCurves[i] = {aBytes.data(), layout, static_cast<std::int32_t>(aPoints.size())};
    }
    WriteExchangeView("staged.mat", view, EExchangeTrailer::CurveWords);
    WriteExchangeData("packed.mat", data, EExchangeTrailer::CurveWords);
    EXPECT_EQ(FileBytes("staged.mat"), FileBytes("packed.mat"));
}

// More curves than one gathered write takes pieces (two a curve, 1024 a call).
TEST_F(ExchangeFile, ManyCurvesAreWrittenInFull) {
    const CExchangeData data = MakeData(std::vector<int>(700, 2), 3);
    WriteExchangeData("many.mat", data, EExchangeTrailer::CurveWords);
    EXPECT_EQ(FileBytes("many.mat").size(), ExchangeFileSize(data, EExchangeTrailer::CurveWords));
    EXPECT_TRUE(SameData(ReadExchangeData("many.mat", CExchangeLimits{700, 100}), data));
}

TEST_F(ExchangeFile, ScratchWriteOverAFolderFailsAndLeavesIt) {
    std::filesystem::create_directory("temp.mat");
    EXPECT_THROW(WriteExchangeView("temp.mat", ViewOf(MakeData({2}, 1)), EExchangeTrailer::ErrorsAgain,
                                   EExchangeReplace::RemoveFirst),
                 CFileError);
    EXPECT_TRUE(std::filesystem::is_directory("temp.mat"));
    int nEntries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("."))
        ++nEntries;
    EXPECT_EQ(nEntries, 1); // no temporary file left behind
}

TEST(ByteBuffer, SizesWithoutFillingAndMapsLargeStorageOnHugePageBoundaries) {
    CByteBuffer buffer;
    buffer.Resize(1000);
    EXPECT_EQ(buffer.Size(), 1000u);
    EXPECT_EQ(buffer.Capacity(), 1000u);
    unsigned char* pSmall = buffer.Data();
    buffer.Resize(10); // kept storage
    EXPECT_EQ(buffer.Data(), pSmall);
    EXPECT_EQ(buffer.Size(), 10u);

    const std::size_t nLarge = 3 * CByteBuffer::kHugeBytes + 5;
    buffer.Resize(nLarge);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % CByteBuffer::kHugeBytes, 0u);
    EXPECT_EQ(buffer.Capacity() % CByteBuffer::kHugeBytes, 0u);
    EXPECT_GE(buffer.Capacity(), nLarge);
    std::memset(buffer.Data(), 0x5A, nLarge); // all of it is writable
    buffer.Shrink(7);
    EXPECT_EQ(buffer.Size(), 7u);
    EXPECT_EQ(buffer.Data()[6], 0x5A);

    CByteBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.Size(), 7u);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Capacity(), 0u);
    moved.Release();
    EXPECT_EQ(moved.Capacity(), 0u);
}

TEST_F(ExchangeFile, FileBytesFillAReusedBufferOrLeaveItEmpty) {
    WriteExchangeData("a.mat", MakeData({40, 3}, 2), EExchangeTrailer::CurveWords);
    WriteExchangeData("b.mat", MakeData({1}, 1), EExchangeTrailer::CurveWords);
    CByteBuffer buffer;
    ReadFileBytes("a.mat", buffer);
    EXPECT_EQ(std::vector<unsigned char>(buffer.Data(), buffer.Data() + buffer.Size()), FileBytes("a.mat"));
    const unsigned char* pStorage = buffer.Data();
    ReadFileBytes("b.mat", buffer);
    EXPECT_EQ(buffer.Data(), pStorage);
    EXPECT_EQ(std::vector<unsigned char>(buffer.Data(), buffer.Data() + buffer.Size()), FileBytes("b.mat"));

    EXPECT_THROW(ReadFileBytes("absent.mat", buffer), CFileError);
    EXPECT_EQ(buffer.Size(), 0u);
    std::filesystem::create_directory("folder.mat");
    try {
        ReadFileBytes("folder.mat", buffer);
        FAIL() << "read a folder";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), "folder.mat");
        EXPECT_NE(e.Reason().find("not a regular file"), std::string::npos);
    }
    EXPECT_EQ(buffer.Size(), 0u);
}
