#pragma once
// The small modal dialogs of the workbench: the deformation conditions of a curve being
// added, the name of a new material, the about box, the plot's grid settings and the
// temperature of the 3D surface.
//
// Controls are placed in dialog units (a quarter of the font's average character width
// across, an eighth of its height down), so each dialog keeps its arrangement in any
// font. Real-valued fields are checked on OK: text that is not a number, or values the
// core's check refuses (CheckCurveConditions, CheckTemp3d in Operations.h), keep the
// dialog open with a message that names the field and what is wrong, and put the cursor
// into the field. Values are taken over on OK only.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class CCurvePlot;

// Converts dialog units to pixels for a font.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    QRect Rect(int x, int y, int nWidth, int nHeight) const;
    QSize Size(int nWidth, int nHeight) const;
    int X(int x) const;
    int Y(int y) const;

private:
    int m_nBaseX; // average width of the alphabet's letters, pixels
    int m_nBaseY; // font height, pixels
};

// The program picture as a control.
class CProgramPicture : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
};

// A dialog with real-valued fields that are checked on OK.
class CValueDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void accept() override;

    // The message of the last refused OK (empty when OK went through).
    const QString& LastError() const { return m_strLastError; }

protected:
    // The core's verdict on the values read (in the order of the fields): the index of the
    // field it refuses and its sentence, or -1 and nothing.
    struct SRefusal {
        int m_nField = -1;
        std::string m_strMessage;
    };
    using ValuesCheck = std::function<SRefusal(const std::vector<double>& aValues)>;

    void AddRealField(QLineEdit* pEdit, const QString& strName, double* pValue);
    void SetCheck(ValuesCheck check) { m_check = std::move(check); }

private:
    struct SRealField {
        QLineEdit* m_pEdit;
        QString m_strName; // as the user reads it beside the field
        double* m_pValue;
    };
    // Shows strError for field i and keeps the dialog open.
    void Refuse(std::size_t i, const QString& strError);

    std::vector<SRealField> m_aFields;
    ValuesCheck m_check;
    QString m_strLastError;
};

// The text of a double as the dialogs show it: up to 15 significant digits.
QString DialogNumber(double dValue);

// "Uslovija deformacii": temperature t (deg C) and strain rate U (1/s) of a curve. Given
// the file it asks about, the caption names it ("Uslovija deformacii - steel_1050_1.asc");
// the dialog is wide enough for its caption.
class CConditionsDlg : public CValueDialog {
    Q_OBJECT
public:
    explicit CConditionsDlg(QWidget* pParent = nullptr, const QString& strFile = {});

    double m_dTemp = 0; // t, deg C
    double m_dRate = 0; // U, 1/s

    QLineEdit* m_pTempEdit;
    QLineEdit* m_pRateEdit;
};

// "Name of material". The name is taken as typed; OK refuses only an empty (or blank) name.
class CMaterialNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMaterialNameDlg(QWidget* pParent = nullptr);
    void accept() override;

    QString m_strName;
    QLineEdit* m_pNameEdit;
};

// "About Vornel 1.2".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};

// "Debugging info": the plot's grid cells. OK sets the plot's X cells and Y cells from
// the texts as atoi reads them, each only when it is not 0; the point-style controls are
// shown greyed, the plot's style being fixed.
class CGridDlg : public QDialog {
    Q_OBJECT
public:
    CGridDlg(CCurvePlot& plot, QWidget* pParent = nullptr);
    void accept() override;

    QLineEdit* m_pXCellsEdit;
    QLineEdit* m_pYCellsEdit;
    QLineEdit* m_pSizeEdit;

private:
    CCurvePlot& m_plot;
};

// "Input Temperature for 3d Visualisation": t in deg C.
class CTemp3dDlg : public CValueDialog {
    Q_OBJECT
public:
    CTemp3dDlg(double dTemp, QWidget* pParent = nullptr);

    double m_dTemp;
    QLineEdit* m_pTempEdit;
};

// atoi of the C library: leading blanks, an optional sign, digits; anything else ends
// the number, no digits give 0. Values beyond the int range saturate.
int AtoiText(const QString& strText);
