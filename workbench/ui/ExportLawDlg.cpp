#include "ExportLawDlg.h"

#include "vornel/document/Material.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr const char* kCaption = "Export law";

QString Numbers(const std::vector<double>& aValues) {
    QStringList aTexts;
    for (double dValue : aValues)
        aTexts << QString::number(dValue, 'g', 6);
    return aTexts.join(QStringLiteral(", "));
}

QString FromStd(const std::string& str) { return QString::fromStdString(str); }

// "law check" lines of findings, or "ok".
QString CheckText(const QString& strWhat, const std::vector<CLawFinding>& aFindings) {
    QString strText = strWhat + QStringLiteral(": ") +
                      (aFindings.empty() ? QStringLiteral("ok") : QStringLiteral("%1 findings").arg(aFindings.size()));
    for (const CLawFinding& finding : aFindings)
        strText += QStringLiteral("\n  ") + FromStd(finding.Message());
    return strText;
}

} // namespace

CExportLawDlg::CExportLawDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent)
    : QDialog(pParent), m_material(material), m_strFolder(strFolder) {
    setWindowTitle(QString::fromLatin1(kCaption));
    auto* pLayout = new QVBoxLayout(this);
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    auto* pModelLabel = new QLabel(pModel ? QStringLiteral("Model %1: %2")
                                                .arg(pModel->m_nNumber)
                                                .arg(QString::fromLatin1(pModel->m_szLabel).trimmed())
                                          : QStringLiteral("No model"),
                                   this);
    pModelLabel->setWordWrap(true);
    pLayout->addWidget(pModelLabel);
    auto* pHint = new QLabel(QStringLiteral("The tables (Abaqus, CalculiX, LS-DYNA, CSV) hold the law on this grid, "
                                            "refined where the law bends; an empty field takes the measured values. "
                                            "The subroutines (UHARD, VUHARD) and native cards compute the law "
                                            "wherever the solver calls them."),
                             this);
    pHint->setWordWrap(true);
    pLayout->addWidget(pHint);

    auto* pForm = new QFormLayout;
    m_pStrainsEdit = new QLineEdit(this);
    m_pStrainsEdit->setObjectName(QStringLiteral("strains"));
    m_pRatesEdit = new QLineEdit(this);
    m_pRatesEdit->setObjectName(QStringLiteral("rates"));
    m_pTempsEdit = new QLineEdit(this);
    m_pTempsEdit->setObjectName(QStringLiteral("temperatures"));
    try {
        const CMeasuredRanges measured = MeasuredRanges(material);
        m_pStrainsEdit->setPlaceholderText(
            QStringLiteral("%1:%2 (measured)").arg(measured.m_dMaxStrain, 0, 'g', 6).arg(kExportStrainSteps));
        m_pRatesEdit->setPlaceholderText(Numbers(measured.m_aRates) + QStringLiteral(" (measured)"));
        m_pTempsEdit->setPlaceholderText(Numbers(measured.m_aTemps) + QStringLiteral(" (measured)"));
    } catch (const CExportError&) {
        // No measured curve: MakeLaw says so.
    }
    m_pFirstIdSpin = new QSpinBox(this);
    m_pFirstIdSpin->setObjectName(QStringLiteral("firstId"));
    m_pFirstIdSpin->setRange(1, std::numeric_limits<int>::max());
    m_pFirstIdSpin->setValue(kExportFirstId);
    pForm->addRow(QStringLiteral("Strains (MAX:N):"), m_pStrainsEdit);
    pForm->addRow(QStringLiteral("Strain rates (1/s):"), m_pRatesEdit);
    pForm->addRow(QStringLiteral("Temperatures (deg C):"), m_pTempsEdit);
    pForm->addRow(QStringLiteral("First LS-DYNA id:"), m_pFirstIdSpin);
    m_pUnitsList = new QComboBox(this);
    m_pUnitsList->setObjectName(QStringLiteral("units"));
    for (const QString& strName : QString::fromStdString(ExportUnitNames()).split(QStringLiteral(", ")))
        m_pUnitsList->addItem(strName);
    m_pUnitsList->setToolTip(QStringLiteral("Stress, length and time of the solver model, then K for temperatures "
                                            "in kelvin; the law was fitted in MPa, 1/s and deg C"));
    const auto field = [this](const char* szName, const char* szPlaceholder) {
        auto* pEdit = new QLineEdit(this);
        pEdit->setObjectName(QString::fromLatin1(szName));
        pEdit->setPlaceholderText(QString::fromLatin1(szPlaceholder));
        return pEdit;
    };
    m_pElasticEdit = field("elastic", "placeholders in the deck");
    m_pDensityEdit = field("density", "a placeholder in the deck");
    m_pHeatFractionEdit = field("heatFraction", "none");
    m_pCalculixRateEdit = field("calculixRate", "needed for the CalculiX deck");
    pForm->addRow(QStringLiteral("Units:"), m_pUnitsList);
    pForm->addRow(QStringLiteral("Elastic modulus, Poisson's ratio:"), m_pElasticEdit);
    pForm->addRow(QStringLiteral("Density:"), m_pDensityEdit);
    pForm->addRow(QStringLiteral("Inelastic heat fraction:"), m_pHeatFractionEdit);
    pForm->addRow(QStringLiteral("CalculiX strain rate (1/s):"), m_pCalculixRateEdit);
    pLayout->addLayout(pForm);

    pLayout->addWidget(new QLabel(QStringLiteral("Law check:"), this));
    m_pCheckPane = new QPlainTextEdit(this);
    m_pCheckPane->setObjectName(QStringLiteral("lawCheck"));
    m_pCheckPane->setReadOnly(true);
    m_pCheckPane->setMinimumHeight(110);
    pLayout->addWidget(m_pCheckPane);
    m_pWrittenLabel = new QLabel(this);
    m_pWrittenLabel->setWordWrap(true);
    pLayout->addWidget(m_pWrittenLabel);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_pExportButton = pButtons->addButton(QStringLiteral("Export..."), QDialogButtonBox::ActionRole);
    m_pExportButton->setDefault(true);
    connect(m_pExportButton, &QPushButton::clicked, this, &CExportLawDlg::OnExport);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);

    for (QLineEdit* pEdit :
         {m_pStrainsEdit, m_pRatesEdit, m_pTempsEdit, m_pElasticEdit, m_pDensityEdit, m_pHeatFractionEdit,
          m_pCalculixRateEdit})
        connect(pEdit, &QLineEdit::editingFinished, this, &CExportLawDlg::UpdateLawCheck);
    resize(560, 560);
    UpdateLawCheck();
}

std::optional<CLawExport> CExportLawDlg::MakeLaw(bool bTell) {
    QString strProblem;
    CExportGridOptions options;
    const struct {
        QLineEdit* m_pEdit;
        const char* m_szName;
        void (CExportGridOptions::*m_pfnSet)(std::string_view);
    } aFields[] = {{m_pStrainsEdit, "Strains", &CExportGridOptions::SetStrains},
                   {m_pRatesEdit, "Strain rates", &CExportGridOptions::SetRates},
                   {m_pTempsEdit, "Temperatures", &CExportGridOptions::SetTemps}};
    for (const auto& field : aFields) {
        try {
            (options.*field.m_pfnSet)(field.m_pEdit->text().toStdString());
        } catch (const CExportError& e) {
            strProblem = QStringLiteral("%1: %2").arg(QString::fromLatin1(field.m_szName), FromStd(e.what()));
            if (bTell)
                field.m_pEdit->setFocus();
            break;
        }
    }
    CDeckOptions deck;
    const struct {
        QLineEdit* m_pEdit;
        const char* m_szName;
        void (CDeckOptions::*m_pfnSet)(std::string_view);
    } aDeckFields[] = {{m_pElasticEdit, "Elastic modulus, Poisson's ratio", &CDeckOptions::SetElastic},
                       {m_pDensityEdit, "Density", &CDeckOptions::SetDensity},
                       {m_pHeatFractionEdit, "Inelastic heat fraction", &CDeckOptions::SetHeatFraction},
                       {m_pCalculixRateEdit, "CalculiX strain rate", &CDeckOptions::SetRate}};
    if (strProblem.isEmpty()) {
        deck.SetUnits(m_pUnitsList->currentText().toStdString());
        for (const auto& field : aDeckFields) {
            try {
                (deck.*field.m_pfnSet)(field.m_pEdit->text().toStdString());
            } catch (const CExportError& e) {
                strProblem = QStringLiteral("%1: %2").arg(QString::fromLatin1(field.m_szName), FromStd(e.what()));
                if (bTell)
                    field.m_pEdit->setFocus();
                break;
            }
        }
    }
    std::optional<CLawExport> law;
    if (strProblem.isEmpty()) {
        try {
            law = MakeLawExport(m_material, options, m_pFirstIdSpin->value(), deck);
        } catch (const CExportError& e) {
            strProblem = FromStd(e.what());
        }
    }
    if (!strProblem.isEmpty()) {
        if (bTell)
            QMessageBox::warning(this, QString::fromLatin1(kCaption), strProblem);
        else
            m_pCheckPane->setPlainText(strProblem);
    }
    return law;
}

void CExportLawDlg::UpdateLawCheck() {
    const std::optional<CLawExport> law = MakeLaw(false);
    if (!law)
        return;
    m_pCheckPane->setPlainText(
        CheckText(QStringLiteral("Tables"), law->m_aTableCheck) + '\n' +
        QStringLiteral("Tables, interpolated linearly between their %1 x %2 x %3 points: within %4 of the law")
            .arg(law->m_grid.m_aTemps.size())
            .arg(law->m_grid.m_aRates.size())
            .arg(law->m_grid.m_aStrains.size())
            .arg(FromStd(law->m_interpolation.Describe())) +
        '\n' +
        CheckText(QStringLiteral("Subroutines over %1").arg(FromStd(DescribeGrid(SubroutineCheckGrid(law->m_measured)))),
                  law->m_aSubroutineCheck));
}

bool CExportLawDlg::ExportTo(const CExportFormat& format, const QString& strPath) {
    const std::optional<CLawExport> law = MakeLaw(true);
    if (!law)
        return false;
    UpdateLawCheck();
    try {
        WriteLawExport(format, *law, strPath.toStdString());
    } catch (const std::exception& e) { // CFileError, CExportError
        QMessageBox::critical(this, QString::fromLatin1(kCaption), FromStd(e.what()));
        return false;
    }
    QStringList aLines{QStringLiteral("Law written to %1 (%2)").arg(strPath, QString::fromLatin1(format.m_szName))};
    for (const CLawFinding& finding : CheckLawFor(format, *law))
        aLines << FromStd(finding.Message());
    m_pWrittenLabel->setText(aLines.front());
    emit Messages(aLines);
    emit StatusText(aLines.front());
    return true;
}

void CExportLawDlg::OnExport() {
    if (!MakeLaw(true))
        return;
    QStringList aFilters;
    for (const CExportFormat& format : ExportFormats())
        aFilters << QString::fromLatin1(format.m_szFilter);
    QFileDialog dialog(this, QString::fromLatin1(kCaption), m_strFolder, aFilters.join(QStringLiteral(";;")));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const CExportFormat& first = ExportFormats().front();
    dialog.setDefaultSuffix(QString::fromLatin1(first.m_szSuffix));
    const QString strStem = (m_material.m_strName.empty()
                                 ? QFileInfo(FromStd(m_material.m_strFileName)).completeBaseName()
                                 : FromStd(m_material.m_strName)) +
                            QStringLiteral("_law.");
    dialog.selectFile(strStem + QString::fromLatin1(first.m_szSuffix));
    // A name typed without an ending gets the ending of the chosen file type, and the
    // proposed name takes it too (a name being typed stays as it is).
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, strStem](const QString& strChosen) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(R"(\*\.(\w+))")).match(strChosen);
        if (!match.hasMatch())
            return;
        dialog.setDefaultSuffix(match.captured(1));
        dialog.selectFile(strStem + match.captured(1));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString strFilter = dialog.selectedNameFilter();
    for (const CExportFormat& format : ExportFormats())
        if (strFilter == QString::fromLatin1(format.m_szFilter)) {
            ExportTo(format, dialog.selectedFiles().constFirst());
            return;
        }
}
