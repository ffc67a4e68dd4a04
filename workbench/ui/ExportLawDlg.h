#pragma once
// "Export law": File > Export law... writes the fitted law for a forming solver in one of
// the formats of LawExport.h, chosen by the file dialog's file type (one filter a format).
//
// The dialog holds the three fields of the tables' grid ("MAX:N" strains, strain rates,
// temperatures; empty takes the measured values, shown greyed in the field), the first
// LS-DYNA id, and what a deck holds beside the law (CDeckOptions): the unit system, the
// elastic modulus and Poisson's ratio, the density, the inelastic heat fraction (empty:
// placeholders, none) and the strain rate of the CalculiX deck; and it shows what the law check finds over the tables' grid and over the range
// the subroutines are called in, anew whenever a field is left. Export... asks for the file
// and writes it; the dialog stays open for the next format. A field that cannot be read, or
// a file that cannot be written, is shown in a message box naming it, and nothing is
// written. The findings of each written file's grid go to Messages().

#include "vornel/export/LawExport.h"

#include <QDialog>
#include <QStringList>

#include <optional>

class CMaterial;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QComboBox;
class QPushButton;
class QSpinBox;

class CExportLawDlg : public QDialog {
    Q_OBJECT
public:
    // material must outlive the dialog; the file dialog starts in strFolder.
    CExportLawDlg(const CMaterial& material, const QString& strFolder, QWidget* pParent = nullptr);

    QLineEdit* m_pStrainsEdit = nullptr;
    QLineEdit* m_pRatesEdit = nullptr;
    QLineEdit* m_pTempsEdit = nullptr;
    QSpinBox* m_pFirstIdSpin = nullptr;
    QComboBox* m_pUnitsList = nullptr;      // ExportUnitNames(), the default first
    QLineEdit* m_pElasticEdit = nullptr;    // "E,nu"
    QLineEdit* m_pDensityEdit = nullptr;
    QLineEdit* m_pHeatFractionEdit = nullptr;
    QLineEdit* m_pCalculixRateEdit = nullptr; // the CalculiX deck's strain rate, 1/s
    QPlainTextEdit* m_pCheckPane = nullptr; // the law check's findings
    QLabel* m_pWrittenLabel = nullptr;      // the last file written
    QPushButton* m_pExportButton = nullptr;

    // Writes the law in format to strPath on the dialog's grid; false (after a message box)
    // when a field cannot be read or the file cannot be written.
    bool ExportTo(const CExportFormat& format, const QString& strPath);

public slots:
    // Asks for the file, its type choosing the format, and writes it.
    void OnExport();
    // Shows the law check for the fields as they stand.
    void UpdateLawCheck();

signals:
    // Lines for the messages pane: the findings of a written file.
    void Messages(const QStringList& aLines);
    // A line for the status bar.
    void StatusText(const QString& strText);

private:
    // The law on the grid of the fields; null after showing why not, in a message box when
    // bTell, else in the check pane.
    std::optional<CLawExport> MakeLaw(bool bTell);

    const CMaterial& m_material;
    QString m_strFolder;
};
