#include "CurveTableView.h"

#include "Dialogs.h"

#include "vornel/view/CurveTable.h"
#include "vornel/document/Material.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <cmath>
#include <limits>

namespace {

constexpr int kValueRole = Qt::UserRole;

// A cell that sorts by the number it was filled with, when both cells hold one.
class CValueItem : public QTableWidgetItem {
public:
    CValueItem(const QString& strText, double dValue, bool bEditable) : QTableWidgetItem(strText) {
        setData(kValueRole, dValue);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | (bEditable ? Qt::ItemIsEditable : Qt::NoItemFlags));
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant a = data(kValueRole);
        const QVariant b = other.data(kValueRole);
        if (a.isValid() && b.isValid())
            return a.toDouble() < b.toDouble();
        return QTableWidgetItem::operator<(other);
    }
};

QTableWidgetItem* TextItem(const QString& strText) {
    auto* pItem = new QTableWidgetItem(strText);
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return pItem;
}

QTableWidgetItem* StatItem(double dValue) {
    auto* pItem = new CValueItem(QString::number(dValue, 'g', 4), dValue, false);
    pItem->setToolTip(DialogNumber(dValue));
    return pItem;
}

} // namespace

CCurveTableView::CCurveTableView(QWidget* pParent) : QTableWidget(0, kColumns, pParent) {
    setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("File"), QStringLiteral("t"), QStringLiteral("H"),
                               QStringLiteral("Points"), QStringLiteral("RMS"), QStringLiteral("MaxAbs"), QStringLiteral("Fit")});
    horizontalHeaderItem(kFit)->setToolTip(QStringLiteral("Ticked: the fit uses the curve; untick to leave it out of "
                                                          "the fit (it stays in the material)"));
    horizontalHeaderItem(kTemp)->setToolTip(QStringLiteral("Temperature, deg C (double-click to change)"));
    horizontalHeaderItem(kRate)->setToolTip(QStringLiteral("Strain rate, 1/s (double-click to change)"));
    horizontalHeaderItem(kRms)->setToolTip(QStringLiteral("Root mean square of the law's deviations over the curve's "
                                                          "measured points"));
    horizontalHeaderItem(kMaxAbs)->setToolTip(QStringLiteral("Largest deviation of the law from the curve"));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kFile, QHeaderView::Stretch);
    horizontalHeader()->setSortIndicator(kNumber, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* pItem) {
        if (m_bFilling)
            return;
        if (pItem->column() == kFit) {
            const int nCurve = CurveOfRow(pItem->row());
            const bool bLeftOut = pItem->checkState() != Qt::Checked;
            QMetaObject::invokeMethod(
                this, [this, nCurve, bLeftOut] { emit LeftOutChanged(nCurve, bLeftOut); }, Qt::QueuedConnection);
            return;
        }
        if (pItem->column() != kTemp && pItem->column() != kRate)
            return;
        const int nCurve = CurveOfRow(pItem->row());
        const int nColumn = pItem->column();
        const QString strText = pItem->text();
        // After the edit has finished: the handler refills the table.
        QMetaObject::invokeMethod(
            this, [this, nCurve, nColumn, strText] { emit ConditionEdited(nCurve, nColumn, strText); },
            Qt::QueuedConnection);
    });
}

void CCurveTableView::Refill(const CMaterial* pMaterial) {
    const int nMarked = MarkedCurve();
    m_bFilling = true;
    setSortingEnabled(false);
    const std::vector<CCurveRow> aRows = pMaterial ? CurveRows(*pMaterial) : std::vector<CCurveRow>();
    clearContents();
    setRowCount(static_cast<int>(aRows.size()));
    for (int r = 0; r < static_cast<int>(aRows.size()); ++r) {
        const CCurveRow& row = aRows[static_cast<std::size_t>(r)];
        setItem(r, kNumber, new CValueItem(QString::number(row.m_nCurve), row.m_nCurve, false));
        // A prepared curve says so after its name; the tooltip gives the whole record.
        QTableWidgetItem* pFile = TextItem(QString::fromStdString(row.m_strName) +
                                           (row.m_strPrep.empty() ? QString() : QStringLiteral(" (prepared)")));
        pFile->setToolTip(QString::fromStdString(row.m_strPath) +
                          (row.m_strPrep.empty() ? QString() : QStringLiteral("\n") + QString::fromStdString(row.m_strPrep)));
        setItem(r, kFile, pFile);
        setItem(r, kTemp, new CValueItem(DialogNumber(row.m_dTemp), row.m_dTemp, true));
        setItem(r, kRate, new CValueItem(DialogNumber(row.m_dRate), row.m_dRate, true));
        setItem(r, kPoints,
                new CValueItem(QStringLiteral("%1 %2").arg(row.m_nPoints).arg(row.m_bPrepared ? QStringLiteral("prepared")
                                                                                                : QStringLiteral("raw")),
                               row.m_nPoints, false));
        if (row.m_bFitted) {
            setItem(r, kRms, StatItem(row.m_stats.m_dRms));
            setItem(r, kMaxAbs, StatItem(row.m_stats.m_dMaxAbs));
        } else {
            setItem(r, kRms, TextItem(QString()));
            setItem(r, kMaxAbs, TextItem(QString()));
        }
        const bool bLeftOut = pMaterial->Curve(row.m_nCurve - 1).m_bLeftOut;
        auto* pFit = new CValueItem(QString(), bLeftOut ? 0 : 1, false);
        pFit->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        pFit->setCheckState(bLeftOut ? Qt::Unchecked : Qt::Checked);
        setItem(r, kFit, pFit);
        if (bLeftOut)
            for (int c = 0; c < kColumns; ++c)
                item(r, c)->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
    setSortingEnabled(true);
    m_bFilling = false;
    MarkCurve(nMarked);
}

int CCurveTableView::CurveOfRow(int nRow) const {
    const QTableWidgetItem* pItem = nRow >= 0 && nRow < rowCount() ? item(nRow, kNumber) : nullptr;
    return pItem ? pItem->data(kValueRole).toInt() : 0;
}

int CCurveTableView::RowOfCurve(int nCurve) const {
    for (int r = 0; r < rowCount(); ++r)
        if (CurveOfRow(r) == nCurve)
            return r;
    return -1;
}

int CCurveTableView::MarkedCurve() const {
    const QList<QTableWidgetItem*> aSelected = selectedItems();
    return aSelected.isEmpty() ? 0 : CurveOfRow(aSelected.constFirst()->row());
}

void CCurveTableView::MarkCurve(int nCurve) {
    const int nRow = RowOfCurve(nCurve);
    if (nRow < 0) {
        clearSelection();
        return;
    }
    selectRow(nRow);
    scrollToItem(item(nRow, kNumber));
}

double CCurveTableView::CellValue(int nRow, int nColumn) const {
    const QTableWidgetItem* pItem = item(nRow, nColumn);
    const QVariant value = pItem ? pItem->data(kValueRole) : QVariant();
    return value.isValid() ? value.toDouble() : std::numeric_limits<double>::quiet_NaN();
}

void CCurveTableView::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
        if (const int nCurve = MarkedCurve())
            emit RemoveRequested(nCurve);
        return;
    }
    QTableWidget::keyPressEvent(pEvent);
}

void CCurveTableView::contextMenuEvent(QContextMenuEvent* pEvent) {
    // The row under the pointer, wherever the event came from (the viewport delivers it in
    // its own coordinates, the table in its own).
    const int nRow = rowAt(viewport()->mapFromGlobal(pEvent->globalPos()).y());
    if (nRow >= 0)
        selectRow(nRow);
    QMenu menu(this);
    QAction* pRemove = menu.addAction(QStringLiteral("Remove curve"));
    pRemove->setEnabled(MarkedCurve() > 0);
    if (menu.exec(pEvent->globalPos()) == pRemove)
        emit RemoveRequested(MarkedCurve());
}
