#include "formats/ExchangeFile.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kPointBytes = sizeof(CExchangePoint);

template <class Curves>
std::int64_t SumOfCounts(const Curves& aCurves) {
    std::int64_t nTotal = 0;
    for (const auto& curve : aCurves) {
        if constexpr (requires { curve.m_nPoints; })
            nTotal += curve.m_nPoints;
        else
            nTotal += static_cast<std::int64_t>(curve.m_aPoints.size());
    }
    return nTotal;
}

// Reading position in a file image; every step names the item it wanted.
class CImageCursor {
public:
    CImageCursor(const unsigned char* pBytes, std::size_t nBytes, const std::string& strPath)
        : m_p(pBytes), m_n(nBytes), m_strPath(strPath) {}

    [[noreturn]] void Refuse(const std::string& strReason) const { throw CFileError(m_strPath, strReason); }

    std::size_t Remaining() const { return m_n - m_nPos; }

    const unsigned char* Skip(std::size_t nBytes, const std::string& strItem) {
        if (nBytes > Remaining())
            Refuse("the file ends inside " + strItem + " (it is shorter than its counts announce)");
        const unsigned char* pAt = m_p + m_nPos;
        m_nPos += nBytes;
        return pAt;
    }
    std::int32_t Int32(const std::string& strItem) {
        std::int32_t n;
        std::memcpy(&n, Skip(sizeof n, strItem), sizeof n);
        return n;
    }
    double Double(const char* szItem) {
        double d;
        std::memcpy(&d, Skip(sizeof d, szItem), sizeof d);
        return d;
    }
    // A count in 0..nMax.
    std::int32_t Count(const std::string& strField, std::int32_t nMax) {
        const std::int32_t nValue = Int32(strField);
        if (nValue < 0)
            Refuse("the " + strField + " is negative (" + std::to_string(nValue) + ")");
        if (nValue > nMax)
            Refuse("the " + strField + " " + std::to_string(nValue) + " exceeds the limit of " +
                   std::to_string(nMax));
        return nValue;
    }

private:
    const unsigned char* m_p;
    std::size_t m_n;
    std::size_t m_nPos = 0;
    const std::string& m_strPath;
};

template <class T>
void Append(std::vector<unsigned char>& aBytes, const T& value) {
    const auto* p = reinterpret_cast<const unsigned char*>(&value);
    aBytes.insert(aBytes.end(), p, p + sizeof value);
}

constexpr char kSectionMark[8] = {'V', 'O', 'R', 'N', 'E', 'L', 'S', 'X'};

// The sections after the workbench's trailer of nCurves words, when the mark follows it.
std::vector<CExchangeSection> ParseSections(CImageCursor& cursor, std::size_t nCurves) {
    std::vector<CExchangeSection> aSections;
    if (cursor.Remaining() < 4 * nCurves + sizeof kSectionMark)
        return aSections;
    cursor.Skip(4 * nCurves, "the trailer");
    if (std::memcmp(cursor.Skip(sizeof kSectionMark, "the sections' mark"), kSectionMark, sizeof kSectionMark) != 0)
        return aSections;
    const std::int32_t nSections = cursor.Count("section count", kMaxSections);
    for (std::int32_t i = 0; i < nSections; ++i) {
        const std::string strSection = "section " + std::to_string(i + 1);
        const std::int32_t nName = cursor.Count("name length of " + strSection, static_cast<std::int32_t>(kMaxSectionName));
        CExchangeSection section;
        const unsigned char* pName = cursor.Skip(static_cast<std::size_t>(nName), "the name of " + strSection);
        section.m_strName.assign(reinterpret_cast<const char*>(pName), static_cast<std::size_t>(nName));
        const std::int32_t nText = cursor.Int32("text length of " + strSection);
        if (nText < 0 || static_cast<std::size_t>(nText) > cursor.Remaining())
            cursor.Refuse("the text of " + strSection + " (" + section.m_strName + ") is cut short");
        const unsigned char* pText = cursor.Skip(static_cast<std::size_t>(nText), "the text of " + strSection);
        section.m_strText.assign(reinterpret_cast<const char*>(pText), static_cast<std::size_t>(nText));
        aSections.push_back(std::move(section));
    }
    return aSections;
}

// The sections as they follow the trailer: the mark, the count, each name and text.
void AppendSections(std::vector<unsigned char>& aTail, const std::vector<CExchangeSection>& aSections) {
    aTail.insert(aTail.end(), kSectionMark, kSectionMark + sizeof kSectionMark);
    Append(aTail, static_cast<std::int32_t>(aSections.size()));
    for (const CExchangeSection& section : aSections) {
        Append(aTail, static_cast<std::int32_t>(section.m_strName.size()));
        aTail.insert(aTail.end(), section.m_strName.begin(), section.m_strName.end());
        Append(aTail, static_cast<std::int32_t>(section.m_strText.size()));
        aTail.insert(aTail.end(), section.m_strText.begin(), section.m_strText.end());
    }
}

} // namespace

std::int64_t CExchangeData::TotalPoints() const { return SumOfCounts(m_aCurves); }

std::int64_t CExchangeView::TotalPoints() const { return SumOfCounts(m_aCurves); }

CExchangeView ParseExchangeImage(const unsigned char* pBytes, std::size_t nBytes, const std::string& strPath,
                                 const CExchangeLimits& limits) {
    CImageCursor cursor(pBytes, nBytes, strPath);
    CExchangeView view;
    view.m_nPrepared = cursor.Int32("prepared flag");
    const std::int32_t nCurves = cursor.Count("curve count", limits.m_nMaxCurves);
    const std::int32_t nTotal = cursor.Int32("total point count");
    if (nTotal < 0)
        cursor.Refuse("the total point count is negative (" + std::to_string(nTotal) + ")");

    view.m_aCurves.resize(static_cast<std::size_t>(nCurves));
    for (std::int32_t i = 0; i < nCurves; ++i) {
        const std::string strCurve = "curve " + std::to_string(i + 1);
        const std::int32_t n = cursor.Int32("point count of " + strCurve);
        if (n < 0)
            cursor.Refuse("the point count of " + strCurve + " is negative (" + std::to_string(n) + ")");
        if (static_cast<std::size_t>(n) > cursor.Remaining() / kPointBytes)
            cursor.Refuse("the file ends inside the points of " + strCurve + ", which announces " + std::to_string(n) +
                          " points");
        CRecordBlock& block = view.m_aCurves[static_cast<std::size_t>(i)];
        block.m_pFirst = cursor.Skip(static_cast<std::size_t>(n) * kPointBytes, "the point records");
        block.m_nPoints = n;
    }
    if (view.TotalPoints() != nTotal)
        cursor.Refuse("the total point count " + std::to_string(nTotal) + " differs from the sum of the curve counts " +
                      std::to_string(view.TotalPoints()));

    view.m_nFunction = cursor.Int32("function number");
    view.m_nCoef = cursor.Count("coefficient count", limits.m_nMaxCoef);
    view.m_pCoef = cursor.Skip(static_cast<std::size_t>(view.m_nCoef) * sizeof(double), "the coefficients");
    const unsigned char* pErrors = cursor.Skip(0, "the errors");
    view.m_dErrorSr = cursor.Double("ErrorSr");
    view.m_dErrorMax = cursor.Double("ErrorMax");
    // The engine's trailer repeats the two errors; the section mark is looked for only after
    // the workbench's, since the errors' bytes may spell the mark in a file of one curve.
    const bool bEngineTrailer = cursor.Remaining() == 16 && std::memcmp(cursor.Skip(0, "the trailer"), pErrors, 16) == 0;
    if (!bEngineTrailer)
        view.m_aSections = ParseSections(cursor, static_cast<std::size_t>(nCurves));
    return view;
}

CExchangeView ReadExchangeView(const std::string& strPath, const CExchangeLimits& limits, CByteBuffer& buffer) {
    ReadFileBytes(strPath, buffer);
    return ParseExchangeImage(buffer.Data(), buffer.Size(), strPath, limits);
}

CExchangeView ViewOf(const CExchangeData& data) {
    CExchangeView view;
    view.m_nPrepared = data.m_nPrepared;
    view.m_aCurves.reserve(data.m_aCurves.size());
    for (const CExchangeCurve& curve : data.m_aCurves)
        view.m_aCurves.push_back({reinterpret_cast<const unsigned char*>(curve.m_aPoints.data()), CRecordLayout{},
                                  static_cast<std::int32_t>(curve.m_aPoints.size())});
    view.m_nFunction = data.m_nFunction;
    view.m_pCoef = reinterpret_cast<const unsigned char*>(data.m_aCoef.data());
    view.m_nCoef = static_cast<std::int32_t>(data.m_aCoef.size());
    view.m_dErrorSr = data.m_dErrorSr;
    view.m_dErrorMax = data.m_dErrorMax;
    view.m_aSections = data.m_aSections;
    return view;
}

CExchangeData DataOf(const CExchangeView& view) {
    CExchangeData data;
    data.m_nPrepared = view.m_nPrepared;
    data.m_aCurves.resize(view.m_aCurves.size());
    for (std::size_t i = 0; i < view.m_aCurves.size(); ++i) {
        const CRecordBlock& block = view.m_aCurves[i];
        std::vector<CExchangePoint>& aPoints = data.m_aCurves[i].m_aPoints;
        aPoints.reserve(static_cast<std::size_t>(block.m_nPoints));
        for (std::size_t j = 0; j < static_cast<std::size_t>(block.m_nPoints); ++j)
            aPoints.push_back(block.Point(j));
    }
    data.m_nFunction = view.m_nFunction;
    data.m_aCoef.reserve(static_cast<std::size_t>(view.m_nCoef));
    for (std::size_t k = 0; k < static_cast<std::size_t>(view.m_nCoef); ++k)
        data.m_aCoef.push_back(view.Coef(k));
    data.m_dErrorSr = view.m_dErrorSr;
    data.m_dErrorMax = view.m_dErrorMax;
    data.m_aSections = view.m_aSections;
    return data;
}

CExchangeData ReadExchangeData(const std::string& strPath, const CExchangeLimits& limits) {
    CByteBuffer buffer;
    return DataOf(ReadExchangeView(strPath, limits, buffer));
}

std::size_t ExchangeFileSize(const CExchangeView& view, EExchangeTrailer eTrailer) {
    const std::size_t nCurves = view.m_aCurves.size();
    std::size_t nBytes = 12 + nCurves * 4 + static_cast<std::size_t>(view.TotalPoints()) * kPointBytes + 8 +
                         8 * static_cast<std::size_t>(view.m_nCoef) + 16;
    nBytes += eTrailer == EExchangeTrailer::CurveWords ? 4 * nCurves : 16;
    if (eTrailer == EExchangeTrailer::CurveWords && !view.m_aSections.empty()) {
        nBytes += 8 + 4;
        for (const CExchangeSection& section : view.m_aSections)
            nBytes += 8 + section.m_strName.size() + section.m_strText.size();
    }
    return nBytes;
}

std::size_t ExchangeFileSize(const CExchangeData& data, EExchangeTrailer eTrailer) {
    return ExchangeFileSize(ViewOf(data), eTrailer);
}

namespace {

// Pieces of a file written with gathered writes; records in another layout than the file's
// are put into file order in a staging buffer of kStagingBytes, and everything gathered is
// written whenever it fills.
class CGatheredWrite {
public:
    explicit CGatheredWrite(CBinaryFile& file) : m_file(file) {}

    // A piece that stays where it is until the next Flush().
    void Add(const void* p, std::size_t n) { m_aPieces.push_back({p, n}); }

    // The records of block in file order.
    void AddRecords(const CRecordBlock& block) {
        const auto n = static_cast<std::size_t>(block.m_nPoints);
        const CRecordLayout& layout = block.m_layout;
        if (layout.IsFileLayout()) {
            Add(block.m_pFirst, n * kPointBytes);
            return;
        }
        const std::array<std::size_t, 7> aOffset = layout.m_aOffset;
        for (std::size_t j = 0; j < n;) {
            if (m_nStaged + kPointBytes > m_staging.Size())
                Flush();
            const std::size_t nTake = std::min(n - j, (m_staging.Size() - m_nStaged) / kPointBytes);
            unsigned char* pOut = m_staging.Data() + m_nStaged;
            const unsigned char* pIn = block.m_pFirst + j * layout.m_nStride;
            for (std::size_t k = 0; k < nTake; ++k, pIn += layout.m_nStride)
                for (std::size_t v = 0; v < 7; ++v)
                    std::memcpy(pOut + k * kPointBytes + v * sizeof(double), pIn + aOffset[v], sizeof(double));
            Add(pOut, nTake * kPointBytes);
            m_nStaged += nTake * kPointBytes;
            j += nTake;
        }
    }

    void Flush() {
        m_file.WritePieces(m_aPieces);
        m_aPieces.clear();
        m_nStaged = 0;
    }

private:
    CBinaryFile& m_file;
    std::vector<CBytes> m_aPieces;
    CByteBuffer& m_staging = Staging();
    std::size_t m_nStaged = 0;

    // One staging buffer a thread, kept from file to file.
    static CByteBuffer& Staging() {
        thread_local CByteBuffer s_staging;
        s_staging.Resize(kStagingBytes);
        return s_staging;
    }
};

} // namespace

void WriteExchangeView(const std::string& strPath, const CExchangeView& view, EExchangeTrailer eTrailer,
                       EExchangeReplace eReplace) {
    const std::size_t nCurves = view.m_aCurves.size();
    const std::int64_t nTotal = view.TotalPoints();
    if (nCurves > static_cast<std::size_t>(INT32_MAX) || nTotal > INT32_MAX)
        throw CFileError(strPath, "not written: the data hold more curves or points than the file's counts can tell");

    std::vector<std::int32_t> aCounts(nCurves);
    const std::int32_t aHeader[3] = {view.m_nPrepared, static_cast<std::int32_t>(nCurves),
                                     static_cast<std::int32_t>(nTotal)};
    std::vector<unsigned char> aTail;
    aTail.reserve(8 + 8 * static_cast<std::size_t>(view.m_nCoef) + 32 + 4 * nCurves);
    Append(aTail, view.m_nFunction);
    Append(aTail, view.m_nCoef);
    if (view.m_nCoef > 0)
        aTail.insert(aTail.end(), view.m_pCoef, view.m_pCoef + static_cast<std::size_t>(view.m_nCoef) * sizeof(double));
    Append(aTail, view.m_dErrorSr);
    Append(aTail, view.m_dErrorMax);
    if (eTrailer == EExchangeTrailer::CurveWords) {
        aTail.resize(aTail.size() + 4 * nCurves, 0);
        if (!view.m_aSections.empty())
            AppendSections(aTail, view.m_aSections);
    } else {
        Append(aTail, view.m_dErrorSr);
        Append(aTail, view.m_dErrorMax);
    }

    CBinaryFile file(strPath, eReplace == EExchangeReplace::RemoveFirst ? CBinaryFile::EReplace::RemoveFirst
                                                                          : CBinaryFile::EReplace::Atomic);
    CGatheredWrite write(file);
    write.Add(aHeader, sizeof aHeader);
    for (std::size_t i = 0; i < nCurves; ++i) {
        aCounts[i] = view.m_aCurves[i].m_nPoints;
        write.Add(&aCounts[i], sizeof aCounts[i]);
        write.AddRecords(view.m_aCurves[i]);
    }
    write.Add(aTail.data(), aTail.size());
    write.Flush();
    file.Close();
}

void WriteExchangeData(const std::string& strPath, const CExchangeData& data, EExchangeTrailer eTrailer) {
    WriteExchangeView(strPath, ViewOf(data), eTrailer);
}
