#include "AnalysisDialogs.h"

#include "AnalysisPlots.h"

#include "vornel/document/InputRanges.h"
#include "vornel/document/Material.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Number(double dValue) { return std::isnan(dValue) ? QStringLiteral("-") : QString::number(dValue, 'g', 6); }

// The file to write, asked with a file dialog that starts in strFolder; empty when cancelled.
// A name typed without an ending gets the ending of the chosen filter.
QString AskSaveName(QWidget* pParent, const QString& strTitle, const QString& strFolder, const QString& strFilters,
                    const QString& strName) {
    QFileDialog dialog(pParent, strTitle, strFolder, strFilters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const auto suffixOf = [](const QString& strFilter) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(R"(\*\.(\w+))")).match(strFilter);
        return match.hasMatch() ? match.captured(1) : QString();
    };
    dialog.setDefaultSuffix(suffixOf(strFilters));
    dialog.selectFile(strName);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, suffixOf](const QString& strChosen) { dialog.setDefaultSuffix(suffixOf(strChosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Runs write; a file error is shown in a message box with the caption strWhat.
void Guarded(QWidget* pParent, const QString& strWhat, const std::function<void()>& write) {
    try {
        write();
    } catch (const std::runtime_error& e) { // CFileError
        QMessageBox::warning(pParent, strWhat, QString::fromStdString(e.what()));
    }
}

// The strains of an edit, or none (and a message box) when they cannot be read.
bool ReadStrains(QWidget* pParent, const QLineEdit* pEdit, std::vector<double>& aStrains) {
    try {
        aStrains = ParseStrainList(pEdit->text().toStdString());
        return true;
    } catch (const CInputError& e) {
        QMessageBox::warning(pParent, QStringLiteral("Strains"), QString::fromStdString(e.what()));
        return false;
    }
}

QTableWidget* MakeTable(QWidget* pParent) {
    auto* pTable = new QTableWidget(pParent);
    pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pTable->verticalHeader()->hide();
    pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return pTable;
}

void SetRow(QTableWidget* pTable, int nRow, const QStringList& aCells) {
    for (int c = 0; c < aCells.size(); ++c) {
        auto* pItem = new QTableWidgetItem(aCells[c]);
        pItem->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        pTable->setItem(nRow, c, pItem);
    }
}

} // namespace

CPictureCanvas::CPictureCanvas(PaintFunction paint, QWidget* pParent) : QWidget(pParent), m_paint(std::move(paint)) {
    setMinimumSize(640, 420);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPictureCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    m_paint(painter, rect());
}

CProcessingMapDlg::CProcessingMapDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent)
    : QDialog(pParent), m_material(material), m_strFolder(strFolder) {
    setWindowTitle(QStringLiteral("Processing map"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pControls = new QHBoxLayout;
    pControls->addWidget(new QLabel(QStringLiteral("Strains:"), this));
    m_pStrains = new QLineEdit(QString::number(DefaultMapStrain(material), 'g', 6), this);
    m_pStrains->setToolTip(QStringLiteral("One map per strain; separate several with commas"));
    pControls->addWidget(m_pStrains);
    pControls->addWidget(new QLabel(QStringLiteral("From:"), this));
    m_pSource = new QComboBox(this);
    m_pSource->addItem(QStringLiteral("the fitted law"));
    m_pSource->addItem(QStringLiteral("the measured curves"));
    m_pSource->setCurrentIndex(FindModel(material.m_nFunction) && material.m_nCoef > 0 ? 0 : 1);
    pControls->addWidget(m_pSource);
    auto* pDraw = new QPushButton(QStringLiteral("Draw"), this);
    pDraw->setDefault(true);
    pControls->addWidget(pDraw);
    pControls->addStretch();
    pLayout->addLayout(pControls);
    m_pCanvas = new CPictureCanvas([this](QPainter& painter, const QRect& area) { DrawProcessingMaps(painter, area, m_aMaps); },
                                   this);
    pLayout->addWidget(m_pCanvas, 1);
    m_pNotes = new QLabel(this);
    m_pNotes->setWordWrap(true);
    pLayout->addWidget(m_pNotes);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* pPicture = pButtons->addButton(QStringLiteral("Export picture..."), QDialogButtonBox::ActionRole);
    QPushButton* pCsv = pButtons->addButton(QStringLiteral("Export CSV..."), QDialogButtonBox::ActionRole);
    pLayout->addWidget(pButtons);
    connect(pDraw, &QPushButton::clicked, this, &CProcessingMapDlg::Draw);
    connect(m_pStrains, &QLineEdit::returnPressed, this, &CProcessingMapDlg::Draw);
    connect(m_pSource, &QComboBox::currentIndexChanged, this, &CProcessingMapDlg::Draw);
    connect(pPicture, &QPushButton::clicked, this, [this] { ExportPicture(); });
    connect(pCsv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(1000, 760);
    Draw();
}

bool CProcessingMapDlg::Draw() {
    std::vector<double> aStrains;
    if (!ReadStrains(this, m_pStrains, aStrains))
        return false;
    m_aMaps = MakeProcessingMaps(m_material, aStrains,
                                 m_pSource->currentIndex() == 0 ? EMapSource::Law : EMapSource::Data);
    QStringList aNotes;
    for (const CProcessingMap& map : m_aMaps) {
        if (!map.Ok())
            aNotes << QStringLiteral("Strain %1: not drawn: %2").arg(Number(map.m_dStrain), QString::fromStdString(map.m_strMessage));
        for (const std::string& strNote : map.m_aNotes)
            aNotes << QStringLiteral("Strain %1: %2").arg(Number(map.m_dStrain), QString::fromStdString(strNote));
    }
    m_pNotes->setText(aNotes.join(QLatin1Char('\n')));
    m_pCanvas->update();
    return true;
}

void CProcessingMapDlg::ExportPicture(const QString& strPath) {
    const QString strFile = !strPath.isEmpty() ? strPath
                                                : AskSaveName(this, QStringLiteral("Export picture"), m_strFolder,
                                                              QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"),
                                                              QStringLiteral("processing-map.png"));
    if (!strFile.isEmpty())
        Guarded(this, QStringLiteral("Export picture"), [&] { WriteMapFile(m_aMaps, strFile.toStdString()); });
}

void CProcessingMapDlg::ExportCsv(const QString& strPath) {
    const QString strFile = !strPath.isEmpty() ? strPath
                                                : AskSaveName(this, QStringLiteral("Export CSV"), m_strFolder,
                                                              QStringLiteral("CSV table (*.csv)"),
                                                              QStringLiteral("processing-map.csv"));
    if (!strFile.isEmpty())
        Guarded(this, QStringLiteral("Export CSV"),
                [&] { WriteTextFile(strFile.toStdString(), ProcessingMapCsv(m_aMaps)); });
}

CHotWorkingDlg::CHotWorkingDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent)
    : QDialog(pParent), m_material(material), m_strFolder(strFolder) {
    setWindowTitle(QStringLiteral("Hot-working analysis"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pControls = new QHBoxLayout;
    pControls->addWidget(new QLabel(QStringLiteral("Stresses at strains:"), this));
    const double dDefault = DefaultMapStrain(material);
    m_pTableStrains = new QLineEdit(QString::number(dDefault, 'g', 6), this);
    m_pTableStrains->setToolTip(QStringLiteral("The curve table shows each curve's stress at these strains"));
    pControls->addWidget(m_pTableStrains);
    pControls->addWidget(new QLabel(QStringLiteral("Activation energy from:"), this));
    m_pBasis = new QComboBox(this);
    m_pBasis->addItem(QStringLiteral("the peak stresses"));
    m_pBasis->addItem(QStringLiteral("the stresses at strain"));
    pControls->addWidget(m_pBasis);
    m_pBasisStrain = new QLineEdit(QString::number(dDefault, 'g', 6), this);
    m_pBasisStrain->setEnabled(false);
    m_pBasisStrain->setMaximumWidth(80);
    pControls->addWidget(m_pBasisStrain);
    auto* pUpdate = new QPushButton(QStringLiteral("Update"), this);
    pUpdate->setDefault(true);
    pControls->addWidget(pUpdate);
    pControls->addStretch();
    pLayout->addLayout(pControls);

    m_pTabs = new QTabWidget(this);
    m_pCurveTable = MakeTable(this);
    m_pTabs->addTab(m_pCurveTable, QStringLiteral("Curves"));
    auto* pEnergy = new QWidget(this);
    auto* pEnergyLayout = new QVBoxLayout(pEnergy);
    m_pEnergyTable = MakeTable(pEnergy);
    m_pLineTable = MakeTable(pEnergy);
    m_pNotes = new QLabel(pEnergy);
    m_pNotes->setWordWrap(true);
    pEnergyLayout->addWidget(m_pEnergyTable);
    pEnergyLayout->addWidget(m_pNotes);
    pEnergyLayout->addWidget(m_pLineTable, 1);
    m_pTabs->addTab(pEnergy, QStringLiteral("Activation energy"));
    m_pPlots = new CPictureCanvas([this](QPainter& painter, const QRect& area) { DrawSlopePlots(painter, area, m_energy); },
                                  this);
    m_pTabs->addTab(m_pPlots, QStringLiteral("Plots"));
    pLayout->addWidget(m_pTabs, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* pPicture = pButtons->addButton(QStringLiteral("Export picture..."), QDialogButtonBox::ActionRole);
    QPushButton* pCsv = pButtons->addButton(QStringLiteral("Export CSV..."), QDialogButtonBox::ActionRole);
    pLayout->addWidget(pButtons);
    connect(m_pBasis, &QComboBox::currentIndexChanged, this, [this](int nIndex) {
        m_pBasisStrain->setEnabled(nIndex == 1);
        Update();
    });
    connect(pUpdate, &QPushButton::clicked, this, &CHotWorkingDlg::Update);
    connect(m_pTableStrains, &QLineEdit::returnPressed, this, &CHotWorkingDlg::Update);
    connect(m_pBasisStrain, &QLineEdit::returnPressed, this, &CHotWorkingDlg::Update);
    connect(pPicture, &QPushButton::clicked, this, [this] { ExportPicture(); });
    connect(pCsv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(1100, 760);
    Update();
}

bool CHotWorkingDlg::Update() {
    std::vector<double> aTableStrains, aBasisStrain;
    if (!ReadStrains(this, m_pTableStrains, aTableStrains))
        return false;
    CStressBasis basis;
    if (m_pBasis->currentIndex() == 1) {
        if (!ReadStrains(this, m_pBasisStrain, aBasisStrain))
            return false;
        basis = {EStressBasis::Strain, aBasisStrain.front()};
    }
    m_aTableStrains = aTableStrains;
    m_aCurves = CurveCharacteristics(m_material, m_aTableStrains);
    m_energy = AnalyseActivationEnergy(m_material, basis);
    FillTables();
    m_pPlots->update();
    return true;
}

void CHotWorkingDlg::FillTables() {
    QStringList aHeader = {QStringLiteral("Curve"),       QStringLiteral("t (deg C)"),     QStringLiteral("H (1/s)"),
                           QStringLiteral("Peak stress"), QStringLiteral("Peak strain"),   QStringLiteral("Steady stress")};
    for (double d : m_aTableStrains)
        aHeader << QStringLiteral("Stress at %1").arg(Number(d));
    m_pCurveTable->clear();
    m_pCurveTable->setColumnCount(static_cast<int>(aHeader.size()));
    m_pCurveTable->setHorizontalHeaderLabels(aHeader);
    m_pCurveTable->setRowCount(static_cast<int>(m_aCurves.size()));
    for (std::size_t i = 0; i < m_aCurves.size(); ++i) {
        const CCurveCharacteristics& c = m_aCurves[i];
        QStringList aCells = {QString::number(c.m_nCurve + 1), Number(c.m_dTemp), Number(c.m_dRate),
                              c.m_bPeak ? Number(c.m_dPeakStress) : QStringLiteral("no peak"),
                              c.m_bPeak ? Number(c.m_dPeakStrain) : QString(),
                              c.m_bSteady ? Number(c.m_dSteadyStress) : QStringLiteral("none")};
        for (double d : c.m_aStressAt)
            aCells << Number(d);
        SetRow(m_pCurveTable, static_cast<int>(i), aCells);
    }

    const CActivationEnergy& q = m_energy;
    m_pEnergyTable->clear();
    m_pEnergyTable->setColumnCount(6);
    m_pEnergyTable->setHorizontalHeaderLabels({QStringLiteral("Procedure"), QStringLiteral("alpha"), QStringLiteral("n"),
                                               QStringLiteral("Q (kJ/mol)"), QStringLiteral("ln A"), QStringLiteral("R^2")});
    const bool bModel = std::isfinite(q.m_dModelQ);
    m_pEnergyTable->setRowCount(bModel ? 3 : 2);
    const auto constants = [&](int nRow, const QString& strName, const CActivationConstants& c) {
        SetRow(m_pEnergyTable, nRow,
               {strName, Number(c.m_dAlpha), Number(c.m_dN), Number(c.m_dQ), Number(c.m_dLnA), Number(c.m_dR2)});
    };
    constants(0, QStringLiteral("alpha = beta/n1 (n1 = %1, beta = %2)").arg(Number(q.m_dN1), Number(q.m_dBeta)),
              q.m_standard);
    constants(1, QStringLiteral("alpha of the best plane ln H over ln sinh(alpha s) and 1/T"), q.m_searched);
    if (bModel)
        SetRow(m_pEnergyTable, 2,
               {QStringLiteral("model 19 at strain %1").arg(Number(q.m_dModelStrain)), QString(), QString(),
                Number(q.m_dModelQ), QString(), QString()});
    QStringList aNotes;
    if (!q.Ok())
        aNotes << QStringLiteral("Not formed: ") + QString::fromStdString(q.m_strMessage);
    for (const std::string& strNote : q.m_aNotes)
        aNotes << QString::fromStdString(strNote);
    m_pNotes->setText(aNotes.join(QLatin1Char('\n')));

    m_pLineTable->clear();
    m_pLineTable->setColumnCount(5);
    m_pLineTable->setHorizontalHeaderLabels({QStringLiteral("Plot"), QStringLiteral("Line at"), QStringLiteral("Slope"),
                                             QStringLiteral("Intercept"), QStringLiteral("R^2")});
    int nRows = 0;
    for (const CSlopePlot& plot : q.m_aPlots)
        nRows += static_cast<int>(plot.m_aLines.size());
    m_pLineTable->setRowCount(nRows);
    int nRow = 0;
    for (const CSlopePlot& plot : q.m_aPlots) {
        const QString strPlot = QString::fromStdString(SlopePlotYLabel(plot.m_eKind) + " over " +
                                                       SlopePlotXLabel(plot.m_eKind)) +
                                (std::isnan(plot.m_dAlpha) ? QString() : QStringLiteral(", alpha = %1").arg(Number(plot.m_dAlpha)));
        for (const CRegressionLine& line : plot.m_aLines)
            SetRow(m_pLineTable, nRow++,
                   {strPlot,
                    (plot.m_eKind == ESlopePlot::LnSinhOverInverseT ? QStringLiteral("H = ") : QStringLiteral("t = ")) +
                        Number(line.m_dKey),
                    Number(line.m_dSlope), Number(line.m_dIntercept), Number(line.m_dR2)});
    }
}

void CHotWorkingDlg::ExportPicture(const QString& strPath) {
    const QString strFile = !strPath.isEmpty() ? strPath
                                                : AskSaveName(this, QStringLiteral("Export picture"), m_strFolder,
                                                              QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"),
                                                              QStringLiteral("activation-energy.png"));
    if (!strFile.isEmpty())
        Guarded(this, QStringLiteral("Export picture"), [&] { WriteSlopePlotFile(m_energy, strFile.toStdString()); });
}

void CHotWorkingDlg::ExportCsv(const QString& strPath) {
    const bool bCurves = m_pTabs->currentIndex() == 0;
    const QString strFile = !strPath.isEmpty() ? strPath
                                                : AskSaveName(this, QStringLiteral("Export CSV"), m_strFolder,
                                                              QStringLiteral("CSV table (*.csv)"),
                                                              bCurves ? QStringLiteral("curves.csv")
                                                                      : QStringLiteral("activation-energy.csv"));
    if (!strFile.isEmpty())
        Guarded(this, QStringLiteral("Export CSV"), [&] {
            WriteTextFile(strFile.toStdString(),
                          bCurves ? CurveCharacteristicsCsv(m_aCurves, m_aTableStrains) : ActivationEnergyCsv(m_energy));
        });
}
