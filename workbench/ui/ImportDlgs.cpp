#include "ImportDlgs.h"

#include "vornel/document/InputRanges.h"
#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/TextFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString FromStd(const std::string& str) { return QString::fromStdString(str); }

const EColumnRole kRoles[] = {EColumnRole::None,        EColumnRole::Strain, EColumnRole::Stress, EColumnRole::Force,
                              EColumnRole::Stroke,      EColumnRole::Temperature, EColumnRole::Time};

std::vector<std::pair<double, double>> Points(const CPrepCurve& curve) {
    std::vector<std::pair<double, double>> a;
    const std::size_t nStep = std::max<std::size_t>(1, curve.Size() / 2000);
    for (std::size_t i = 0; i < curve.Size(); i += nStep)
        a.emplace_back(curve.m_aStrain[i], curve.m_aStress[i]);
    return a;
}

QString NumberText(double d) { return d > 0 ? QString::number(d, 'g', 10) : QString(); }

} // namespace

CPreviewPlot::CPreviewPlot(QWidget* pParent) : QWidget(pParent) { setMinimumSize(300, 180); }

void CPreviewPlot::SetCurves(std::vector<std::pair<double, double>> aRaw, std::vector<std::pair<double, double>> aPrepared,
                             const QString& strMessage) {
    m_aRaw = std::move(aRaw);
    m_aPrepared = std::move(aPrepared);
    m_strMessage = strMessage;
    update();
}

void CPreviewPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    const QRect area = rect().adjusted(40, 10, -10, -30);
    painter.drawRect(area);
    double dMaxX = 1e-9, dMaxY = 1e-9, dMinX = 0;
    for (const auto* pCurve : {&m_aRaw, &m_aPrepared})
        for (const auto& [x, y] : *pCurve)
            if (std::isfinite(x) && std::isfinite(y)) {
                dMaxX = std::max(dMaxX, x);
                dMinX = std::min(dMinX, x);
                dMaxY = std::max(dMaxY, y);
            }
    painter.drawText(QRect(0, area.bottom() + 4, width(), 20), Qt::AlignHCenter,
                     QStringLiteral("strain 0..%1 (grey: as read, blue: prepared); stress up to %2 MPa")
                         .arg(dMaxX, 0, 'g', 3)
                         .arg(dMaxY, 0, 'g', 4));
    const auto draw = [&](const std::vector<std::pair<double, double>>& a, const QColor& colour) {
        QPainterPath path;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const QPointF p(area.left() + (a[i].first - dMinX) / (dMaxX - dMinX) * area.width(),
                            area.bottom() - std::max(0.0, a[i].second) / dMaxY * area.height());
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.setPen(QPen(colour, 1.5));
        painter.drawPath(path);
    };
    painter.setRenderHint(QPainter::Antialiasing);
    draw(m_aRaw, QColor(150, 150, 150));
    draw(m_aPrepared, QColor(0, 60, 200));
    if (!m_strMessage.isEmpty()) {
        painter.setPen(QColor(170, 0, 0));
        painter.drawText(area.adjusted(6, 6, -6, -6), Qt::TextWordWrap, m_strMessage);
    }
}

QString ProfileFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).absoluteFilePath("profiles");
}

void PreviewFile(CPreviewPlot& plot, const std::string& strFile, const CImportProfile& profile) {
    CImportProfile raw = profile;
    raw.m_prep = {};
    raw.m_eValues = EValues::True;
    std::vector<std::pair<double, double>> aRaw, aPrepared;
    QString strMessage;
    try {
        // The raw curve: the columns as chosen, nothing prepared (force and stroke as the
        // engineering stress and the height reduction).
        if (raw.FromForce()) {
            CImportProfile plain = raw;
            plain.m_prep.m_bSegment = false;
            aRaw = Points(ReadSourceCurve(strFile, 0, 0, {}, &plain).m_curve);
        } else {
            aRaw = Points(ReadSourceCurve(strFile, 0, 0, {}, &raw).m_curve);
        }
        aPrepared = Points(ReadSourceCurve(strFile, 0, 0, {}, &profile).m_curve);
    } catch (const std::exception& e) {
        strMessage = FromStd(e.what());
    }
    plot.SetCurves(std::move(aRaw), std::move(aPrepared), strMessage);
}

// ---- column choice -------------------------------------------------------------------

CColumnChoiceDlg::CColumnChoiceDlg(const std::string& strFile, const CImportProfile& profile, QWidget* pParent)
    : QDialog(pParent), m_strFile(strFile), m_base(profile) {
    setWindowTitle(QStringLiteral("Columns of %1").arg(QFileInfo(FromStd(strFile)).fileName()));
    std::vector<std::vector<std::string>> aRows;
    try {
        const std::vector<unsigned char> aBytes = ReadFileBytes(strFile);
        std::string strDecoded;
        const std::string_view text = TextOfBytes({reinterpret_cast<const char*>(aBytes.data()), aBytes.size()}, strDecoded);
        m_layout = DetectLayout(text, profile.m_text, strFile);
        aRows = PreviewRows(text, m_layout, 12);
    } catch (const std::exception& e) {
        m_strLastError = FromStd(e.what());
    }
    const int nColumns = static_cast<int>(m_layout.m_aColumns.size());
    m_pFileLabel = new QLabel(QStringLiteral("%1\nRows from line %2; %3 columns. Choose what each column holds: strain "
                                             "and stress, or force and stroke.")
                                  .arg(FromStd(strFile))
                                  .arg(m_layout.m_nFirstRowLine)
                                  .arg(nColumns),
                              this);
    m_pFileLabel->setWordWrap(true);
    m_pTable = new QTableWidget(static_cast<int>(aRows.size()) + 3, nColumns, this);
    m_pTable->setVerticalHeaderLabels([&] {
        QStringList a{QStringLiteral("title"), QStringLiteral("holds"), QStringLiteral("unit")};
        for (std::size_t r = 0; r < aRows.size(); ++r)
            a << QString::number(r + 1);
        return a;
    }());
    for (int c = 0; c < nColumns; ++c) {
        const CColumn& column = m_layout.m_aColumns[static_cast<std::size_t>(c)];
        m_pTable->setItem(0, c, new QTableWidgetItem(FromStd(column.m_strTitle)));
        m_pTable->item(0, c)->setFlags(Qt::ItemIsEnabled);
        auto* pRole = new QComboBox(m_pTable);
        for (EColumnRole eRole : kRoles)
            pRole->addItem(eRole == EColumnRole::None ? QStringLiteral("-") : QString::fromLatin1(RoleName(eRole)));
        m_pTable->setCellWidget(1, c, pRole);
        m_aRoles.push_back(pRole);
        auto* pUnit = new QLineEdit(FromStd(column.m_strUnit), m_pTable);
        m_pTable->setCellWidget(2, c, pUnit);
        m_aUnits.push_back(pUnit);
        for (std::size_t r = 0; r < aRows.size(); ++r) {
            auto* pItem = new QTableWidgetItem(c < static_cast<int>(aRows[r].size()) ? FromStd(aRows[r][static_cast<std::size_t>(c)]) : QString());
            pItem->setFlags(Qt::ItemIsEnabled);
            pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_pTable->setItem(static_cast<int>(r) + 3, c, pItem);
        }
    }
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_pProfiles = new QComboBox(this);
    m_pProfiles->addItem(QStringLiteral("(start from the titles)"));
    for (const QFileInfo& info : QDir(ProfileFolder()).entryInfoList({QStringLiteral("*.profile")}, QDir::Files, QDir::Name))
        m_pProfiles->addItem(info.completeBaseName(), info.absoluteFilePath());
    m_pName = new QLineEdit(FromStd(profile.m_strName), this);
    m_pHeight0 = new QLineEdit(NumberText(profile.m_dHeight0), this);
    m_pDiameter0 = new QLineEdit(NumberText(profile.m_dDiameter0), this);
    m_pValues = new QComboBox(this);
    m_pValues->addItems({QStringLiteral("true"), QStringLiteral("engineering")});
    auto* pSave = new QPushButton(QStringLiteral("Save profile"), this);
    m_pPreview = new CPreviewPlot(this);

    auto* pForm = new QFormLayout;
    pForm->addRow(QStringLiteral("Saved profiles:"), m_pProfiles);
    auto* pNameRow = new QHBoxLayout;
    pNameRow->addWidget(m_pName, 1);
    pNameRow->addWidget(pSave);
    pForm->addRow(QStringLiteral("Profile name:"), pNameRow);
    pForm->addRow(QStringLiteral("Strain and stress are:"), m_pValues);
    pForm->addRow(QStringLiteral("height0, mm (force and stroke):"), m_pHeight0);
    pForm->addRow(QStringLiteral("diameter0, mm:"), m_pDiameter0);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pBottom = new QHBoxLayout;
    pBottom->addLayout(pForm, 1);
    pBottom->addWidget(m_pPreview, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pFileLabel);
    pLayout->addWidget(m_pTable, 1);
    pLayout->addLayout(pBottom);
    pLayout->addWidget(pButtons);
    resize(900, 640);

    Load(profile);
    for (QComboBox* pRole : m_aRoles)
        connect(pRole, &QComboBox::currentIndexChanged, this, &CColumnChoiceDlg::Refresh);
    for (QLineEdit* pEdit : m_aUnits)
        connect(pEdit, &QLineEdit::editingFinished, this, &CColumnChoiceDlg::Refresh);
    for (QLineEdit* pEdit : {m_pHeight0, m_pDiameter0})
        connect(pEdit, &QLineEdit::editingFinished, this, &CColumnChoiceDlg::Refresh);
    connect(m_pValues, &QComboBox::currentIndexChanged, this, &CColumnChoiceDlg::Refresh);
    connect(pSave, &QPushButton::clicked, this, &CColumnChoiceDlg::SaveProfile);
    connect(m_pProfiles, &QComboBox::activated, this, [this](int nIndex) {
        if (nIndex <= 0)
            return;
        try {
            Load(ReadImportProfile(m_pProfiles->itemData(nIndex).toString().toStdString()));
        } catch (const std::exception& e) {
            QMessageBox::warning(this, windowTitle(), FromStd(e.what()));
        }
    });
    Refresh();
}

void CColumnChoiceDlg::Load(const CImportProfile& profile) {
    m_base = profile;
    CColumnPick pick;
    try {
        pick = PickColumns(m_layout, &profile, m_strFile);
    } catch (const std::exception&) {
        // A profile that does not fit the file: the titles propose, the user chooses.
    }
    const auto roleOf = [&](int c) {
        for (const auto& [n, eRole] : {std::pair{pick.m_nStrain, EColumnRole::Strain}, {pick.m_nStress, EColumnRole::Stress},
                                       {pick.m_nForce, EColumnRole::Force}, {pick.m_nStroke, EColumnRole::Stroke},
                                       {pick.m_nTemperature, EColumnRole::Temperature}, {pick.m_nTime, EColumnRole::Time}})
            if (n == c)
                return eRole;
        const EColumnRole eTitle = m_layout.m_aColumns[static_cast<std::size_t>(c)].m_eRole;
        return m_layout.Find(eTitle) == c && pick.m_nStrain < 0 && pick.m_nForce < 0 ? eTitle : EColumnRole::None;
    };
    for (int c = 0; c < static_cast<int>(m_aRoles.size()); ++c) {
        const EColumnRole eRole = roleOf(c);
        m_aRoles[static_cast<std::size_t>(c)]->setCurrentIndex(static_cast<int>(std::find(std::begin(kRoles), std::end(kRoles), eRole) - std::begin(kRoles)));
    }
    m_pName->setText(FromStd(profile.m_strName));
    m_pHeight0->setText(NumberText(profile.m_dHeight0));
    m_pDiameter0->setText(NumberText(profile.m_dDiameter0));
    m_pValues->setCurrentIndex(profile.m_eValues == EValues::Engineering ? 1 : 0);
}

CImportProfile CColumnChoiceDlg::Profile() const {
    CImportProfile profile = m_base;
    profile.m_strName = m_pName->text().trimmed().toStdString();
    profile.m_strPath.clear();
    profile.m_strain = profile.m_stress = profile.m_force = profile.m_stroke = profile.m_temperature = profile.m_time = {};
    profile.m_strStrainUnit = profile.m_strStressUnit = profile.m_strForceUnit = profile.m_strStrokeUnit = {};
    for (int c = 0; c < static_cast<int>(m_aRoles.size()); ++c) {
        const EColumnRole eRole = kRoles[m_aRoles[static_cast<std::size_t>(c)]->currentIndex()];
        CColumnChoice choice;
        choice.m_nNumber = c + 1;
        const std::string strUnit = m_aUnits[static_cast<std::size_t>(c)]->text().trimmed().toStdString();
        const bool bOwnUnit = strUnit != m_layout.m_aColumns[static_cast<std::size_t>(c)].m_strUnit;
        switch (eRole) {
        case EColumnRole::Strain:
            profile.m_strain = choice;
            profile.m_strStrainUnit = bOwnUnit ? strUnit : "";
            break;
        case EColumnRole::Stress:
            profile.m_stress = choice;
            profile.m_strStressUnit = bOwnUnit ? strUnit : "";
            break;
        case EColumnRole::Force:
            profile.m_force = choice;
            profile.m_strForceUnit = bOwnUnit ? strUnit : "";
            break;
        case EColumnRole::Stroke:
            profile.m_stroke = choice;
            profile.m_strStrokeUnit = bOwnUnit ? strUnit : "";
            break;
        case EColumnRole::Temperature:
            profile.m_temperature = choice;
            break;
        case EColumnRole::Time:
            profile.m_time = choice;
            break;
        case EColumnRole::None:
            break;
        }
    }
    ParseUserNumber(m_pHeight0->text().toStdString(), profile.m_dHeight0);
    ParseUserNumber(m_pDiameter0->text().toStdString(), profile.m_dDiameter0);
    profile.m_eValues = m_pValues->currentIndex() == 1 ? EValues::Engineering : EValues::True;
    return profile;
}

void CColumnChoiceDlg::Refresh() { PreviewFile(*m_pPreview, m_strFile, Profile()); }

bool CColumnChoiceDlg::SaveProfile() {
    const CImportProfile profile = Profile();
    try {
        if (profile.m_strName.empty() || profile.m_strName.find_first_of("/\\") != std::string::npos)
            throw CInputError("give the profile a name (without / or \\) to save it under");
        QDir().mkpath(ProfileFolder());
        const std::string strPath = QDir(ProfileFolder()).absoluteFilePath(FromStd(profile.m_strName) + ".profile").toStdString();
        // What is saved must read back: the core checks the text as it checks any profile.
        ParseImportProfile(ImportProfileText(profile), strPath);
        WriteTextFile(strPath, ImportProfileText(profile));
        m_pFileLabel->setText(m_pFileLabel->text().section('\n', 0, 1) + QStringLiteral("\nProfile saved as %1").arg(FromStd(strPath)));
        return true;
    } catch (const std::exception& e) {
        m_strLastError = FromStd(e.what());
        QMessageBox::warning(this, windowTitle(), m_strLastError);
        return false;
    }
}

void CColumnChoiceDlg::accept() {
    try {
        const CImportProfile profile = Profile();
        CheckImportProfile(profile, "the columns of " + QFileInfo(FromStd(m_strFile)).fileName().toStdString());
        ReadSourceCurve(m_strFile, 0, 0, {}, &profile);
    } catch (const std::exception& e) {
        m_strLastError = FromStd(e.what());
        QMessageBox::warning(this, windowTitle(), m_strLastError);
        return;
    }
    m_strLastError.clear();
    QDialog::accept();
}

// ---- preparation ---------------------------------------------------------------------

CPreparationDlg::CPreparationDlg(std::vector<std::string> aFiles, const CImportProfile& profile, QWidget* pParent)
    : QDialog(pParent), m_aFiles(std::move(aFiles)), m_profile(profile) {
    setWindowTitle(QStringLiteral("Preparation"));
    const CPreparation& prep = profile.m_prep;
    m_pSegment = new QCheckBox(QStringLiteral("a. Keep the deformation only (segment)"), this);
    m_pSegment->setChecked(prep.m_bSegment);
    auto* pSign = new QLabel(QStringLiteral("b. Compression recorded negative becomes positive (always)"), this);
    auto* pTrue = new QLabel(profile.FromForce() ? QStringLiteral("c. True values from force and stroke")
                                                 : profile.m_eValues == EValues::Engineering
                                                       ? QStringLiteral("c. True values from engineering values")
                                                       : QStringLiteral("c. Values are true already"),
                             this);
    m_pFoot = new QCheckBox(QStringLiteral("d. Strain 0 where the plastic flow starts (foot)"), this);
    m_pFoot->setChecked(prep.m_bFoot);
    m_pFriction = new QLineEdit(prep.m_dFrictionM ? QString::number(*prep.m_dFrictionM) : QString(), this);
    m_pFriction->setPlaceholderText(QStringLiteral("none (or from the barrel in a list)"));
    m_pAdiabatic = new QComboBox(this);
    m_pAdiabatic->addItems({QStringLiteral("no"), QStringLiteral("rate"), QStringLiteral("measured")});
    m_pAdiabatic->setCurrentIndex(static_cast<int>(prep.m_eAdiabatic));
    m_pDensity = new QLineEdit(NumberText(prep.m_dDensity), this);
    m_pHeatCapacity = new QLineEdit(NumberText(prep.m_dHeatCapacity), this);
    m_pHeatFraction = new QLineEdit(QString::number(prep.m_dHeatFraction), this);
    m_pRepeats = new QCheckBox(QStringLiteral("g. Average curves of equal t and H (repeats)"), this);
    m_pRepeats->setChecked(prep.m_bAverageRepeats);
    m_pPreview = new CPreviewPlot(this);

    auto* pForm = new QFormLayout;
    pForm->addRow(m_pSegment);
    pForm->addRow(pSign);
    pForm->addRow(pTrue);
    pForm->addRow(m_pFoot);
    pForm->addRow(QStringLiteral("e. Friction factor m (0..1):"), m_pFriction);
    pForm->addRow(QStringLiteral("f. Adiabatic correction:"), m_pAdiabatic);
    pForm->addRow(QStringLiteral("    density, kg/m3:"), m_pDensity);
    pForm->addRow(QStringLiteral("    heat capacity, J/(kg K):"), m_pHeatCapacity);
    pForm->addRow(QStringLiteral("    heat fraction:"), m_pHeatFraction);
    pForm->addRow(m_pRepeats);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const QString strFirst = m_aFiles.empty() ? QString() : QFileInfo(FromStd(m_aFiles.front())).fileName();
    auto* pIntro = new QLabel(m_aFiles.size() == 1
                                  ? QStringLiteral("The steps for %1, in this order.").arg(strFirst)
                                  : QStringLiteral("The steps for all %1 files, in this order; the preview shows %2.")
                                        .arg(m_aFiles.size())
                                        .arg(strFirst),
                              this);
    auto* pBody = new QHBoxLayout;
    pBody->addLayout(pForm);
    pBody->addWidget(m_pPreview, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pIntro);
    pLayout->addLayout(pBody, 1);
    pLayout->addWidget(pButtons);
    resize(820, 420);
    for (QCheckBox* pBox : {m_pSegment, m_pFoot, m_pRepeats})
        connect(pBox, &QCheckBox::toggled, this, &CPreparationDlg::Refresh);
    for (QLineEdit* pEdit : {m_pFriction, m_pDensity, m_pHeatCapacity, m_pHeatFraction})
        connect(pEdit, &QLineEdit::editingFinished, this, &CPreparationDlg::Refresh);
    Refresh();
}

CImportProfile CPreparationDlg::Read() const {
    // The keys as a profile would hold them, checked by the core as any profile is.
    CImportProfile profile = m_profile;
    profile.m_prep = {};
    std::string strText = ImportProfileText(profile);
    const auto add = [&](const char* szKey, const QString& strValue) {
        if (!strValue.trimmed().isEmpty())
            strText += std::string(szKey) + " = " + strValue.trimmed().toStdString() + "\n";
    };
    add("segment", m_pSegment->isChecked() ? QStringLiteral("yes") : QString());
    add("foot", m_pFoot->isChecked() ? QStringLiteral("yes") : QString());
    add("friction_m", m_pFriction->text());
    if (m_pAdiabatic->currentIndex() > 0) {
        add("adiabatic", m_pAdiabatic->currentText());
        add("density", m_pDensity->text());
        add("heat_capacity", m_pHeatCapacity->text());
        add("heat_fraction", m_pHeatFraction->text());
    }
    add("repeats", m_pRepeats->isChecked() ? QStringLiteral("average") : QString());
    CImportProfile read = ParseImportProfile(strText, "the preparation");
    read.m_strName = m_profile.m_strName;
    read.m_strPath = m_profile.m_strPath;
    return read;
}

CImportProfile CPreparationDlg::Profile() const { return Read(); }

void CPreparationDlg::Refresh() {
    if (m_aFiles.empty())
        return;
    try {
        CImportProfile profile = Read();
        profile.m_prep.m_eAdiabatic = EAdiabatic::None; // needs the whole batch
        profile.m_prep.m_bAverageRepeats = false;
        PreviewFile(*m_pPreview, m_aFiles.front(), profile);
    } catch (const std::exception& e) {
        m_pPreview->SetCurves({}, {}, FromStd(e.what()));
    }
}

void CPreparationDlg::accept() {
    try {
        Read();
    } catch (const std::exception& e) {
        m_strLastError = FromStd(e.what());
        QMessageBox::warning(this, windowTitle(), m_strLastError);
        return;
    }
    m_strLastError.clear();
    QDialog::accept();
}
