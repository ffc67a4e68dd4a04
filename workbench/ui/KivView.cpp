#include "KivView.h"
#include "vornel/model/ModelCatalogue.h"
#include "formats/BinaryFile.h"
#include "vornel/session/History.h"

#include "AddCurvesDlg.h"
#include "ImportDlgs.h"
#include "CurveTableView.h"
#include "Dialogs.h"
#include "KivDoc.h"

#include "vornel/run/RunMessages.h"
#include "vornel/document/Material.h"
#include "vornel/session/Operations.h"
#include "vornel/session/Stage.h"
#include "vornel/export/SurfaceExport.h"
#include "formats/FileError.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRubberBand>
#include <QWheelEvent>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>
#include <optional>

namespace {

QString FromStd(const std::string& str) { return QString::fromStdString(str); }

// The name the material is known by in questions: its name, else its file's name.
QString MaterialTitle(const CMaterial& material) {
    if (!material.m_strName.empty())
        return FromStd(material.m_strName);
    return QFileInfo(FromStd(material.m_strFileName)).fileName();
}

} // namespace

CKivView::CKivView(CKivDoc& doc, QWidget* pParent) : QWidget(pParent), m_doc(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    m_strStartFolder = QDir::currentPath();
    m_pTable = new CCurveTableView(this);
    m_pTable->hide();
    connect(m_pTable, &CCurveTableView::RemoveRequested, this, &CKivView::OnRemoveCurve);
    connect(m_pTable, &CCurveTableView::ConditionEdited, this, &CKivView::OnConditionEdited);
    connect(m_pTable, &CCurveTableView::LeftOutChanged, this, &CKivView::OnLeaveOut);
    connect(this, &CKivView::StateChanged, this, &CKivView::RefreshTable);
    connect(m_pTable, &QTableWidget::itemSelectionChanged, this, [this] { Highlight(m_pTable->MarkedCurve()); });
    setMouseTracking(true);
}

CKivView::~CKivView() = default;

// ---- drawing -------------------------------------------------------------------------

void CKivView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    if (m_bPlotMode && Drawn())
        m_lastLayout = DrawPlotView(painter, rect(), *Drawn(), m_plot, m_viewStyle);
}

void CKivView::resizeEvent(QResizeEvent* pEvent) {
    m_pTable->setGeometry(rect());
    QWidget::resizeEvent(pEvent);
}

// ---- pointing at the plot ---------------------------------------------------------------

const CPanelLayout* CKivView::PanelAt(QPoint p, double& dFx, double& dFy) const {
    for (const CPanelLayout& panel : m_lastLayout.m_aPanels) {
        const CPlotRect& r = panel.m_rect;
        if (r.m_nRight <= r.m_nLeft || r.m_nBottom <= r.m_nTop || p.x() < r.m_nLeft || p.x() > r.m_nRight ||
            p.y() < r.m_nTop || p.y() > r.m_nBottom)
            continue;
        dFx = static_cast<double>(p.x() - r.m_nLeft) / (r.m_nRight - r.m_nLeft);
        dFy = static_cast<double>(r.m_nBottom - p.y()) / (r.m_nBottom - r.m_nTop);
        return &panel;
    }
    return nullptr;
}

void CKivView::ResetZoom() {
    m_viewStyle.m_zoom = {};
    update();
}

void CKivView::Highlight(int nCurve) {
    if (m_viewStyle.m_nHighlight == nCurve)
        return;
    m_viewStyle.m_nHighlight = nCurve;
    update();
}

void CKivView::ShowPointed(QPoint p) {
    std::optional<CPlotPick> pick;
    if (m_bPlotMode && Drawn())
        pick = PickPoint(m_lastLayout, *Drawn(), m_viewStyle.m_eView, p);
    const QString strText = pick ? PickText(*Drawn(), *pick) : QString();
    if (strText == m_strPointed)
        return;
    m_strPointed = strText;
    setToolTip(strText);
    if (!strText.isEmpty())
        emit StatusText(strText);
}

void CKivView::wheelEvent(QWheelEvent* pEvent) {
    double dFx = 0, dFy = 0;
    if (!m_bPlotMode || !PanelAt(pEvent->position().toPoint(), dFx, dFy) || pEvent->angleDelta().y() == 0) {
        QWidget::wheelEvent(pEvent);
        return;
    }
    // A notch (120) shows 80 % of the span, about the pointer.
    const double dScale = std::pow(0.8, pEvent->angleDelta().y() / 120.0);
    m_viewStyle.m_zoom = SubZoom(m_viewStyle.m_zoom, dFx - dFx * dScale, dFx + (1 - dFx) * dScale, dFy - dFy * dScale,
                                 dFy + (1 - dFy) * dScale);
    update();
    pEvent->accept();
}

void CKivView::mousePressEvent(QMouseEvent* pEvent) {
    double dFx = 0, dFy = 0;
    if (!m_bPlotMode || !PanelAt(pEvent->position().toPoint(), dFx, dFy)) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    m_dragFrom = pEvent->position().toPoint();
    m_dragZoom = m_viewStyle.m_zoom;
    m_bDragging = true;
    m_bMoved = false;
    m_bBanding = pEvent->button() == Qt::RightButton ||
                 (pEvent->button() == Qt::LeftButton && (pEvent->modifiers() & Qt::ShiftModifier));
    if (m_bBanding) {
        if (!m_pBand)
            m_pBand = new QRubberBand(QRubberBand::Rectangle, this);
        m_pBand->setGeometry(QRect(m_dragFrom, QSize()));
        m_pBand->show();
    }
}

void CKivView::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint p = pEvent->position().toPoint();
    if (!m_bDragging) {
        ShowPointed(p);
        return;
    }
    m_bMoved = m_bMoved || (p - m_dragFrom).manhattanLength() > 3;
    if (m_bBanding) {
        m_pBand->setGeometry(QRect(m_dragFrom, p).normalized());
        return;
    }
    double dFx = 0, dFy = 0;
    const CPanelLayout* pPanel = PanelAt(m_dragFrom, dFx, dFy);
    if (!pPanel || !m_bMoved)
        return;
    // The plot follows the pointer.
    const CPlotRect& r = pPanel->m_rect;
    const double dx = static_cast<double>(p.x() - m_dragFrom.x()) / (r.m_nRight - r.m_nLeft);
    const double dy = static_cast<double>(m_dragFrom.y() - p.y()) / (r.m_nBottom - r.m_nTop);
    m_viewStyle.m_zoom = SubZoom(m_dragZoom, -dx, 1 - dx, -dy, 1 - dy);
    update();
}

void CKivView::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (!m_bDragging) {
        QWidget::mouseReleaseEvent(pEvent);
        return;
    }
    m_bDragging = false;
    const QPoint p = pEvent->position().toPoint();
    if (m_bBanding) {
        m_pBand->hide();
        double dFx0 = 0, dFy0 = 0;
        const CPanelLayout* pPanel = PanelAt(m_dragFrom, dFx0, dFy0);
        if (pPanel && m_bMoved) {
            const CPlotRect& r = pPanel->m_rect;
            const double dFx1 = static_cast<double>(p.x() - r.m_nLeft) / (r.m_nRight - r.m_nLeft);
            const double dFy1 = static_cast<double>(r.m_nBottom - p.y()) / (r.m_nBottom - r.m_nTop);
            m_viewStyle.m_zoom = SubZoom(m_viewStyle.m_zoom, std::min(dFx0, dFx1), std::max(dFx0, dFx1),
                                         std::min(dFy0, dFy1), std::max(dFy0, dFy1));
            update();
        }
        return;
    }
    if (m_bMoved || pEvent->button() != Qt::LeftButton || !g_pMaterial)
        return;
    // A click: the curve of the point under the pointer, marked in the table too.
    const std::optional<CPlotPick> pick = PickPoint(m_lastLayout, *Drawn(), m_viewStyle.m_eView, p);
    const int nCurve = pick ? pick->m_nCurve : 0;
    Highlight(nCurve);
    if (m_pTable->rowCount() != g_pMaterial->m_nCurves)
        m_pTable->Refill(g_pMaterial.get());
    m_pTable->MarkCurve(nCurve);
    if (pick)
        emit StatusText(PickText(*Drawn(), *pick));
}

void CKivView::keyPressEvent(QKeyEvent* pEvent) {
    if (m_bPlotMode && (pEvent->key() == Qt::Key_Home || pEvent->key() == Qt::Key_R) &&
        !(pEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        ResetZoom();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

void CKivView::SetPreview(const CMaterial* pMaterial) {
    m_pPreview = pMaterial;
    update();
}

const CMaterial* CKivView::Drawn() const { return m_pPreview ? m_pPreview : g_pMaterial.get(); }

void CKivView::MarkModified() { m_doc.SetModified(true); }

void CKivView::ShowUndone() {
    emit StateChanged();
    update();
}

void CKivView::ShowPlot() {
    m_bPlotMode = true;
    m_bListMode = false;
    m_pTable->hide();
    update();
}

int CKivView::SelectedListRow() const { return m_pTable->MarkedCurve(); }

void CKivView::SetSelectedListRow(int nRow) { m_pTable->MarkCurve(nRow); }

void CKivView::RefreshTable() {
    if (m_bListMode)
        m_pTable->Refill(g_pMaterial.get());
}

// ---- helpers -------------------------------------------------------------------------

bool CKivView::Guarded(const QString& strWhat, const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const std::bad_alloc&) {
        QMessageBox::critical(this, strWhat, QStringLiteral("There is not enough memory for this command."));
    } catch (const std::exception& e) {
        QMessageBox::critical(this, strWhat, QString::fromStdString(e.what()));
    }
    emit StateChanged();
    return false;
}

QString CKivView::AskFileName(const QString& strTitle, const QString& strFilter, const QString& strSuffix, bool bSave,
                              const QString& strSelect) {
    QFileDialog dialog(this, strTitle, WorkFolder(), strFilter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(strSuffix);
    // A name typed without an ending gets the ending of the chosen filter.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& strChosen) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(R"(\*\.(\w+))")).match(strChosen);
        if (match.hasMatch())
            dialog.setDefaultSuffix(match.captured(1));
    });
    if (!strSelect.isEmpty())
        dialog.selectFile(strSelect);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QStringList CKivView::AskFileNames(const QString& strTitle, const QString& strFilter) {
    QFileDialog dialog(this, strTitle, WorkFolder(), strFilter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString CKivView::WorkFolder() const {
    if (g_pMaterial) {
        const QString strFolder = FromStd(g_pMaterial->WorkPath("."));
        return QDir(strFolder).absolutePath();
    }
    return m_strStartFolder;
}

bool CKivView::MayDiscardMaterial() {
    if (!g_pMaterial || !m_doc.IsModified())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vornel"),
                    QStringLiteral("The material \"%1\" has curves that are not saved in its file %2.")
                        .arg(MaterialTitle(*g_pMaterial), FromStd(g_pMaterial->FilePath(1))),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setInformativeText(QStringLiteral("Save them before the material is closed?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        OnSave();
        return !m_doc.IsModified();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

// ---- material commands ---------------------------------------------------------------

void CKivView::OnNewMaterial() {
    if (!MayDiscardMaterial())
        return;
    CMaterialNameDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string strName = dialog.m_strName.toStdString();
    if (Guarded(QStringLiteral("New material"), [&] { NewMaterial(strName, m_strStartFolder.toStdString()); })) {
        m_doc.SetModified(false);
        SetSelectedListRow(0);
        m_viewStyle.m_zoom = {};
        update();
        emit StatusText(QStringLiteral("New material \"%1\": add its curves with Add File").arg(dialog.m_strName));
        emit StateChanged();
    }
}

void CKivView::OnOpenFile() {
    if (!MayDiscardMaterial())
        return;
    const QString strPath =
        AskFileName(QStringLiteral("Open File"), QStringLiteral("Vornel materials (*.mat);;All files (*)"),
                    QStringLiteral("mat"), false);
    if (strPath.isEmpty())
        return;
    OpenAsked(strPath);
}

bool CKivView::OpenMaterialFile(const QString& strPath) {
    return MayDiscardMaterial() && OpenAsked(strPath);
}

bool CKivView::OpenAsked(const QString& strPath) {
    if (!Guarded(QStringLiteral("Open File"), [&] { OpenMaterial(strPath.toStdString()); }))
        return false;
    m_doc.SetModified(false);
    SetSelectedListRow(0);
    m_viewStyle.m_zoom = {};
    update();
    emit MaterialFileUsed(FromStd(g_pMaterial->FilePath(1)));
    emit StatusText(QStringLiteral("Opened %1: %2 curves, %3 points")
                        .arg(FromStd(g_pMaterial->FilePath(1)))
                        .arg(g_pMaterial->m_nCurves)
                        .arg(g_pMaterial->m_nPoints));
    emit StateChanged();
    return true;
}

void CKivView::OnAddFile() {
    if (!g_pMaterial)
        return;
    AddFiles(AskFileNames(QStringLiteral("Add File"), QStringLiteral("Experiment data (*.asc);;All files (*)")));
}

void CKivView::AddFiles(const QStringList& aFiles) {
    if (!g_pMaterial || aFiles.isEmpty())
        return;
    std::vector<std::string> aPaths;
    for (const QString& strFile : aFiles)
        aPaths.push_back(strFile.toStdString());
    std::vector<CIntakeRow> aRows;
    if (!Guarded(QStringLiteral("Add File"), [&] { aRows = RowsForFiles(aPaths); }))
        return;
    // Files that are not in the experiment data format: their columns, then the preparation
    // of the whole batch, then the conditions of every file.
    const auto column = std::find_if(aRows.begin(), aRows.end(), [](const CIntakeRow& row) { return row.m_bColumnFile; });
    if (column != aRows.end()) {
        CColumnChoiceDlg choice(column->m_strFile, CImportProfile{}, this);
        if (choice.exec() != QDialog::Accepted)
            return;
        CPreparationDlg preparation(aPaths, choice.Profile(), this);
        if (preparation.exec() != QDialog::Accepted)
            return;
        const CImportProfile profile = preparation.Profile();
        if (Guarded(QStringLiteral("Add File"), [&] { aRows = RowsForFiles(aPaths, &profile); }))
            AddRows(std::move(aRows), QStringLiteral("%1 file%2").arg(aFiles.size()).arg(aFiles.size() > 1 ? "s" : ""),
                    &profile);
        return;
    }
    if (aFiles.size() > 1) {
        AddRows(std::move(aRows), QStringLiteral("%1 files").arg(aFiles.size()));
        return;
    }
    const QString strPath = aFiles.constFirst();
    CConditionsDlg conditions(this, QFileInfo(strPath).fileName());
    if (conditions.exec() != QDialog::Accepted)
        return;
    CImportSummary summary;
    if (!Guarded(QStringLiteral("Add File"),
                 [&] { g_history.Record([&] { summary = AddCurve(strPath.toStdString(), conditions.m_dTemp, conditions.m_dRate); }); }))
        return;
    m_doc.SetModified(true);
    emit StatusText(QStringLiteral("Curve %1 added from %2: %3 points read, %4 rows skipped")
                        .arg(g_pMaterial->m_nCurves)
                        .arg(strPath)
                        .arg(summary.m_nTaken)
                        .arg(summary.m_nBadStrain + summary.m_nLowStress));
    update();
    emit StateChanged();
    if (summary.StoppedEarly())
        QMessageBox::information(this, QStringLiteral("Add File"),
                                 QStringLiteral("%1: %2.\nThe %3 points before that line were added as curve %4.")
                                     .arg(strPath, FromStd(summary.StopDescription()))
                                     .arg(summary.m_nTaken)
                                     .arg(g_pMaterial->m_nCurves));
}

void CKivView::OnAddCurvesFromList() {
    if (!g_pMaterial)
        return;
    const QString strList = AskFileName(QStringLiteral("Add curves from list"),
                                        QStringLiteral("Lists of curves (*.txt *.lst);;All files (*)"), QString(), false);
    if (strList.isEmpty())
        return;
    std::vector<CIntakeRow> aRows;
    if (Guarded(QStringLiteral("Add curves from list"), [&] { aRows = RowsFromList(strList.toStdString()); }))
        AddRows(std::move(aRows), QStringLiteral("The list %1").arg(QFileInfo(strList).fileName()));
}

void CKivView::AddRows(std::vector<CIntakeRow> aRows, const QString& strWhere, const CImportProfile* pProfile) {
    if (aRows.empty()) {
        QMessageBox::information(this, QStringLiteral("Add curves"), strWhere + QStringLiteral(" names no curve."));
        return;
    }
    const int nBefore = g_pMaterial->m_nCurves;
    CAddCurvesDlg dialog(std::move(aRows), strWhere, this);
    if (pProfile)
        dialog.SetProfile(*pProfile);
    if (dialog.exec() != QDialog::Accepted || dialog.Added().empty())
        return;
    QStringList aNotes;
    for (const std::string& strNote : dialog.Notes())
        aNotes << FromStd(strNote);
    if (!aNotes.isEmpty())
        emit Messages(aNotes);
    m_doc.SetModified(true);
    int nPoints = 0;
    QStringList aStopped;
    for (std::size_t i = 0; i < dialog.Added().size(); ++i) {
        const CImportSummary& summary = dialog.Added()[i];
        nPoints += summary.m_nTaken;
        if (summary.StoppedEarly())
            aStopped << QStringLiteral("%1: %2; %3 points taken before it")
                            .arg(FromStd(dialog.AddedCurves()[i].m_strFile), FromStd(summary.StopDescription()))
                            .arg(summary.m_nTaken);
    }
    emit StatusText(QStringLiteral("Curves %1..%2 added: %3 files, %4 points read")
                        .arg(nBefore + 1)
                        .arg(g_pMaterial->m_nCurves)
                        .arg(dialog.Added().size())
                        .arg(nPoints));
    update();
    emit StateChanged();
    if (!aStopped.isEmpty())
        QMessageBox::information(this, QStringLiteral("Add curves"),
                                 QStringLiteral("Reading stopped early in these files:\n") + aStopped.join('\n'));
}

void CKivView::OnExportCurves() {
    if (!g_pMaterial)
        return;
    QFileDialog dialog(this, QStringLiteral("Export curves"), WorkFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString strFolder = dialog.selectedFiles().constFirst();
    std::vector<std::string> aWritten;
    if (Guarded(QStringLiteral("Export curves"), [&] { aWritten = ExportCurves(strFolder.toStdString()); }))
        emit StatusText(QStringLiteral("%1 curves written to %2 as experiment data files (%3), with their list curves.txt")
                            .arg(aWritten.size() - 1)
                            .arg(strFolder, g_pMaterial->m_nPrepared ? QStringLiteral("as the fit resampled them")
                                                                      : QStringLiteral("as read and prepared")));
}

void CKivView::OnSave() {
    if (!g_pMaterial)
        return;
    if (!Guarded(QStringLiteral("Save"), [] { SaveMaterial(); }))
        return;
    m_doc.SetModified(false);
    const QString strPath = FromStd(g_pMaterial->FilePath(1));
    emit MaterialFileUsed(strPath);
    emit StatusText(QStringLiteral("Saved %1").arg(strPath));
    emit StateChanged();
}

void CKivView::OnSaveAs() {
    if (!g_pMaterial)
        return;
    const QString strPath =
        AskFileName(QStringLiteral("Save As"), QStringLiteral("Vornel materials (*.mat);;All files (*)"),
                    QStringLiteral("mat"), true, QFileInfo(FromStd(g_pMaterial->m_strFileName)).fileName());
    if (strPath.isEmpty())
        return;
    if (!Guarded(QStringLiteral("Save As"), [&] { SaveMaterialAs(strPath.toStdString()); }))
        return;
    m_doc.SetModified(false);
    const QString strSaved = FromStd(g_pMaterial->FilePath(1));
    emit MaterialFileUsed(strSaved);
    emit StatusText(QStringLiteral("Saved %1").arg(strSaved));
    emit StateChanged();
}

void CKivView::OnRemoveCurve(int nCurve) {
    if (!g_pMaterial || nCurve < 1 || nCurve > g_pMaterial->m_nCurves)
        return;
    const QString strLabel = FromStd(g_pMaterial->Curve(nCurve - 1).m_strLabel);
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Remove curve"),
        QStringLiteral("Remove curve %1 (%2) from the material? The fit of the material is cleared.")
            .arg(nCurve)
            .arg(strLabel));
    if (answer != QMessageBox::Yes)
        return;
    if (!Guarded(QStringLiteral("Remove curve"), [&] { g_history.Record([&] { RemoveCurve(nCurve); }); }))
        return;
    m_doc.SetModified(true);
    emit StatusText(QStringLiteral("Curve %1 removed: %2 curves left").arg(nCurve).arg(g_pMaterial->m_nCurves));
    emit StateChanged();
    SetSelectedListRow(std::min(nCurve, g_pMaterial->m_nCurves));
    update();
}

void CKivView::OnLeaveOut(int nCurve, bool bLeftOut) {
    if (!g_pMaterial || nCurve < 1 || nCurve > g_pMaterial->m_nCurves || g_pMaterial->Curve(nCurve - 1).m_bLeftOut == bLeftOut)
        return;
    if (Guarded(QStringLiteral("Leave out of the fit"), [&] { g_history.Record([&] { LeaveOutCurve(nCurve, bLeftOut); }); })) {
        m_doc.SetModified(true);
        emit StatusText(QStringLiteral("Curve %1 %2 the fit: %3 of %4 curves fitted on; the fit is cleared")
                            .arg(nCurve)
                            .arg(bLeftOut ? QStringLiteral("left out of") : QStringLiteral("taken back into"))
                            .arg(CurvesFittedOn(*g_pMaterial))
                            .arg(g_pMaterial->m_nCurves));
        emit StateChanged();
    }
    SetSelectedListRow(nCurve);
    update();
}

void CKivView::OnConditionEdited(int nCurve, int nColumn, const QString& strText) {
    if (!g_pMaterial || nCurve < 1 || nCurve > g_pMaterial->m_nCurves)
        return;
    const CCurve& curve = g_pMaterial->Curve(nCurve - 1);
    double dTemp = curve.m_dTemp;
    double dRate = curve.m_dRate;
    double& dValue = nColumn == CCurveTableView::kTemp ? dTemp : dRate;
    const QString strWhat = nColumn == CCurveTableView::kTemp ? QStringLiteral("temperature") : QStringLiteral("strain rate");
    const bool bNumber = ParseUserNumber(strText.toStdString(), dValue);
    if (bNumber && dTemp == curve.m_dTemp && dRate == curve.m_dRate) {
        RefreshTable();
        return;
    }
    const bool bSet = Guarded(QStringLiteral("Curve conditions"), [&] {
        if (!bNumber)
            throw CInputError(QStringLiteral("curve %1: the %2 \"%3\" is not a number")
                                  .arg(nCurve)
                                  .arg(strWhat, strText.trimmed())
                                  .toStdString());
        g_history.Record([&] { SetCurveConditions(nCurve, dTemp, dRate); });
    });
    if (bSet) {
        m_doc.SetModified(true);
        emit StatusText(QStringLiteral("Curve %1 now at t= %2, H= %3; the fit is cleared")
                            .arg(nCurve)
                            .arg(DialogNumber(dTemp), DialogNumber(dRate)));
        emit StateChanged();
    } // a refused value: Guarded emitted StateChanged, which put the old value back
    SetSelectedListRow(nCurve);
}

// ---- view commands -------------------------------------------------------------------

void CKivView::OnSelectFileList() {
    m_bPlotMode = false;
    m_bListMode = true;
    m_pTable->setGeometry(rect());
    m_pTable->Refill(g_pMaterial.get());
    m_pTable->show();
    m_pTable->setFocus();
    update();
}

void CKivView::SetPlotView(EPlotView eView) {
    m_viewStyle.m_eView = eView;
    ShowPlot();
}

void CKivView::SetLegend(bool bShown) {
    m_viewStyle.m_bLegend = bShown;
    update();
}

void CKivView::OnGraf() { ShowPlot(); }

void CKivView::OnGrafGrid() {
    CGridDlg dialog(m_plot, this);
    dialog.exec();
    update();
}

void CKivView::OnExportPlot() {
    if (!g_pMaterial)
        return;
    QString strPath =
        AskFileName(QStringLiteral("Export plot"), QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"),
                    QStringLiteral("png"), true, QStringLiteral("plot.png"));
    if (strPath.isEmpty())
        return;
    if (Guarded(QStringLiteral("Export plot"), [&] {
            WritePlotFile(*g_pMaterial, strPath.toStdString(), QSize(kPlotImageWidth, kPlotImageHeight),
                          m_plot.m_nXCells, m_plot.m_nYCells, m_viewStyle);
        }))
        emit StatusText(QStringLiteral("Plot written to %1").arg(strPath));
}

QPrinter& CKivView::Printer() {
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_pPrinter->setPageOrientation(QPageLayout::Landscape);
    }
    return *m_pPrinter;
}

namespace {

// The header of the report page: material, model, coefficients, errors.
QStringList ReportHeader(const CMaterial& material) {
    QStringList aLines;
    aLines << QStringLiteral("Material: %1").arg(MaterialTitle(material));
    const CModelInfo* pModel = FindModel(material.m_nFunction);
    aLines << (pModel ? QStringLiteral("Model %1").arg(QString::fromLatin1(pModel->m_szLabel))
                      : QStringLiteral("No model chosen"));
    QString strCoef;
    for (int k = 0; k < (pModel ? material.m_nCoef : 0); ++k) {
        const QString strOne = QStringLiteral("A%1 = %2").arg(k + 1).arg(material.m_dCoef[static_cast<std::size_t>(k)], 0, 'g', 17);
        // Four coefficients a line.
        if (k % 4 == 0 && !strCoef.isEmpty()) {
            aLines << strCoef;
            strCoef.clear();
        }
        strCoef += (strCoef.isEmpty() ? QString() : QStringLiteral("    ")) + strOne;
    }
    if (!strCoef.isEmpty())
        aLines << strCoef;
    if (pModel && material.m_nCoef > 0)
        aLines << QStringLiteral("ErrorSr= %1    ErrorMax= %2    curves fitted on: %3 of %4")
                      .arg(DialogNumber(material.m_dErrorSr), DialogNumber(material.m_dErrorMax))
                      .arg(CurvesFittedOn(material))
                      .arg(material.m_nCurves);
    return aLines;
}

} // namespace

QStringList CKivView::PrintTo(QPagedPaintDevice* pPrinter) {
    if (!g_pMaterial)
        return {};
    QPainter painter;
    if (!painter.begin(pPrinter)) {
        QMessageBox::critical(this, QStringLiteral("Print"), QStringLiteral("The printer cannot be used."));
        return {};
    }
    // The page is laid out on a canvas 1200 wide, as high as the page's proportions ask,
    // scaled to the page, so lines and texts keep their proportions on any printer.
    const QRect page = painter.viewport();
    const int nHeight = page.width() > 0 ? kPlotImageWidth * page.height() / page.width() : kPlotImageHeight;
    const QSize canvas(kPlotImageWidth, std::max(nHeight, 200));
    painter.setWindow(QRect(QPoint(0, 0), canvas));
    painter.setFont(PlotFileFont());
    painter.setPen(Qt::black);
    const QStringList aHeader = ReportHeader(*g_pMaterial);
    const int nLine = QFontMetrics(PlotFileFont()).height() + 2;
    int y = 4;
    for (const QString& strLine : aHeader) {
        DrawTextAt(painter, 8, y, strLine);
        y += nLine;
    }
    painter.drawLine(8, y + 2, canvas.width() - 8, y + 2);
    CCurvePlot plot = m_plot;
    DrawPlotView(painter, QRect(QPoint(0, y + 8), QPoint(canvas.width() - 1, canvas.height() - 1)), *g_pMaterial, plot,
                 m_viewStyle);
    painter.end();
    return aHeader;
}

void CKivView::OnExportReport() {
    if (!g_pMaterial)
        return;
    const QString strPath = AskFileName(QStringLiteral("Export report"), QStringLiteral("PDF files (*.pdf)"),
                                        QStringLiteral("pdf"), true);
    if (strPath.isEmpty())
        return;
    // The page is made in memory and written as a whole through the one writer of every
    // output: a failed write leaves the previous file.
    QByteArray aBytes;
    {
        QBuffer buffer(&aBytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setResolution(300);
        writer.setTitle(MaterialTitle(*g_pMaterial));
        PrintTo(&writer);
    }
    if (Guarded(QStringLiteral("Export report"), [&] {
            WriteFileBytes(strPath.toStdString(),
                           {reinterpret_cast<const unsigned char*>(aBytes.constData()), static_cast<std::size_t>(aBytes.size())});
        }))
        emit StatusText(QStringLiteral("Report written to %1").arg(strPath));
}

void CKivView::OnPrint() {
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(&Printer());
}

void CKivView::OnPrintPreview() {
    QPrintPreviewDialog dialog(&Printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pPrinter) { PrintTo(pPrinter); });
    dialog.exec();
}

void CKivView::OnPrintSetup() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

void CKivView::ShowSurface3D() {
    if (!g_pMaterial)
        return;
    CTemp3dDlg dialog(g_pMaterial->m_dTemp3d, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CSurfaceExportStatus status;
    if (!Guarded(QStringLiteral("3d visualization"), [&] { status = ExportSurface3D(dialog.m_dTemp); }))
        return;
    if (!status.Ok()) {
        QMessageBox::information(this, QStringLiteral("3d visualization"), FromStd(status.m_strMessage));
        return;
    }
    const QString strFolder = WorkFolder();
    const QString strSurface = QDir(strFolder).absoluteFilePath(QString::fromLatin1(kSurfaceFileName));
    if (!status.m_strMessage.empty())
        emit Messages({QStringLiteral("%1: %2").arg(strSurface, FromStd(status.m_strMessage))});
    QString strProgram = m_strViewerProgram;
    if (strProgram.isEmpty()) {
        const QString strBeside = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("orbiq");
        strProgram = QFileInfo(strBeside).isExecutable() ? strBeside : QStandardPaths::findExecutable("orbiq");
    }
    if (strProgram.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("3d visualization"),
                             QStringLiteral("The surface was written to %1, but the 3D viewer orbiq was found "
                                            "neither in %2 nor on the PATH.")
                                 .arg(strSurface, QCoreApplication::applicationDirPath()));
        return;
    }
    if (!QProcess::startDetached(strProgram, {strSurface}, strFolder, &m_nViewerPid)) {
        QMessageBox::warning(this, QStringLiteral("3d visualization"),
                             QStringLiteral("The surface was written to %1, but the 3D viewer %2 could not be "
                                            "started.")
                                 .arg(strSurface, strProgram));
        return;
    }
    emit StatusText(QStringLiteral("Surface at t = %1 written to %2; orbiq started%3")
                        .arg(DialogNumber(g_pMaterial->m_dTemp3d), strSurface,
                             status.m_strMessage.empty() ? QString() : QStringLiteral("; ") + FromStd(status.m_strMessage)));
}

// ---- run results ---------------------------------------------------------------------

void CKivView::ReportRun(const CRunResult& result) {
    QStringList aFailed;
    bool bMaterialWritten = false;
    for (const COutputFile& output : result.m_aOutputs) {
        if (g_pMaterial && output.m_strPath == g_pMaterial->FilePath(1) && output.m_eStatus == EOutputStatus::Written)
            bMaterialWritten = true;
    }
    if (bMaterialWritten) {
        m_doc.SetModified(false);
        emit MaterialFileUsed(FromStd(g_pMaterial->FilePath(1)));
    }
    // The run's lines in the Messages pane (what the refinement did prefixed "Refine: "); the
    // files that could not be written also in a warning box.
    QStringList aLines;
    for (const CRunLine& line : RunLines(result)) {
        if (line.m_eKind == ERunLine::OutputFailed)
            aFailed << FromStd(line.m_strText);
        else
            aLines << (line.m_eKind == ERunLine::Refinement ? QStringLiteral("Refine: ") : QString()) +
                          FromStd(line.m_strText);
    }
    if (!aLines.isEmpty())
        emit Messages(aLines);
    if (!result.Ok())
        emit StatusText(QStringLiteral("No fit: ") +
                        (result.m_strMessage.empty() ? QString::fromLatin1(kNoFitMessage) : FromStd(result.m_strMessage)));
    else if (!result.m_aWarnings.empty())
        emit StatusText(QStringLiteral("Model %1 fitted with %2 engine messages (View > Messages): %3")
                            .arg(g_pMaterial->m_nFunction)
                            .arg(result.m_aWarnings.size())
                            .arg(FromStd(result.m_aWarnings.back())));
    else if (result.Ok() && g_pMaterial)
        emit StatusText(QStringLiteral("Model %1 fitted: ErrorSr= %2, ErrorMax= %3")
                            .arg(g_pMaterial->m_nFunction)
                            .arg(DialogNumber(g_pMaterial->m_dErrorSr), DialogNumber(g_pMaterial->m_dErrorMax)) +
                        (CurvesFittedOn(*g_pMaterial) < g_pMaterial->m_nCurves
                             ? QStringLiteral(" (on %1 of %2 curves)").arg(CurvesFittedOn(*g_pMaterial)).arg(g_pMaterial->m_nCurves)
                             : QString()));
    if (!aFailed.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Vornel"),
                             QStringLiteral("The fit is done, but these files could not be written:\n") +
                                 aFailed.join('\n'));
    emit StateChanged();
}
