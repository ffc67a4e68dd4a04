#pragma once
// The curve table of "Select file list": a row per curve with its number, file name, t, H
// and points, and after a fit its RMS and largest deviation from the law (the rows of
// vornel/CurveTable.h). A click on a heading sorts by that column (numbers as numbers); a
// double click on t or H edits the curve's conditions, which the view hands to the core
// (SetCurveConditions); Delete and the context menu's "Remove curve" ask the view to remove
// the marked curve. The last column's tick says whether the curve is fitted on; unticking
// it asks the view to leave the curve out of the fit (its row then greyed).

#include <QTableWidget>

class CMaterial;

class CCurveTableView : public QTableWidget {
    Q_OBJECT
public:
    enum EColumn { kNumber, kFile, kTemp, kRate, kPoints, kRms, kMaxAbs, kFit, kColumns };

    explicit CCurveTableView(QWidget* pParent = nullptr);

    // Fills the rows from the material (none for null), keeping the sort order and the
    // marked curve where it still exists.
    void Refill(const CMaterial* pMaterial);

    // The curve (1-based) of a row, and the row of a curve (-1 when none).
    int CurveOfRow(int nRow) const;
    int RowOfCurve(int nCurve) const;
    // The marked curve, 0 for none; marking 0 clears the mark.
    int MarkedCurve() const;
    void MarkCurve(int nCurve);

    // The value a cell was filled with (what it sorts by); NaN when it holds none.
    double CellValue(int nRow, int nColumn) const;

signals:
    // The user typed strText as the curve's t (column kTemp) or H (kRate).
    void ConditionEdited(int nCurve, int nColumn, const QString& strText);
    // The tick of kFit changed: bLeftOut when it was taken off.
    void LeftOutChanged(int nCurve, bool bLeftOut);
    // Delete or "Remove curve" on the curve.
    void RemoveRequested(int nCurve);

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    bool m_bFilling = false;
};
