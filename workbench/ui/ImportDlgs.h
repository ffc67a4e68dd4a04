#pragma once
// The dialogs of column files and their preparation, thin shells over core/intake:
//
// "Columns of <file>" (CColumnChoiceDlg): the file's first rows in a table, and above each
// column its title, what it holds (strain, stress, force, stroke, temperature, time, or
// nothing, as the titles say at first) and its unit; the specimen's height and diameter for
// force and stroke; engineering or true values; a preview of the raw and the prepared curve;
// the profile's name, the saved profiles to start from, and Save profile. Everything that
// refuses says which file, line, column or key.
//
// "Preparation" (CPreparationDlg): the steps a..g for the whole batch of files, with the
// preview of the first file's raw and prepared curve.
//
// Saved profiles are the files NAME.profile in the folder ProfileFolder().

#include "vornel/intake/CurveImport.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// A small plot of the raw curve (grey) and the prepared one (blue), strain over stress.
class CPreviewPlot : public QWidget {
public:
    explicit CPreviewPlot(QWidget* pParent = nullptr);
    void SetCurves(std::vector<std::pair<double, double>> aRaw, std::vector<std::pair<double, double>> aPrepared,
                   const QString& strMessage);
    QSize sizeHint() const override { return {360, 220}; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    std::vector<std::pair<double, double>> m_aRaw, m_aPrepared;
    QString m_strMessage;
};

// The folder of the saved profiles (created on first save).
QString ProfileFolder();

// Reads strFile raw (no preparation) and with profile into plot; a refusal is shown in it.
void PreviewFile(CPreviewPlot& plot, const std::string& strFile, const CImportProfile& profile);

class CColumnChoiceDlg : public QDialog {
    Q_OBJECT
public:
    // strFile: the column file shown; profile: where to start from.
    CColumnChoiceDlg(const std::string& strFile, const CImportProfile& profile, QWidget* pParent = nullptr);

    // The profile as the controls set it.
    CImportProfile Profile() const;
    void accept() override;
    // Saves the profile as ProfileFolder()/NAME.profile; false (after a message) when it
    // cannot be written or has no name.
    bool SaveProfile();

    QTableWidget* m_pTable;
    std::vector<QComboBox*> m_aRoles; // per column
    std::vector<QLineEdit*> m_aUnits; // per column
    QComboBox* m_pProfiles;           // the saved profiles, to start from
    QLineEdit* m_pName;
    QLineEdit* m_pHeight0;
    QLineEdit* m_pDiameter0;
    QComboBox* m_pValues;
    QLabel* m_pFileLabel;
    CPreviewPlot* m_pPreview;
    QString m_strLastError;

private:
    void Load(const CImportProfile& profile);
    void Refresh();

    std::string m_strFile;
    CColumnLayout m_layout;
    CImportProfile m_base; // keys the dialog does not show (preparation, text options)
};

class CPreparationDlg : public QDialog {
    Q_OBJECT
public:
    // aFiles: the batch (the first is previewed); profile: the columns and the preparation
    // to start from.
    CPreparationDlg(std::vector<std::string> aFiles, const CImportProfile& profile, QWidget* pParent = nullptr);

    CImportProfile Profile() const;
    void accept() override;

    QCheckBox* m_pSegment;
    QCheckBox* m_pFoot;
    QLineEdit* m_pFriction;   // empty: no friction correction (unless a list gives a barrel)
    QComboBox* m_pAdiabatic;  // no, rate, measured
    QLineEdit* m_pDensity;
    QLineEdit* m_pHeatCapacity;
    QLineEdit* m_pHeatFraction;
    QCheckBox* m_pRepeats;
    CPreviewPlot* m_pPreview;
    QString m_strLastError;

private:
    // The profile from the controls; throws CInputError naming the field.
    CImportProfile Read() const;
    void Refresh();

    std::vector<std::string> m_aFiles;
    CImportProfile m_profile;
};
