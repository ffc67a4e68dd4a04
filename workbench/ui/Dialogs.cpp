#include "Dialogs.h"

#include "Artwork.h"
#include "CurvePlot.h"

#include "vornel/session/Operations.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <climits>
#include <cmath>

namespace {

// Places a control at its dialog-unit rectangle; a label that needs more room than its
// rectangle keeps its position and grows to the right.
template <class TWidget>
TWidget* Place(TWidget* pWidget, const CDialogUnits& du, int x, int y, int w, int h) {
    QRect rect = du.Rect(x, y, w, h);
    if (qobject_cast<QLabel*>(pWidget) && !static_cast<QLabel*>(static_cast<QWidget*>(pWidget))->wordWrap())
        rect.setWidth(std::max(rect.width(), pWidget->sizeHint().width()));
    pWidget->setGeometry(rect);
    return pWidget;
}

QPushButton* Button(QWidget* pParent, const QString& strText, bool bDefault) {
    auto* pButton = new QPushButton(strText, pParent);
    pButton->setDefault(bDefault);
    pButton->setAutoDefault(bDefault);
    return pButton;
}

} // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const QString strAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_nBaseX = std::max(1, (fm.horizontalAdvance(strAlphabet) / 26 + 1) / 2);
    m_nBaseY = std::max(1, fm.height());
}

int CDialogUnits::X(int x) const { return (x * m_nBaseX + 2) / 4; }
int CDialogUnits::Y(int y) const { return (y * m_nBaseY + 4) / 8; }
QRect CDialogUnits::Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
QSize CDialogUnits::Size(int w, int h) const { return QSize(X(w), Y(h)); }

void CProgramPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawProgramPicture(painter, QRectF(rect()));
}

QString DialogNumber(double dValue) { return QString::number(dValue, 'g', 15); }

void CValueDialog::AddRealField(QLineEdit* pEdit, const QString& strName, double* pValue) {
    m_aFields.push_back({pEdit, strName, pValue});
    pEdit->setText(DialogNumber(*pValue));
}

void CValueDialog::Refuse(std::size_t i, const QString& strError) {
    m_strLastError = strError;
    QMessageBox::warning(this, QStringLiteral("Vornel"), strError);
    m_aFields[i].m_pEdit->setFocus();
    m_aFields[i].m_pEdit->selectAll();
}

void CValueDialog::accept() {
    std::vector<double> aValues(m_aFields.size());
    for (std::size_t i = 0; i < m_aFields.size(); ++i)
        if (!ParseUserNumber(m_aFields[i].m_pEdit->text().toStdString(), aValues[i]))
            return Refuse(i, QStringLiteral("%1: \"%2\" is not a number.")
                                 .arg(m_aFields[i].m_strName, m_aFields[i].m_pEdit->text().trimmed()));
    if (m_check) {
        const SRefusal refusal = m_check(aValues);
        if (refusal.m_nField >= 0 && refusal.m_nField < static_cast<int>(m_aFields.size())) {
            const std::size_t i = static_cast<std::size_t>(refusal.m_nField);
            return Refuse(i, QStringLiteral("%1: %2.").arg(m_aFields[i].m_strName,
                                                          QString::fromStdString(refusal.m_strMessage)));
        }
    }
    m_strLastError.clear();
    for (std::size_t i = 0; i < m_aFields.size(); ++i)
        *m_aFields[i].m_pValue = aValues[i];
    QDialog::accept();
}

CConditionsDlg::CConditionsDlg(QWidget* pParent, const QString& strFile) : CValueDialog(pParent, Qt::Tool) {
    const QString strCaption = QStringLiteral("Uslovija deformacii");
    setWindowTitle(strFile.isEmpty() ? strCaption : strCaption + QStringLiteral(" - ") + strFile);
    const CDialogUnits du(font());
    // The window manager draws the caption in a bold font of about this size (a fifth
    // wider allows for a larger one), with its icon and buttons beside it.
    QFont captionFont = font();
    captionFont.setBold(true);
    const QFontMetrics captionMetrics(captionFont);
    const int nCaption = captionMetrics.horizontalAdvance(windowTitle()) * 6 / 5 + 6 * captionMetrics.height() + 24;
    setFixedSize(std::max(du.X(121), nCaption), du.Y(108));
    Place(new QLabel(QStringLiteral("t, C = "), this), du, 14, 13, 19, 12);
    m_pTempEdit = Place(new QLineEdit(this), du, 40, 10, 68, 14);
    Place(new QLabel(QStringLiteral("U, 1/s ="), this), du, 7, 33, 29, 10);
    m_pRateEdit = Place(new QLineEdit(this), du, 40, 30, 68, 14);
    Place(new CProgramPicture(this), du, 7, 55, 50, 42);
    QPushButton* pOk = Place(Button(this, QStringLiteral("OK"), true), du, 64, 60, 50, 14);
    QPushButton* pCancel = Place(Button(this, QStringLiteral("Cancel"), false), du, 64, 81, 50, 14);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    AddRealField(m_pTempEdit, QStringLiteral("t, C"), &m_dTemp);
    AddRealField(m_pRateEdit, QStringLiteral("U, 1/s"), &m_dRate);
    SetCheck([](const std::vector<double>& aValues) {
        const CConditionsProblem problem = FindConditionsProblem(aValues[0], aValues[1]);
        SRefusal refusal;
        if (problem.m_eField != EConditionField::None)
            refusal = {problem.m_eField == EConditionField::Temp ? 0 : 1, problem.m_strMessage};
        return refusal;
    });
    m_pTempEdit->setFocus();
    m_pTempEdit->selectAll();
}

CMaterialNameDlg::CMaterialNameDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Name of material"));
    const CDialogUnits du(font());
    setFixedSize(du.Size(131, 97));
    Place(new CProgramPicture(this), du, 9, 3, 50, 42);
    m_pNameEdit = Place(new QLineEdit(this), du, 7, 51, 116, 13);
    auto* pPrompt = new QLabel(QStringLiteral("Input name of material with out space, for example STAL_45"), this);
    pPrompt->setWordWrap(true);
    pPrompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(pPrompt, du, 7, 69, 116, 24);
    QPushButton* pOk = Place(Button(this, QStringLiteral("OK"), true), du, 74, 3, 50, 14);
    QPushButton* pCancel = Place(Button(this, QStringLiteral("Cancel"), false), du, 74, 22, 50, 14);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_pNameEdit->setFocus();
}

void CMaterialNameDlg::accept() {
    // An empty name would make the material file the hidden ".mat".
    if (m_pNameEdit->text().trimmed().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Please enter a name for the material, for example STAL_45."));
        m_pNameEdit->setFocus();
        return;
    }
    m_strName = m_pNameEdit->text();
    QDialog::accept();
}

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("About Vornel 1.2"));
    const CDialogUnits du(font());
    setFixedSize(du.Size(198, 69));
    Place(new CProgramPicture(this), du, 7, 1, 50, 64);
    Place(new QLabel(QStringLiteral("Vornel Version 1.2"), this), du, 64, 1, 72, 8);
    const char* aszCredits[] = {
        "Flow curves into flow-stress laws",
        "for metal-forming simulations.",
        "Fitting engine Tarnfit,",
        "3D viewer orbiq.",
        "Copyright (C) the Vornel developers",
    };
    int y = 19;
    for (const char* szLine : aszCredits) {
        Place(new QLabel(QString::fromUtf8(szLine), this), du, 64, y, 130, 8);
        y += 9;
    }
    QPushButton* pOk = Place(Button(this, QStringLiteral("OK"), true), du, 141, 1, 50, 15);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

CGridDlg::CGridDlg(CCurvePlot& plot, QWidget* pParent) : QDialog(pParent), m_plot(plot) {
    setWindowTitle(QStringLiteral("Debugging info"));
    auto* pDigits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    const auto edit = [&](bool bDigits) {
        auto* pEdit = new QLineEdit(this);
        if (bDigits) {
            pEdit->setValidator(pDigits);
            pEdit->setMaxLength(3);
        }
        return pEdit;
    };
    auto* pCells = new QGridLayout;
    pCells->addWidget(new QLabel(QStringLiteral("X-Cells"), this), 0, 0);
    pCells->addWidget(m_pXCellsEdit = edit(true), 0, 1);
    pCells->addWidget(new QLabel(QStringLiteral("Y-Cells"), this), 1, 0);
    pCells->addWidget(m_pYCellsEdit = edit(true), 1, 1);
    pCells->addWidget(new QLabel(QStringLiteral("Size"), this), 2, 0);
    pCells->addWidget(m_pSizeEdit = edit(false), 2, 1);

    // The point style: the plot always draws circles and polylines, so these stay greyed.
    auto* pType = new QGroupBox(QStringLiteral("Type"), this);
    auto* pTypeLayout = new QVBoxLayout(pType);
    for (const char* szText : {"Point", "Circle", "Line"})
        pTypeLayout->addWidget(new QRadioButton(QString::fromLatin1(szText), pType));
    auto* pStyle = new QGridLayout;
    pStyle->addWidget(pType, 0, 0, 1, 2);
    int nRow = 1;
    for (const char* szText : {"Size", "Radius", "Width"}) {
        pStyle->addWidget(new QLabel(QString::fromLatin1(szText), this), nRow, 0);
        pStyle->addWidget(edit(false), nRow, 1);
        ++nRow;
    }
    auto* pStyleBox = new QWidget(this);
    pStyleBox->setLayout(pStyle);
    pStyleBox->setEnabled(false);
    pStyleBox->setToolTip(QStringLiteral("The plot always draws measured points as circles and the law as a line"));

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pRow = new QHBoxLayout;
    pCells->setRowStretch(3, 1);
    pRow->addLayout(pCells);
    pRow->addSpacing(12);
    pRow->addWidget(pStyleBox);
    auto* pMain = new QVBoxLayout(this);
    pMain->addLayout(pRow);
    pMain->addWidget(pButtons);
    m_pXCellsEdit->setFocus();
}

void CGridDlg::accept() {
    const int nX = AtoiText(m_pXCellsEdit->text());
    const int nY = AtoiText(m_pYCellsEdit->text());
    if (nX != 0)
        m_plot.m_nXCells = nX;
    if (nY != 0)
        m_plot.m_nYCells = nY;
    QDialog::accept();
}

CTemp3dDlg::CTemp3dDlg(double dTemp, QWidget* pParent) : CValueDialog(pParent), m_dTemp(dTemp) {
    setWindowTitle(QStringLiteral("Input Temperature for 3d Visualisation"));
    m_pTempEdit = new QLineEdit(this);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(new QLabel(QStringLiteral("t="), this));
    pRow->addWidget(m_pTempEdit);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pMain = new QVBoxLayout(this);
    pMain->addLayout(pRow);
    pMain->addWidget(pButtons);
    AddRealField(m_pTempEdit, QStringLiteral("t"), &m_dTemp);
    SetCheck([](const std::vector<double>& aValues) {
        SRefusal refusal;
        try {
            CheckTemp3d(aValues[0]);
        } catch (const CInputError& e) {
            refusal = {0, e.what()};
        }
        return refusal;
    });
    m_pTempEdit->setFocus();
    m_pTempEdit->selectAll();
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);
}

int AtoiText(const QString& strText) {
    int i = 0;
    const int n = static_cast<int>(strText.size());
    while (i < n && (strText[i] == ' ' || strText[i] == '\t' || strText[i] == '\n' || strText[i] == '\r' ||
                     strText[i] == '\v' || strText[i] == '\f'))
        ++i;
    bool bNegative = false;
    if (i < n && (strText[i] == '+' || strText[i] == '-'))
        bNegative = strText[i++] == '-';
    long long nValue = 0;
    for (; i < n && strText[i] >= '0' && strText[i] <= '9'; ++i)
        nValue = std::min<long long>(nValue * 10 + (strText[i].unicode() - '0'), static_cast<long long>(INT_MAX) + 1);
    nValue = bNegative ? -nValue : nValue;
    return static_cast<int>(std::clamp<long long>(nValue, INT_MIN, INT_MAX));
}
