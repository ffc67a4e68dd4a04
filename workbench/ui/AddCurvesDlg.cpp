#include "AddCurvesDlg.h"
#include "vornel/session/History.h"

#include "ImportDlgs.h"

#include "vornel/document/Material.h"
#include "vornel/session/Operations.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The most bad rows a message lists one by one.
constexpr int kListedProblems = 12;

const QColor kBadCell(255, 214, 214);

QString FromStd(const std::string& str) { return QString::fromStdString(str); }

QTableWidgetItem* FixedItem(const QString& strText) {
    auto* pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return pItem;
}

} // namespace

CAddCurvesDlg::CAddCurvesDlg(std::vector<CIntakeRow> aRows, const QString& strWhere, QWidget* pParent)
    : QDialog(pParent), m_aRows(std::move(aRows)) {
    setWindowTitle(QStringLiteral("Add curves"));
    int nFound = 0;
    for (const CIntakeRow& row : m_aRows)
        nFound += row.m_eSource != EConditionSource::None;
    m_pIntro = new QLabel(QStringLiteral("%1: %2 of %3 files with t and U found (from a conditions list, the file "
                                         "name or the first header line). Double-click a t or U cell to change it; "
                                         "untick a file to leave it out. OK adds every ticked file, or none.")
                              .arg(strWhere)
                              .arg(nFound)
                              .arg(m_aRows.size()),
                          this);
    m_pIntro->setWordWrap(true);

    m_pTable = new QTableWidget(static_cast<int>(m_aRows.size()), kColumns, this);
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Add"), QStringLiteral("File"), QStringLiteral("t, C"),
                                         QStringLiteral("U, 1/s"), QStringLiteral("From"),
                                         QStringLiteral("The import reads")});
    m_pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < static_cast<int>(m_aRows.size()); ++i) {
        const CIntakeRow& row = m_aRows[static_cast<std::size_t>(i)];
        auto* pAdd = new QTableWidgetItem;
        pAdd->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        pAdd->setCheckState(row.m_bInclude ? Qt::Checked : Qt::Unchecked);
        m_pTable->setItem(i, kAdd, pAdd);
        QTableWidgetItem* pFile = FixedItem(QFileInfo(FromStd(row.m_strFile)).fileName());
        pFile->setToolTip(FromStd(row.m_strFile));
        m_pTable->setItem(i, kFile, pFile);
        for (const auto& [nColumn, strText] : {std::pair{kTemp, row.m_strTemp}, std::pair{kRate, row.m_strRate}}) {
            auto* pItem = new QTableWidgetItem(FromStd(strText));
            pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_pTable->setItem(i, nColumn, pItem);
        }
        QTableWidgetItem* pSource = FixedItem(FromStd(SourceText(row)));
        if (row.m_eSource == EConditionSource::List)
            pSource->setToolTip(FromStd(row.m_strSource));
        m_pTable->setItem(i, kSource, pSource);
        m_pTable->setItem(i, kImport, FixedItem(QString()));
        ShowImport(i);
    }
    QHeaderView* pHeader = m_pTable->horizontalHeader();
    pHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
    pHeader->setSectionResizeMode(kImport, QHeaderView::Stretch);
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    QPushButton* pPrep = pButtons->addButton(QStringLiteral("Preparation..."), QDialogButtonBox::ActionRole);
    connect(pPrep, &QPushButton::clicked, this, &CAddCurvesDlg::OnPreparation);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pIntro);
    pLayout->addWidget(m_pTable, 1);
    pLayout->addWidget(pButtons);

    // As wide as the columns need (within reason), tall enough for about 16 rows.
    m_pTable->resizeColumnsToContents();
    int nWidth = m_pTable->verticalHeader()->width() + 40;
    for (int c = 0; c < kColumns; ++c)
        nWidth += m_pTable->columnWidth(c);
    const int nRow = m_pTable->verticalHeader()->defaultSectionSize();
    resize(std::clamp(nWidth, 560, 1100),
           std::clamp(nRow * (static_cast<int>(m_aRows.size()) + 1) + 140, 260, 40 * fontMetrics().height()));
}

void CAddCurvesDlg::ShowImport(int i) {
    const CIntakeRow& row = m_aRows[static_cast<std::size_t>(i)];
    QTableWidgetItem* pImport = m_pTable->item(i, kImport);
    pImport->setText(row.Ok() ? QStringLiteral("%1 points%2").arg(row.m_nPoints).arg(m_pProfile ? QStringLiteral(" prepared") : QString())
                              : QStringLiteral("refused: ") + FromStd(row.m_strMessage));
    pImport->setToolTip(pImport->text());
    pImport->setForeground(row.Ok() ? palette().color(QPalette::Text) : QColor(170, 0, 0));
}

void CAddCurvesDlg::SetProfile(const CImportProfile& profile) {
    m_profile = profile;
    m_pProfile = &m_profile;
    const std::vector<CIntakeRow> aEdited = Rows();
    for (std::size_t i = 0; i < m_aRows.size(); ++i) {
        m_aRows[i].m_strTemp = aEdited[i].m_strTemp;
        m_aRows[i].m_strRate = aEdited[i].m_strRate;
        PreviewRow(m_aRows[i], m_pProfile);
        ShowImport(static_cast<int>(i));
    }
}

void CAddCurvesDlg::OnPreparation() {
    std::vector<std::string> aFiles;
    for (const CIntakeRow& row : m_aRows)
        aFiles.push_back(row.m_strFile);
    CPreparationDlg dialog(aFiles, m_pProfile ? m_profile : CImportProfile{}, this);
    if (dialog.exec() == QDialog::Accepted)
        SetProfile(dialog.Profile());
}

std::vector<CIntakeRow> CAddCurvesDlg::Rows() const {
    std::vector<CIntakeRow> aRows = m_aRows;
    for (int i = 0; i < static_cast<int>(aRows.size()); ++i) {
        CIntakeRow& row = aRows[static_cast<std::size_t>(i)];
        row.m_bInclude = m_pTable->item(i, kAdd)->checkState() == Qt::Checked;
        row.m_strTemp = m_pTable->item(i, kTemp)->text().toStdString();
        row.m_strRate = m_pTable->item(i, kRate)->text().toStdString();
    }
    return aRows;
}

void CAddCurvesDlg::MarkProblems(const std::vector<CIntakeProblem>& aProblems) {
    for (int i = 0; i < m_pTable->rowCount(); ++i)
        for (int c : {kFile, kTemp, kRate}) {
            m_pTable->item(i, c)->setBackground(QBrush());
            m_pTable->item(i, c)->setToolTip(c == kFile ? FromStd(m_aRows[static_cast<std::size_t>(i)].m_strFile)
                                                        : QString());
        }
    for (const CIntakeProblem& problem : aProblems) {
        const int nColumn = problem.m_eCell == EIntakeCell::Temp ? kTemp : problem.m_eCell == EIntakeCell::Rate ? kRate : kFile;
        QTableWidgetItem* pItem = m_pTable->item(problem.m_nRow, nColumn);
        pItem->setBackground(kBadCell);
        pItem->setToolTip(FromStd(problem.m_strMessage));
    }
}

void CAddCurvesDlg::accept() {
    const std::vector<CIntakeRow> aRows = Rows();
    const std::vector<CIntakeProblem> aProblems = CheckIntakeRows(aRows, g_pMaterial ? g_pMaterial->m_nCurves : 0);
    MarkProblems(aProblems);
    if (!aProblems.empty()) {
        QStringList aLines;
        for (std::size_t k = 0; k < aProblems.size() && k < kListedProblems; ++k) {
            const CIntakeProblem& problem = aProblems[k];
            aLines << QStringLiteral("Row %1 (%2): %3")
                          .arg(problem.m_nRow + 1)
                          .arg(QFileInfo(FromStd(aRows[static_cast<std::size_t>(problem.m_nRow)].m_strFile)).fileName(),
                               FromStd(problem.m_strMessage));
        }
        if (aProblems.size() > kListedProblems)
            aLines << QStringLiteral("... and %1 more").arg(aProblems.size() - kListedProblems);
        m_strLastError = QStringLiteral("Nothing is added yet. These rows need a change (or untick them):\n") +
                         aLines.join('\n');
        QMessageBox::warning(this, windowTitle(), m_strLastError);
        const CIntakeProblem& first = aProblems.front();
        m_pTable->setCurrentCell(first.m_nRow, first.m_eCell == EIntakeCell::Rate ? kRate : kTemp);
        return;
    }
    const std::vector<CCurveSpec> aCurves = SpecsOfRows(aRows);
    try {
        CImportedCurves imported;
        g_history.Record([&] { imported = AddCurves(aCurves, m_pProfile); });
        m_aAdded = imported.m_aSummaries;
        m_aNotes = imported.m_aNotes;
    } catch (const std::bad_alloc&) {
        m_strLastError = QStringLiteral("There is not enough memory for these curves; none was added.");
        QMessageBox::critical(this, windowTitle(), m_strLastError);
        return;
    } catch (const std::exception& e) {
        m_strLastError = FromStd(e.what()) + QStringLiteral("\nNone of the files was added.");
        QMessageBox::critical(this, windowTitle(), m_strLastError);
        return;
    }
    m_aAddedCurves = aCurves;
    m_strLastError.clear();
    QDialog::accept();
}
