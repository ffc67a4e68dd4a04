#pragma once
// The windows of the hot-working analyses (View > Processing map, View > Hot-working
// analysis). Both read the material and change nothing; what they show comes from the core
// (vornel/analysis/), the pictures from AnalysisPlots.h.
//
// "Processing map": the strains (several, separated by commas) and the source (the fitted
// law, or the measured curves); Draw shows a map per strain. Export picture... writes them
// as a PNG image or an SVG drawing, Export CSV... their grids (ProcessingMapCsv).
//
// "Hot-working analysis": tabs "Curves" (peak stress and strain or "no peak", steady-state
// stress or "none", the stress at the chosen strains, per curve), "Activation energy" (alpha,
// n, Q and ln A by beta/n1 and by the searched alpha with R^2, n1, beta, model 19's Q, and a
// row per line behind the slopes with its slope, intercept and R^2) and "Plots" (the plots
// behind the slopes). The stresses of the activation energy are the peak stresses or those
// at a chosen strain. Export picture... writes the plots, Export CSV... the table of the tab
// shown (the plots' tab: the activation energy's).
//
// A value that cannot be read keeps the window as it was and says which; a file that
// cannot be written is named with the reason in a message box.

#include "vornel/analysis/ActivationEnergy.h"
#include "vornel/analysis/CurveCharacteristics.h"
#include "vornel/analysis/ProcessingMap.h"

#include <QDialog>
#include <QWidget>

#include <functional>
#include <vector>

class CMaterial;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableWidget;

// A widget that paints what its function draws into its whole area.
class CPictureCanvas : public QWidget {
    Q_OBJECT
public:
    using PaintFunction = std::function<void(QPainter& painter, const QRect& area)>;
    explicit CPictureCanvas(PaintFunction paint, QWidget* pParent = nullptr);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    PaintFunction m_paint;
};

class CProcessingMapDlg : public QDialog {
    Q_OBJECT
public:
    // material must outlive the dialog; strFolder is where the file dialogs start.
    CProcessingMapDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent = nullptr);

    const std::vector<CProcessingMap>& Maps() const { return m_aMaps; }
    QLineEdit* StrainsEdit() const { return m_pStrains; }
    QComboBox* SourceBox() const { return m_pSource; }
    QLabel* NotesLabel() const { return m_pNotes; }
    CPictureCanvas* Canvas() const { return m_pCanvas; }

public slots:
    // Forms the maps of the strains and source shown; false (and a message) when the
    // strains cannot be read.
    bool Draw();
    void ExportPicture(const QString& strPath = {});
    void ExportCsv(const QString& strPath = {});

private:
    const CMaterial& m_material;
    QString m_strFolder;
    std::vector<CProcessingMap> m_aMaps;
    QLineEdit* m_pStrains = nullptr;
    QComboBox* m_pSource = nullptr;
    QLabel* m_pNotes = nullptr;
    CPictureCanvas* m_pCanvas = nullptr;
};

class CHotWorkingDlg : public QDialog {
    Q_OBJECT
public:
    CHotWorkingDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent = nullptr);

    const std::vector<CCurveCharacteristics>& Curves() const { return m_aCurves; }
    const CActivationEnergy& Energy() const { return m_energy; }
    QComboBox* BasisBox() const { return m_pBasis; }
    QLineEdit* BasisStrainEdit() const { return m_pBasisStrain; }
    QLineEdit* TableStrainsEdit() const { return m_pTableStrains; }
    QTabWidget* Tabs() const { return m_pTabs; }
    QTableWidget* CurveTable() const { return m_pCurveTable; }
    QTableWidget* EnergyTable() const { return m_pEnergyTable; }
    QTableWidget* LineTable() const { return m_pLineTable; }

public slots:
    // Analyses the material with the strains shown; false (and a message) when they cannot
    // be read.
    bool Update();
    void ExportPicture(const QString& strPath = {});
    void ExportCsv(const QString& strPath = {});

private:
    void FillTables();

    const CMaterial& m_material;
    QString m_strFolder;
    std::vector<double> m_aTableStrains;
    std::vector<CCurveCharacteristics> m_aCurves;
    CActivationEnergy m_energy;
    QComboBox* m_pBasis = nullptr;
    QLineEdit* m_pBasisStrain = nullptr;
    QLineEdit* m_pTableStrains = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QTableWidget* m_pCurveTable = nullptr;
    QTableWidget* m_pEnergyTable = nullptr;
    QTableWidget* m_pLineTable = nullptr;
    QLabel* m_pNotes = nullptr;
    CPictureCanvas* m_pPlots = nullptr;
};
