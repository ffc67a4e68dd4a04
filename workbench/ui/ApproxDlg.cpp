#include "ApproxDlg.h"
#include "vornel/session/History.h"

#include "Dialogs.h"
#include "FormulaPicture.h"
#include "KivView.h"

#include "vornel/run/RunMessages.h"
#include "vornel/fit/FitReport.h"
#include "vornel/document/Material.h"
#include "vornel/model/JohnsonCookLaw.h"
#include "vornel/model/ModelCatalogue.h"
#include "vornel/model/SplineLaw.h"
#include "vornel/session/Operations.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <cmath>

namespace {

// Ground of a poorly determined coefficient.
constexpr const char* kDoubtColour = "#ffd27f";

// Label and value field of A1..A10, dialog units: label x, y, field x, y.
struct SCoefPlace {
    int m_nLabelX, m_nLabelY, m_nFieldX, m_nFieldY;
    const char* m_szLabel;
};
constexpr std::array<SCoefPlace, CApproxDlg::kCoefFields> kCoefPlaces = {{
    {8, 48, 25, 46, "A1 = "},
    {8, 62, 25, 60, "A2 = "},
    {84, 48, 101, 46, "A3 = "},
    {84, 62, 101, 60, "A4 = "},
    {160, 48, 177, 46, "A5 = "},
    {160, 62, 177, 60, "A6 = "},
    {235, 48, 251, 46, "A7 = "},
    {235, 62, 251, 60, "A8 = "},
    {309, 48, 326, 46, "A9 = "},
    {307, 62, 326, 60, "A10= "},
}};

// Keeps the wait cursor up while a fit runs.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

QLineEdit* ValueField(QWidget* pParent) {
    auto* pField = new QLineEdit(pParent);
    pField->setReadOnly(true);
    return pField;
}

} // namespace

CApproxDlg::CApproxDlg(CKivView& view, QWidget* pParent) : QDialog(pParent), m_view(view) {
    setWindowTitle(QStringLiteral("Work window for data approximation"));
    m_askMeltTemperature = [this](double dSuggested) -> std::optional<double> {
        bool bOk = false;
        const double dMelt = QInputDialog::getDouble(
            this, QStringLiteral("Johnson-Cook law"),
            QStringLiteral("Melting temperature of the material (deg C), above the measured temperatures:"),
            dSuggested, -273.0, 5000.0, 1, &bOk);
        return bOk ? std::optional<double>(dMelt) : std::nullopt;
    };
    const CDialogUnits du(font());
    const auto place = [&](QWidget* pWidget, int x, int y, int w, int h) {
        pWidget->setGeometry(du.Rect(x, y, w, h));
        if (auto* pLabel = qobject_cast<QLabel*>(pWidget))
            pLabel->resize(std::max(pLabel->width(), pLabel->sizeHint().width()), pLabel->height());
        m_aPlaced.push_back({pWidget, pWidget->geometry(),
                             y >= 184 ? EGrowth::Ranking : y >= 108 ? EGrowth::Report : EGrowth::Fixed});
    };

    m_pPicture = new CFormulaPicture(this);
    place(m_pPicture, 2, 0, 381, 23);

    m_pModelList = new QComboBox(this);
    // Each entry carries its model's number, which the list's position need not be.
    for (const CModelInfo& model : ModelCatalogue())
        m_pModelList->addItem(QString::fromLatin1(model.m_szLabel), model.m_nNumber);
    m_pModelList->setMaxVisibleItems(static_cast<int>(ModelCatalogue().size()));
    place(m_pModelList, 2, 24, 231, 12);
    m_pCurveList = new QComboBox(this);
    place(m_pCurveList, 235, 24, 148, 12);

    place(new QGroupBox(QStringLiteral("Rezults of approximation"), this), 3, 37, 379, 69);
    for (int k = 0; k < kCoefFields; ++k) {
        const SCoefPlace& at = kCoefPlaces[static_cast<std::size_t>(k)];
        m_aCoefLabels[static_cast<std::size_t>(k)] = new QLabel(QString::fromLatin1(at.m_szLabel), this);
        place(m_aCoefLabels[static_cast<std::size_t>(k)], at.m_nLabelX, at.m_nLabelY, 16, 11);
    }
    for (int k = 0; k < kCoefFields; ++k) {
        const SCoefPlace& at = kCoefPlaces[static_cast<std::size_t>(k)];
        m_aCoefFields[static_cast<std::size_t>(k)] = ValueField(this);
        place(m_aCoefFields[static_cast<std::size_t>(k)], at.m_nFieldX, at.m_nFieldY, 54, 13);
    }
    place(new QLabel(QStringLiteral("ErrorSr="), this), 7, 78, 30, 11);
    m_pErrorSr = ValueField(this);
    place(m_pErrorSr, 38, 77, 72, 13);
    place(new QLabel(QStringLiteral("ErrorMax="), this), 118, 78, 34, 11);
    m_pErrorMax = ValueField(this);
    place(m_pErrorMax, 153, 77, 72, 13);

    m_pCalc = new QPushButton(QStringLiteral("Calc"), this);
    place(m_pCalc, 235, 76, 45, 15);
    m_pOptimization = new QPushButton(QStringLiteral("Optimization"), this);
    place(m_pOptimization, 283, 76, 46, 15);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(m_pCancel, 332, 76, 44, 14);
    for (QPushButton* pButton : {m_pCalc, m_pOptimization, m_pCancel}) {
        pButton->setAutoDefault(false);
        pButton->setStyleSheet(QStringLiteral("padding: 1px 2px;"));
    }
    m_pRefine = new QCheckBox(QStringLiteral("Refine"), this);
    m_pRefine->setToolTip(QStringLiteral("Refine models 9, 13, 14, 17 and 18, fitted on the logarithm of the stress,\n"
                                         "by least squares on the measured stresses; the Optimization also tries models 19\n"
                                         "and 21"));
    place(m_pRefine, 235, 93, 60, 10);

    // The fit report over the measured points.
    place(new QGroupBox(QStringLiteral("Fit report over the measured points"), this), 3, 108, 379, 74);
    m_pReportTabs = new QTabWidget(this);
    place(m_pReportTabs, 7, 117, 371, 63);
    m_pReport = new QTableWidget(0, 6);
    m_pReportTabs->addTab(m_pReport, QStringLiteral("Curves"));
    m_pCoefficients = new QTableWidget(0, 2);
    m_pReportTabs->addTab(m_pCoefficients, QStringLiteral("Coefficients"));
    m_pCoefficients->setHorizontalHeaderLabels({QStringLiteral("Value"), QStringLiteral("\u00b1 95 %")});
    m_pCoefficients->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pCoefficients->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pCoefficients->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pCoefficients->setSelectionMode(QAbstractItemView::NoSelection);
    m_pCoefficients->setFocusPolicy(Qt::NoFocus);
    m_pReport->setHorizontalHeaderLabels({QStringLiteral("t"), QStringLiteral("H"), QStringLiteral("RMS"),
                                          QStringLiteral("MARE, %"), QStringLiteral("MaxAbs"), QStringLiteral("at E")});
    m_pReport->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pReport->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pReport->setSelectionMode(QAbstractItemView::NoSelection);
    m_pReport->setFocusPolicy(Qt::NoFocus);

    // The Optimization's candidates and the ErrorMax (or RMS) each returned.
    m_pRanking = new QGroupBox(QStringLiteral("Optimization: ErrorMax of each candidate"), this);
    place(m_pRanking, 3, 184, 379, 44);
    m_pCandidates = new QTableWidget(1, static_cast<int>(kRefinedModelCandidates.size()), this);
    place(m_pCandidates, 7, 194, 371, 31);
    m_pCandidates->verticalHeader()->hide();
    m_pCandidates->setTextElideMode(Qt::ElideNone);
    m_pCandidates->setWordWrap(false);
    QFont small = m_pCandidates->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_pCandidates->setFont(small);
    for (int c = 0; c < static_cast<int>(kRefinedModelCandidates.size()); ++c) {
        const int nModel = kRefinedModelCandidates[static_cast<std::size_t>(c)];
        auto* pHeader = new QTableWidgetItem(QString::number(nModel));
        pHeader->setToolTip(QString::fromLatin1(FindModel(nModel)->m_szLabel));
        m_pCandidates->setHorizontalHeaderItem(c, pHeader);
        auto* pCell = new QTableWidgetItem(QString());
        pCell->setTextAlignment(Qt::AlignCenter);
        m_pCandidates->setItem(0, c, pCell);
    }
    m_pCandidates->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pCandidates->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pCandidates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pCandidates->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pCandidates->setFocusPolicy(Qt::ClickFocus);
    m_pUseLaw = new QPushButton(QStringLiteral("Use this law"), m_pRanking);
    m_pUseLaw->setAutoDefault(false);
    m_pUseLaw->setEnabled(false);
    m_pUseLaw->setToolTip(QStringLiteral("Make the selected candidate's law the material's (Edit > Undo takes it back)"));
    m_pUseLaw->setStyleSheet(QStringLiteral("padding: 0px 4px;"));
    connect(m_pUseLaw, &QPushButton::clicked, this, &CApproxDlg::OnUseLaw);
    connect(m_pCandidates, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> aSelected = m_pCandidates->selectedItems();
        OnCandidateChosen(aSelected.isEmpty() ? -1 : aSelected.front()->column());
    });
    m_pCandidates->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pCandidates->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The candidates beyond the fourteen are tried only with the refinement.
    const auto showCandidates = [this](bool bRefine) {
        for (int c = static_cast<int>(kBestModelCandidates.size()); c < m_pCandidates->columnCount(); ++c)
            m_pCandidates->setColumnHidden(c, !bRefine);
    };
    showCandidates(false);
    connect(m_pRefine, &QCheckBox::toggled, this, showCandidates);

    m_openingSize = du.Size(385, 230);
    setMinimumSize(m_openingSize);
    resize(m_openingSize);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    for (QLineEdit* pField : m_aCoefFields)
        pField->setContextMenuPolicy(Qt::NoContextMenu); // the window's own menu
    m_pCoefficients->setContextMenuPolicy(Qt::NoContextMenu);

    connect(m_pModelList, &QComboBox::activated, this, &CApproxDlg::OnModelChosen);
    connect(m_pCurveList, &QComboBox::activated, this, &CApproxDlg::OnCurveChosen);
    connect(m_pCalc, &QPushButton::clicked, this, &CApproxDlg::OnCalc);
    connect(m_pOptimization, &QPushButton::clicked, this, &CApproxDlg::OnOptimization);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Opening: the current model, its fields, and the curve list.
    const CMaterial& material = *g_pMaterial;
    ShowModel();
    m_pCurveList->addItem(QStringLiteral("All grafics"));
    for (int i = 0; i < material.m_nCurves; ++i)
        m_pCurveList->addItem(QString::fromStdString(material.Curve(i).m_strLabel));
    m_pCurveList->setCurrentIndex(0);
    m_pCurveList->setEnabled(true);
}

CApproxDlg::~CApproxDlg() { m_view.SetPreview(nullptr); }

const CMaterial& CApproxDlg::Shown() const { return m_pPreview ? *m_pPreview : *g_pMaterial; }

void CApproxDlg::OnCandidateChosen(int nColumn) {
    const int nModel = nColumn >= 0 ? kRefinedModelCandidates[static_cast<std::size_t>(nColumn)] : 0;
    const auto found = std::find_if(m_aReports.begin(), m_aReports.end(),
                                    [nModel](const CCandidateReport& report) { return report.m_nModel == nModel; });
    m_pPreview.reset();
    m_nPreviewed = 0;
    if (found != m_aReports.end() && !found->m_aCoef.empty() && g_pMaterial) {
        try {
            m_pPreview = std::make_unique<CMaterial>(WithCandidateLaw(*g_pMaterial, *found));
            m_nPreviewed = nModel;
        } catch (const std::exception& e) {
            QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
        }
    }
    m_pUseLaw->setEnabled(m_pPreview != nullptr);
    m_view.SetPreview(m_pPreview.get());
    m_view.ShowPlot();
    ShowModel();
}

void CApproxDlg::OnUseLaw() {
    const auto found = std::find_if(m_aReports.begin(), m_aReports.end(),
                                    [this](const CCandidateReport& report) { return report.m_nModel == m_nPreviewed; });
    if (found == m_aReports.end())
        return;
    try {
        g_history.Record([&] { UseCandidateLaw(*found); });
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
        return;
    }
    m_view.MarkModified();
    emit m_view.StatusText(QStringLiteral("Model %1 is the material's law: ErrorSr= %2, ErrorMax= %3")
                               .arg(g_pMaterial->m_nFunction)
                               .arg(DialogNumber(g_pMaterial->m_dErrorSr), DialogNumber(g_pMaterial->m_dErrorMax)));
    m_pCandidates->clearSelection(); // shows the material, which now holds the law
    emit m_view.StateChanged();
}

void CApproxDlg::SetValue(QLineEdit* pField, double dValue) {
    pField->setText(DialogNumber(dValue));
    pField->setCursorPosition(0);
    pField->setToolTip(pField->text());
    FitText(pField);
}

void CApproxDlg::FitText(QLineEdit* pField) {
    QFont font = pField->parentWidget()->font();
    // Room for the text: the frame and the line edit's own margins (2 pixels a side) off.
    const int nRoom = pField->width() - 2 * pField->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 6 -
                      pField->textMargins().left() - pField->textMargins().right();
    const double dBase = font.pointSizeF();
    for (double dSize = dBase; dSize > 4; dSize -= 0.5) {
        font.setPointSizeF(dSize);
        if (QFontMetrics(font).horizontalAdvance(pField->text()) <= nRoom)
            break;
    }
    pField->setFont(font);
    pField->setCursorPosition(0);
}

void CApproxDlg::Arrange() {
    if (m_openingSize.isEmpty())
        return;
    // Horizontally every control in proportion; vertically two thirds of the extra height to
    // the fit report, a third to the Optimization table.
    const double dScale = static_cast<double>(width()) / m_openingSize.width();
    const int nExtra = std::max(0, height() - m_openingSize.height());
    const int nReport = nExtra * 2 / 3;
    for (const SPlaced& placed : m_aPlaced) {
        const QRect& r = placed.m_rect;
        const int x = static_cast<int>(std::lround(r.x() * dScale));
        const int w = static_cast<int>(std::lround((r.x() + r.width()) * dScale)) - x;
        int y = r.y(), h = r.height();
        if (placed.m_eGrowth == EGrowth::Report)
            h += nReport;
        else if (placed.m_eGrowth == EGrowth::Ranking)
            y += nReport, h += nExtra - nReport;
        // Labels keep their width: their texts do not grow.
        placed.m_pWidget->setGeometry(x, y, qobject_cast<QLabel*>(placed.m_pWidget) ? r.width() : w, h);
    }
    const QSize useSize = m_pUseLaw->sizeHint();
    m_pUseLaw->setGeometry(m_pRanking->width() - useSize.width() - 6, 0, useSize.width(),
                           std::min(useSize.height(), m_pCandidates->y() - m_pRanking->y()));
    for (QLineEdit* pField : m_aCoefFields)
        FitText(pField);
    FitText(m_pErrorSr);
    FitText(m_pErrorMax);
}

void CApproxDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    Arrange();
}

QString CApproxDlg::CoefficientsText() const {
    QString strText;
    const CMaterial& material = Shown();
    if (!FindModel(material.m_nFunction))
        return strText;
    for (int k = 0; k < material.m_nCoef; ++k)
        strText += QStringLiteral("A%1 = %2\n").arg(k + 1).arg(material.m_dCoef[static_cast<std::size_t>(k)], 0, 'g', 17);
    return strText;
}

QString CApproxDlg::DoubtOfCoefficient(int k) const {
    const CMaterial& material = Shown();
    if (!material.m_confidence || !material.m_confidence->Ok())
        return {};
    for (const CCoefficientInterval& interval : material.m_confidence->m_aCoef) {
        if (interval.m_nNumber != k || !std::isfinite(interval.m_dHalfWidth))
            continue;
        QStringList aReasons;
        if (interval.Low() <= 0 && interval.High() >= 0)
            aReasons << QStringLiteral("its 95 % interval %1 .. %2 includes 0")
                            .arg(DialogNumber(interval.Low()), DialogNumber(interval.High()));
        if (2 * interval.m_dHalfWidth > std::fabs(interval.m_dValue))
            aReasons << QStringLiteral("its 95 % interval (width %1) is wider than its value")
                            .arg(DialogNumber(2 * interval.m_dHalfWidth));
        if (!aReasons.isEmpty())
            return QStringLiteral("A%1 is poorly determined: ").arg(k) + aReasons.join(QStringLiteral("; "));
    }
    return {};
}

void CApproxDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    QMenu menu(this);
    QAction* pCopy = menu.addAction(QStringLiteral("Copy coefficients"));
    pCopy->setEnabled(!CoefficientsText().isEmpty());
    connect(pCopy, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(CoefficientsText()); });
    menu.exec(pEvent->globalPos());
}

void CApproxDlg::ShowModel() {
    const CMaterial& material = Shown();
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    m_pModelList->setCurrentIndex(pModel ? m_pModelList->findData(pModel->m_nNumber) : -1);
    for (int k = 0; k < kCoefFields; ++k) {
        m_aCoefLabels[static_cast<std::size_t>(k)]->hide();
        m_aCoefFields[static_cast<std::size_t>(k)]->hide();
        m_aCoefFields[static_cast<std::size_t>(k)]->setStyleSheet(QString());
        SetValue(m_aCoefFields[static_cast<std::size_t>(k)], 0.0);
    }
    SetValue(m_pErrorSr, material.m_dErrorSr);
    SetValue(m_pErrorMax, material.m_dErrorMax);
    ShowReport();
    ShowCoefficients();
    m_pPicture->SetModel(pModel ? pModel->m_nNumber : 0);
    if (!pModel)
        return;
    for (int k = 0; k < std::min(pModel->m_nCoef, static_cast<int>(kCoefFields)); ++k) {
        m_aCoefLabels[static_cast<std::size_t>(k)]->show();
        m_aCoefFields[static_cast<std::size_t>(k)]->show();
        QLineEdit* pField = m_aCoefFields[static_cast<std::size_t>(k)];
        SetValue(pField, material.m_dCoef[static_cast<std::size_t>(k)]);
        const QString strDoubt = DoubtOfCoefficient(k + 1);
        pField->setStyleSheet(strDoubt.isEmpty() ? QString() : QStringLiteral("background: %1;").arg(kDoubtColour));
        if (!strDoubt.isEmpty())
            pField->setToolTip(pField->text() + '\n' + strDoubt);
    }
}

void CApproxDlg::ShowReport() {
    const CFitReport report = MakeFitReport(Shown());
    const int nRows = report.m_bFitted ? 1 + static_cast<int>(report.m_aCurves.size()) : 0;
    m_pReport->setRowCount(nRows);
    const auto cell = [&](int nRow, int nColumn, const QString& strText, double dValue) {
        auto* pItem = new QTableWidgetItem(strText);
        pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pItem->setToolTip(DialogNumber(dValue));
        m_pReport->setItem(nRow, nColumn, pItem);
    };
    const auto stats = [&](int nRow, const CDeviationStats& s) {
        cell(nRow, 2, QString::number(s.m_dRms, 'g', 4), s.m_dRms);
        cell(nRow, 3, QString::number(s.m_dMare, 'g', 4), s.m_dMare);
        cell(nRow, 4, QString::number(s.m_dMaxAbs, 'g', 4), s.m_dMaxAbs);
        cell(nRow, 5, QString::number(s.m_dStrainAtMax, 'g', 3), s.m_dStrainAtMax);
    };
    if (nRows == 0)
        return;
    m_pReport->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral("All")));
    // The count of the curves the fit used, in the place of the conditions.
    cell(0, 0, QStringLiteral("%1 of %2 curves").arg(report.m_nUsed).arg(report.m_aCurves.size()), report.m_nUsed);
    m_pReport->item(0, 0)->setToolTip(QStringLiteral("The fit used %1 of the %2 curves; the others are left out")
                                          .arg(report.m_nUsed)
                                          .arg(report.m_aCurves.size()));
    m_pReport->setSpan(0, 0, 1, 2);
    cell(0, 1, QString(), 0);
    stats(0, report.m_all);
    for (int k = 0; k < static_cast<int>(report.m_aCurves.size()); ++k) {
        const CCurveFit& curve = report.m_aCurves[static_cast<std::size_t>(k)];
        // A prepared curve's row says how it was prepared, as its row in the curve table does.
        auto* pHeader = new QTableWidgetItem(QString::number(k + 1));
        if (k < g_pMaterial->m_nCurves && !g_pMaterial->Curve(k).m_strPrep.empty())
            pHeader->setToolTip(QString::fromStdString(g_pMaterial->Curve(k).m_strPrep));
        m_pReport->setVerticalHeaderItem(k + 1, pHeader);
        cell(k + 1, 0, QString::number(curve.m_dTemp, 'g', 6), curve.m_dTemp);
        cell(k + 1, 1, QString::number(curve.m_dRate, 'g', 6), curve.m_dRate);
        stats(k + 1, curve.m_stats);
        if (Shown().Curve(k).m_bLeftOut)
            for (int c = 0; c < m_pReport->columnCount(); ++c) {
                m_pReport->item(k + 1, c)->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                m_pReport->item(k + 1, c)->setToolTip(QStringLiteral("Left out of the fit"));
            }
    }
}

void CApproxDlg::ShowCoefficients() {
    const CMaterial& material = Shown();
    const int nCoef = FindModel(material.m_nFunction) ? material.m_nCoef : 0;
    const CConfidenceIntervals* pCi =
        material.m_confidence && material.m_confidence->Ok() ? &*material.m_confidence : nullptr;
    const int nPairs = pCi ? static_cast<int>(pCi->m_aIllDetermined.size()) : 0;
    m_pCoefficients->clearSpans();
    m_pCoefficients->setRowCount(nCoef + (nCoef > 0 && nPairs > 0 ? 1 : 0));
    const auto cell = [&](int nRow, int nColumn, const QString& strText, const QString& strTip) {
        auto* pItem = new QTableWidgetItem(strText);
        pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pItem->setToolTip(strTip);
        m_pCoefficients->setItem(nRow, nColumn, pItem);
    };
    for (int k = 0; k < nCoef; ++k) {
        const double dValue = material.m_dCoef[static_cast<std::size_t>(k)];
        m_pCoefficients->setVerticalHeaderItem(k, new QTableWidgetItem(QStringLiteral("A%1").arg(k + 1)));
        cell(k, 0, QString::number(dValue, 'g', 6), DialogNumber(dValue));
        const CCoefficientInterval* pInterval = nullptr;
        if (pCi)
            for (const CCoefficientInterval& interval : pCi->m_aCoef)
                if (interval.m_nNumber == k + 1)
                    pInterval = &interval;
        if (pInterval) {
            cell(k, 1, QStringLiteral("\u00b1 ") + QString::number(pInterval->m_dHalfWidth, 'g', 3),
                 QStringLiteral("%1 .. %2").arg(DialogNumber(pInterval->Low()), DialogNumber(pInterval->High())));
            if (const QString strDoubt = DoubtOfCoefficient(k + 1); !strDoubt.isEmpty())
                for (int c = 0; c < 2; ++c) {
                    m_pCoefficients->item(k, c)->setBackground(QColor(QLatin1StringView(kDoubtColour)));
                    m_pCoefficients->item(k, c)->setToolTip(m_pCoefficients->item(k, c)->toolTip() + '\n' + strDoubt);
                }
        }
        else if (k + 1 >= kSplineGridAt + 1 && material.m_nFunction == kSplineModel)
            cell(k, 1, QStringLiteral("smoothed"),
                 QStringLiteral("No confidence interval: the spline's coefficients are smoothed, not estimated"));
        else
            cell(k, 1, pCi ? QStringLiteral("fixed") : QString(),
                 pCi ? QStringLiteral("Not fitted: the %1 of the fit")
                           .arg(k + 1 > kSinhCoef ? QStringLiteral("spline's ranges") : QStringLiteral("strain range"))
                     : QString());
    }
    if (nCoef > 0 && nPairs > 0) {
        QStringList aPairs;
        for (const CIllDeterminedPair& pair : pCi->m_aIllDetermined)
            aPairs << QStringLiteral("A%1 A%2").arg(pair.m_nFirst).arg(pair.m_nSecond);
        m_pCoefficients->setVerticalHeaderItem(nCoef, new QTableWidgetItem(QStringLiteral("Ill-determined")));
        auto* pItem = new QTableWidgetItem(aPairs.join(QStringLiteral(", ")));
        pItem->setToolTip(QStringLiteral("Pairs of coefficients correlated beyond %1: the data determine a combination "
                                         "of the two rather than each\n")
                              .arg(kIllDeterminedCorrelation) +
                          aPairs.join(QStringLiteral(", ")));
        m_pCoefficients->setItem(nCoef, 0, pItem);
        m_pCoefficients->setSpan(nCoef, 0, 1, 2);
    }
}

void CApproxDlg::SyncCurveList() {
    if (g_pMaterial && g_pMaterial->m_nSelectedCurve < m_pCurveList->count())
        m_pCurveList->setCurrentIndex(g_pMaterial->m_nSelectedCurve);
}

void CApproxDlg::OnModelChosen(int nIndex) {
    if (nIndex < 0)
        return;
    m_pCandidates->clearSelection();
    try {
        g_history.Record([&] { ChooseModel(m_pModelList->itemData(nIndex).toInt()); });
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
        ShowModel();
        return;
    }
    m_view.ShowPlot();
    ShowModel();
    SyncCurveList();
    emit m_view.StateChanged();
}

void CApproxDlg::OnCurveChosen(int nIndex) {
    m_view.ShowPlot();
    if (nIndex < 0)
        return;
    try {
        SelectCurve(nIndex);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
    }
    m_view.update();
}

void CApproxDlg::ShowRun(const CRunResult& result) {
    m_view.ReportRun(result);
    if (!result.Ok()) {
        m_strLastWarning = QString::fromLatin1(kNoFitMessage);
        QMessageBox box(QMessageBox::Information, QStringLiteral("Warning"), m_strLastWarning, QMessageBox::Ok, this);
        QStringList aReasons;
        if (!result.m_strMessage.empty())
            aReasons << QString::fromStdString(result.m_strMessage);
        if (!aReasons.isEmpty()) {
            box.setInformativeText(aReasons.join('\n'));
            m_strLastWarning += '\n' + aReasons.join('\n');
        }
        box.exec();
        return;
    }
    m_strLastWarning.clear();
    m_view.ShowPlot();
    ShowModel();
}

void CApproxDlg::OnCalc() {
    m_pCandidates->clearSelection();
    if (g_pMaterial->m_nFunction == kJohnsonCookModel) {
        CJohnsonCookInputs& inputs = g_pMaterial->m_johnsonCook;
        const bool bFitted = g_pMaterial->m_nCoef == kJohnsonCookCoef;
        const double dSuggested = inputs.m_dMeltTemp ? *inputs.m_dMeltTemp : bFitted ? g_pMaterial->m_dCoef[7] : 1500.0;
        const std::optional<double> dMelt = m_askMeltTemperature(dSuggested);
        if (!dMelt)
            return;
        inputs.m_dMeltTemp = *dMelt;
    }
    CRunResult result;
    try {
        const CWaitCursor wait;
        result = Calc(CFitOptions{m_pRefine->isChecked()});
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
        emit m_view.StateChanged();
        return;
    }
    ShowRun(result);
}

void CApproxDlg::OnOptimization() {
    const CFitOptions options{m_pRefine->isChecked()};
    m_pRanking->setTitle(options.m_bRefine ? QStringLiteral("Optimization: RMS over the measured points of each "
                                                            "candidate, refined")
                                           : QStringLiteral("Optimization: ErrorMax of each candidate"));
    m_pCandidates->clearSelection();
    m_aReports.clear();
    for (int c = 0; c < m_pCandidates->columnCount(); ++c) {
        m_pCandidates->item(0, c)->setText(QString());
        m_pCandidates->item(0, c)->setBackground(QBrush());
    }
    COptimizationResult result;
    try {
        const CWaitCursor wait;
        result = Optimization([this, &options](const CCandidateReport& report) {
            for (int c = 0; c < m_pCandidates->columnCount(); ++c) {
                if (kRefinedModelCandidates[static_cast<std::size_t>(c)] != report.m_nModel)
                    continue;
                QTableWidgetItem* pCell = m_pCandidates->item(0, c);
                const double dRank = options.m_bRefine ? report.m_dRms : report.m_dErrorMax;
                pCell->setText(report.m_nCoef > 0 ? QString::number(dRank, 'g', 4)
                                                  : QStringLiteral("refused"));
                QString strCoef;
                for (std::size_t k = 0; k < report.m_aCoef.size(); ++k)
                    strCoef += QStringLiteral("\nA%1= %2").arg(k + 1).arg(DialogNumber(report.m_aCoef[k]));
                pCell->setToolTip(report.m_nCoef > 0
                                      ? QStringLiteral("ErrorMax= %1\nErrorSr= %2\nRMS= %3")
                                                .arg(DialogNumber(report.m_dErrorMax), DialogNumber(report.m_dErrorSr),
                                                     DialogNumber(report.m_dRms)) +
                                            strCoef + QStringLiteral("\nSelect to see its curves")
                                      : QStringLiteral("This model was refused for these curves"));
                m_aReports.push_back(report);
            }
            QStringList aLines;
            for (const CRunLine& line : CandidateLines(report))
                aLines << QStringLiteral("Optimization, model %1: %2")
                              .arg(report.m_nModel)
                              .arg(QString::fromStdString(line.m_strText));
            if (!aLines.isEmpty())
                emit m_view.Messages(aLines);
            m_pCandidates->repaint();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }, options);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
        emit m_view.StateChanged();
        return;
    }
    for (int c = 0; c < m_pCandidates->columnCount(); ++c)
        if (kRefinedModelCandidates[static_cast<std::size_t>(c)] == result.m_nChosen)
            m_pCandidates->item(0, c)->setBackground(QColor(200, 235, 200));
    ShowRun(result.m_run);
}
