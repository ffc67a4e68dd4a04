#include "vornel/document/Material.h"

#include "vornel/document/InputRanges.h"
#include "vornel/model/ModelCatalogue.h"

#include "formats/BinaryFile.h"
#include "formats/ExchangeFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <tuple>
#include <utility>
#include <filesystem>
#include <limits>
#include <stdexcept>

std::unique_ptr<CMaterial> g_pMaterial;

CMaterial::CMaterial() = default;
CMaterial::CMaterial(const CMaterial&) = default;
CMaterial::CMaterial(CMaterial&&) noexcept = default;
CMaterial& CMaterial::operator=(const CMaterial&) = default;
CMaterial& CMaterial::operator=(CMaterial&&) noexcept = default;
CMaterial::~CMaterial() = default;

std::string RateTempLabel(double dRate, double dTemp) {
    std::string strLabel = "H= ";
    AppendFixed(strLabel, dRate, 3, 5);
    strLabel += " Temp= ";
    AppendFixed(strLabel, dTemp, 1, 5);
    strLabel += ' ';
    return strLabel;
}

std::string CMaterial::WorkPath(const std::string& strName) const {
    const std::filesystem::path name(strName);
    if (m_strWorkFolder.empty() || name.is_absolute())
        return strName;
    return (std::filesystem::path(m_strWorkFolder) / name).string();
}

std::string CMaterial::FilePath(int nFlag) const { return WorkPath(nFlag == 0 ? kExchangeFileName : m_strFileName); }

int CMaterial::CountPoints() const {
    int nTotal = 0;
    for (int i = 0; i < m_nCurves; ++i)
        nTotal += Curve(i).PointCount();
    return nTotal;
}

namespace {

void CheckCount(const char* szWhat, std::size_t nCount, int nMax) {
    if (nCount > static_cast<std::size_t>(nMax))
        throw std::invalid_argument(std::string("the material holds at most ") + std::to_string(nMax) + " " + szWhat +
                                    ", not " + std::to_string(nCount));
}

void CheckCount(const char* szWhat, int nCount, int nMax) {
    if (nCount < 0)
        throw std::invalid_argument(std::string("the material's count of ") + szWhat + " is negative (" +
                                    std::to_string(nCount) + ")");
    CheckCount(szWhat, static_cast<std::size_t>(nCount), nMax);
}

} // namespace

namespace {

// Where a curve point's values lie, in the file's order of values.
const CRecordLayout kCurvePointLayout{
    sizeof(CCurvePoint),
    {offsetof(CCurvePoint, m_dStrain), offsetof(CCurvePoint, m_dRate), offsetof(CCurvePoint, m_dAux),
     offsetof(CCurvePoint, m_dTemp), offsetof(CCurvePoint, m_dTime), offsetof(CCurvePoint, m_dFitStress),
     offsetof(CCurvePoint, m_dStress)}};

} // namespace

namespace {

// The errors of the law of model nModel with coefficients pCoef over every point of the
// material, as model 19's fit forms them: ErrorSr sqrt(sum d^2 / N), ErrorMax max |d|.
std::pair<double, double> LawErrors(const CMaterial& material, int nModel, const double* pCoef) {
    double dSumSq = 0, dMax = 0;
    int nPoints = 0;
    for (int i = 0; i < material.m_nCurves; ++i)
        for (const CCurvePoint& p : material.Curve(i).m_pPoints) {
            const double d = EvaluateLawStress(nModel, pCoef, p.m_dStrain, p.m_dTemp, p.m_dRate) - p.m_dStress;
            dSumSq += d * d;
            dMax = std::max(dMax, std::fabs(d));
            ++nPoints;
        }
    return {nPoints > 0 ? std::sqrt(dSumSq / nPoints) : 0.0, dMax};
}

} // namespace

CExchangeView CMaterial::ExchangeView() const {
    CheckCount("curves", m_nCurves, kMaxExchangeCurves);
    CheckCount("coefficients", m_nCoef, kMaxCoef);
    CExchangeView view;
    view.m_nPrepared = m_nPrepared;
    view.m_aCurves.reserve(static_cast<std::size_t>(m_nCurves));
    for (int i = 0; i < m_nCurves; ++i) {
        const std::vector<CCurvePoint>& aPoints = Curve(i).m_pPoints;
        if (aPoints.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw std::invalid_argument("curve " + std::to_string(i + 1) + " holds more points than a file can count");
        view.m_aCurves.push_back({reinterpret_cast<const unsigned char*>(aPoints.data()), kCurvePointLayout,
                                  static_cast<std::int32_t>(aPoints.size())});
    }
    view.m_nFunction = m_nFunction;
    view.m_pCoef = reinterpret_cast<const unsigned char*>(m_dCoef.data());
    view.m_nCoef = m_nCoef;
    view.m_dErrorSr = m_dErrorSr;
    view.m_dErrorMax = m_dErrorMax;
    view.m_aSections = MaterialSections(*this);
    if (m_nCoef > kMaxFileCoef) {
        // The law goes whole into the section "law" (MaterialSections); fields 5..9 state the
        // law its first coefficients are (model 21's backbone, model 19's law) with that law's
        // errors, which a reader that does not know the section takes instead. The fitted
        // stresses of the points stay the law's own.
        const CModelInfo* pModel = FindModel(m_nFunction);
        const CModelInfo* pStated = pModel ? FindModel(pModel->m_nFileModel) : nullptr;
        view.m_nFunction = pStated ? pStated->m_nNumber : 0;
        view.m_nCoef = pStated ? pStated->m_nCoef : 0;
        std::tie(view.m_dErrorSr, view.m_dErrorMax) =
            pStated ? LawErrors(*this, pStated->m_nNumber, m_dCoef.data()) : std::pair<double, double>{0.0, 0.0};
    }
    return view;
}

namespace {

// Reads a view's record block as CCurvePoint values, for constructing a curve's array in
// place (each point copied once, nothing zero-filled first).
class CRecordIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CCurvePoint;
    using difference_type = std::ptrdiff_t;
    using pointer = const CCurvePoint*;
    using reference = CCurvePoint;

    CRecordIterator() = default;
    CRecordIterator(const CRecordBlock* pBlock, std::size_t j) : m_pBlock(pBlock), m_j(j) {}
    CCurvePoint operator*() const {
        const CExchangePoint record = m_pBlock->Point(m_j);
        CCurvePoint point;
        point.m_dStrain = record.m_dStrain;
        point.m_dRate = record.m_dRate;
        point.m_dAux = record.m_dAux;
        point.m_dTemp = record.m_dTemp;
        point.m_dTime = record.m_dTime;
        point.m_dFitStress = record.m_dFitStress;
        point.m_dStress = record.m_dStress;
        return point;
    }
    CRecordIterator& operator++() {
        ++m_j;
        return *this;
    }
    CRecordIterator operator++(int) {
        CRecordIterator old = *this;
        ++m_j;
        return old;
    }
    bool operator==(const CRecordIterator& other) const { return m_j == other.m_j; }

private:
    const CRecordBlock* m_pBlock = nullptr;
    std::size_t m_j = 0;
};

} // namespace

void CMaterial::TakeExchangeView(const CExchangeView& view) {
    CheckCount("curves", view.m_aCurves.size(), kMaxExchangeCurves);
    CheckCount("coefficients", view.m_nCoef, kMaxCoef);
    if (view.TotalPoints() > std::numeric_limits<int>::max())
        throw std::invalid_argument("the material holds more points than an int can count");
    // The new point arrays are built first, so a failure leaves the material as it was.
    const std::size_t nCurves = view.m_aCurves.size();
    std::vector<std::vector<CCurvePoint>> aNew(nCurves);
    for (std::size_t i = 0; i < nCurves; ++i) {
        const CRecordBlock& block = view.m_aCurves[i];
        aNew[i].assign(CRecordIterator(&block, 0), CRecordIterator(&block, static_cast<std::size_t>(block.m_nPoints)));
    }
    m_nPrepared = view.m_nPrepared;
    m_nCurves = static_cast<int>(nCurves);
    m_nPoints = static_cast<int>(view.TotalPoints());
    for (int i = 0; i < m_nCurves; ++i) {
        CCurve& curve = Curve(i);
        curve.m_pPoints = std::move(aNew[static_cast<std::size_t>(i)]);
        if (!curve.m_pPoints.empty()) {
            curve.m_dRate = curve.m_pPoints.back().m_dRate;
            curve.m_dTemp = curve.m_pPoints.back().m_dTemp;
            curve.m_strLabel = RateTempLabel(curve.m_dRate, curve.m_dTemp);
        }
    }
    m_nFunction = view.m_nFunction;
    m_nCoef = view.m_nCoef;
    for (std::size_t k = 0; k < static_cast<std::size_t>(m_nCoef); ++k)
        m_dCoef[k] = view.Coef(k);
    m_dErrorSr = view.m_dErrorSr;
    m_dErrorMax = view.m_dErrorMax;
}

CExchangeData CMaterial::ToExchangeData() const { return DataOf(ExchangeView()); }

void CMaterial::TakeExchangeData(const CExchangeData& data) {
    CheckCount("curves", data.m_aCurves.size(), kMaxExchangeCurves);
    CheckCount("coefficients", data.m_aCoef.size(), kMaxCoef);
    TakeExchangeView(ViewOf(data));
}

void CMaterial::WriteMaterialFile(int nFlag) const {
    // The exchange file is a scratch file rewritten around every engine call; the material
    // file is the user's and is replaced in one step.
    WriteExchangeView(FilePath(nFlag), ExchangeView(), EExchangeTrailer::CurveWords,
                      nFlag == 0 ? EExchangeReplace::RemoveFirst : EExchangeReplace::Atomic);
}

void CMaterial::ReadMaterialFile(int nFlag) {
    // The file's bytes land in a buffer kept for the next read (the exchange file is read
    // back after every engine call); a large one is given back.
    thread_local CByteBuffer s_buffer;
    const CReleaseIfLarger release(s_buffer, std::size_t{4} << 20);
    const std::string strPath = FilePath(nFlag);
    const CExchangeView view = ReadExchangeView(strPath, CExchangeLimits{kMaxExchangeCurves, kMaxFileCoef}, s_buffer);
    if (const CCheck check = CheckMaterialValues(view); !check.Ok())
        throw CFileError(strPath, check.m_strMessage + "; the material is not read");
    CMaterialSections sections; // read first, so that a failure changes nothing
    try {
        sections = ParseMaterialSections(view.m_aSections);
    } catch (const std::invalid_argument& e) {
        throw CFileError(strPath, std::string(e.what()) + "; the material is not read");
    }
    if (!sections.m_aLeftOut.empty() && sections.m_aLeftOut.back() > static_cast<int>(view.m_aCurves.size()))
        throw CFileError(strPath, "section left out names curve " + std::to_string(sections.m_aLeftOut.back()) +
                                      ", the file holds " + std::to_string(view.m_aCurves.size()) +
                                      "; the material is not read");
    TakeExchangeView(view);
    m_confidence = std::move(sections.m_confidence);
    // As the records: a file without the section (the engine's) leaves the marks.
    if (!sections.m_aLeftOut.empty())
        for (int i = 0; i < m_nCurves; ++i)
            Curve(i).m_bLeftOut = std::binary_search(sections.m_aLeftOut.begin(), sections.m_aLeftOut.end(), i + 1);
    // The records stay with their curves: a file without them (the engine's) leaves them.
    if (!sections.m_aPrep.empty())
        for (int i = 0; i < m_nCurves; ++i)
            Curve(i).m_strPrep = i < static_cast<int>(sections.m_aPrep.size()) ? sections.m_aPrep[static_cast<std::size_t>(i)] : "";
    if (sections.m_law) {
        // The law itself, in place of the one fields 5..9 state for other readers.
        m_nFunction = sections.m_law->m_nFunction;
        m_nCoef = static_cast<int>(sections.m_law->m_aCoef.size());
        std::copy(sections.m_law->m_aCoef.begin(), sections.m_law->m_aCoef.end(), m_dCoef.begin());
        m_dErrorSr = sections.m_law->m_dErrorSr;
        m_dErrorMax = sections.m_law->m_dErrorMax;
    }
}

CCheck CheckMaterialValues(const CExchangeView& view) {
    if (view.m_nPrepared != 0 && view.m_nPrepared != 1)
        return CCheck::Refuse("the prepared flag is " + std::to_string(view.m_nPrepared) + ", not 0 or 1");
    for (std::size_t i = 0; i < view.m_aCurves.size(); ++i) {
        const CRecordBlock& block = view.m_aCurves[i];
        const auto n = static_cast<std::size_t>(block.m_nPoints);
        const CExchangePoint last = n > 0 ? block.Point(n - 1) : CExchangePoint{};
        for (std::size_t j = 0; j < n; ++j) {
            const CExchangePoint p = block.Point(j);
            const std::string strWhere = "curve " + std::to_string(i + 1) + ", point " + std::to_string(j + 1) + ": ";
            if (const CConditionsProblem problem = FindConditionsProblem(p.m_dTemp, p.m_dRate);
                problem.m_eField != EConditionField::None)
                return CCheck::Refuse(strWhere + problem.m_strMessage);
            if (p.m_dTemp != last.m_dTemp || p.m_dRate != last.m_dRate)
                return CCheck::Refuse(strWhere + "its temperature and strain rate are not those of the curve's other "
                                                 "points (" + ShortestNumber(last.m_dTemp) + " deg C, " +
                                      ShortestNumber(last.m_dRate) + " 1/s)");
            const std::pair<const char*, double> aValues[] = {
                {"strain", p.m_dStrain}, {"stress", p.m_dStress}, {"fitted stress", p.m_dFitStress}};
            for (const auto& [szWhat, dValue] : aValues)
                if (!std::isfinite(dValue))
                    return CCheck::Refuse(strWhere + szWhat + " " + ShortestNumber(dValue) + " is not a finite number");
            if (p.m_dStrain < 0 || p.m_dStress < 0)
                return CCheck::Refuse(strWhere + (p.m_dStrain < 0 ? "strain " + ShortestNumber(p.m_dStrain)
                                                                  : "stress " + ShortestNumber(p.m_dStress)) +
                                      " is below 0");
        }
    }
    return {};
}

void CMaterial::ClearFit() {
    m_dCoef.fill(0.0);
    m_nCoef = 0;
    m_dErrorSr = 0;
    m_dErrorMax = 0;
    m_nSelectedCurve = 0;
    m_confidence.reset();
}

double CMaterial::Evaluate(double dStrain, double dTemp, double dRate) const {
    return EvaluateLawStress(m_nFunction, m_dCoef.data(), dStrain, dTemp, dRate);
}

int FirstMeasuredPoint(const CMaterial& material) { return material.m_nPrepared != 0 ? 1 : 0; }
