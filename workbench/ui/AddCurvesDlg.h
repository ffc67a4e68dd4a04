#pragma once
// "Add curves": several experiment data files in one dialog, a row per file (Add File with
// several files, files dropped on the window, File > Add curves from list...).
//
// Each row shows whether the file is added (a row can be left out), the file's name, t and
// U as the core found them (CurveIntake.h: a conditions list, the file name, the first
// header line) and where they came from, and what the import will read: its points, or why
// it refuses the file. Every t and U cell can be edited. OK checks the rows
// (CheckIntakeRows): a bad row keeps the dialog open, its cells marked and every bad row
// named in a message; otherwise it adds all files at once (AddCurves), or none when one
// fails, and the dialog stays open with the message naming the file.

#include "vornel/intake/CurveIntake.h"
#include "vornel/intake/ImportProfile.h"
#include "vornel/intake/Import.h"

#include <QDialog>

#include <vector>

class QLabel;
class QTableWidget;

class CAddCurvesDlg : public QDialog {
    Q_OBJECT
public:
    enum EColumn { kAdd, kFile, kTemp, kRate, kSource, kImport, kColumns };

    // strWhere says where the files come from ("3 files", "the list curves.txt").
    CAddCurvesDlg(std::vector<CIntakeRow> aRows, const QString& strWhere, QWidget* pParent = nullptr);

    void accept() override;

    // The rows with the user's edits.
    std::vector<CIntakeRow> Rows() const;
    // After OK: what reading each added file gave, in row order of the added rows.
    const std::vector<CImportSummary>& Added() const { return m_aAdded; }
    const std::vector<CCurveSpec>& AddedCurves() const { return m_aAddedCurves; }
    // The message of the last refused OK (empty when OK went through).
    const QString& LastError() const { return m_strLastError; }
    // After OK: what the import says (temperature differences, the scatter of repeats).
    const std::vector<std::string>& Notes() const { return m_aNotes; }

    // Reads and prepares the files with profile (until then: the experiment data format
    // only, unprepared); the Preparation... button sets or edits it.
    void SetProfile(const CImportProfile& profile);
    const CImportProfile* Profile() const { return m_pProfile; }
    // Preparation...: the steps for these files (CPreparationDlg); the rows are read anew.
    void OnPreparation();

    QTableWidget* m_pTable;
    QLabel* m_pIntro;

private:
    void MarkProblems(const std::vector<CIntakeProblem>& aProblems);

    std::vector<CIntakeRow> m_aRows; // as found; the cells hold the edits
    std::vector<CImportSummary> m_aAdded;
    std::vector<CCurveSpec> m_aAddedCurves;
    std::vector<std::string> m_aNotes;
    CImportProfile m_profile;
    const CImportProfile* m_pProfile = nullptr;
    void ShowImport(int nRow);
    QString m_strLastError;
};
