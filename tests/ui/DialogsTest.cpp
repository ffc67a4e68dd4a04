// The small dialogs: captions, controls, range and number checks on OK, the grid cells.

#include "CurvePlot.h"
#include "Dialogs.h"
#include "ImportDlgs.h"
#include "RecordFiles.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QRadioButton>
#include <QtTest>

#include <climits>

using vornel_ui_test::AnswerMessageBox;

namespace {

QStringList LabelTexts(const QWidget& dialog) {
    QStringList aTexts;
    for (const QLabel* pLabel : dialog.findChildren<QLabel*>())
        aTexts << pLabel->text();
    return aTexts;
}

QStringList ButtonTexts(const QWidget& dialog) {
    QStringList aTexts;
    for (const QAbstractButton* pButton : dialog.findChildren<QAbstractButton*>())
        aTexts << pButton->text().remove('&');
    return aTexts;
}

// Presses OK: returns whether the dialog accepted, and the refusal message if any.
bool PressOk(CValueDialog& dialog, QString& strMessage) {
    dialog.show();
    strMessage.clear();
    auto pAnswered = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    dialog.accept();
    if (dialog.result() == QDialog::Accepted)
        return true;
    // The refusal's message box was shown and answered.
    if (!*pAnswered)
        qWarning("no message box appeared for a refused OK");
    return false;
}

} // namespace

class CDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void conditionsCaptionAndControls();
    void conditionsRanges_data();
    void conditionsRanges();
    void temperature3dRange_data();
    void temperature3dRange();
    void gridCells_data();
    void gridCells();
    void atoiLikeTheCLibrary_data();
    void atoiLikeTheCLibrary();
    void materialNameAndAbout();
    void dialogUnitsScaleWithTheFont();
    void columnAndPreparationDialogs();
};

void CDialogsTest::conditionsCaptionAndControls() {
    CConditionsDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Uslovija deformacii"));
    QVERIFY(LabelTexts(dialog).contains(QStringLiteral("t, C = ")));
    QVERIFY(LabelTexts(dialog).contains(QStringLiteral("U, 1/s =")));
    QVERIFY(ButtonTexts(dialog).contains(QStringLiteral("OK")));
    QVERIFY(ButtonTexts(dialog).contains(QStringLiteral("Cancel")));
    // Both values start at 0 each time.
    QCOMPARE(dialog.m_pTempEdit->text(), QStringLiteral("0"));
    QCOMPARE(dialog.m_pRateEdit->text(), QStringLiteral("0"));
    // The temperature field stands above the rate field, the program picture below them.
    QVERIFY(dialog.m_pTempEdit->geometry().bottom() < dialog.m_pRateEdit->geometry().top());
    QVERIFY(dialog.findChild<CProgramPicture*>());

    // Asked about a file, the caption names it and the dialog is wide enough for it.
    CConditionsDlg named(nullptr, QStringLiteral("steel_1050_0.001.asc"));
    QCOMPARE(named.windowTitle(), QStringLiteral("Uslovija deformacii - steel_1050_0.001.asc"));
    QFont bold = named.font();
    bold.setBold(true);
    QVERIFY(named.width() > QFontMetrics(bold).horizontalAdvance(named.windowTitle()) + 60);
    QVERIFY(dialog.width() > QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 60);
    QCOMPARE(named.m_pRateEdit->geometry(), dialog.m_pRateEdit->geometry());
}

void CDialogsTest::conditionsRanges_data() {
    QTest::addColumn<QString>("strTemp");
    QTest::addColumn<QString>("strRate");
    QTest::addColumn<bool>("bAccepted");
    QTest::addColumn<double>("dTemp");
    QTest::addColumn<double>("dRate");
    QTest::addColumn<QString>("strRange"); // in the refusal's message
    QTest::newRow("upper bounds") << "2600" << "10000" << true << 2600.0 << 10000.0 << "";
    QTest::newRow("lower bounds") << "-200" << "0" << true << -200.0 << 0.0 << "";
    QTest::newRow("blanks and exponent") << " 1.1e3 " << "0.5" << true << 1100.0 << 0.5 << "";
    // The refusals are the core's (CheckCurveConditions), after the field's name.
    QTest::newRow("t 2601") << "2601" << "1" << false << 0.0 << 0.0 << "t, C: temperature 2601 is outside -200..2600 deg C.";
    QTest::newRow("t -200.5") << "-200.5" << "1" << false << 0.0 << 0.0 << "temperature -200.5 is outside -200..2600";
    QTest::newRow("negative rate") << "1000" << "-0.1" << false << 0.0 << 0.0 << "U, 1/s: strain rate -0.1 is outside 0..10000 1/s.";
    QTest::newRow("rate 10001") << "1000" << "10001" << false << 0.0 << 0.0 << "strain rate 10001 is outside 0..10000";
    QTest::newRow("not a number") << "hot" << "1" << false << 0.0 << 0.0 << "t, C: \"hot\" is not a number.";
    QTest::newRow("decimal comma") << "1000" << "0,1" << false << 0.0 << 0.0 << "U, 1/s: \"0,1\" is not a number.";
    QTest::newRow("empty") << "" << "1" << false << 0.0 << 0.0 << "t, C: \"\" is not a number.";
}

void CDialogsTest::conditionsRanges() {
    QFETCH(QString, strTemp);
    QFETCH(QString, strRate);
    QFETCH(bool, bAccepted);
    QFETCH(double, dTemp);
    QFETCH(double, dRate);
    QFETCH(QString, strRange);
    CConditionsDlg dialog;
    dialog.m_pTempEdit->setText(strTemp);
    dialog.m_pRateEdit->setText(strRate);
    QString strMessage;
    QCOMPARE(PressOk(dialog, strMessage), bAccepted);
    QCOMPARE(dialog.m_dTemp, dTemp);
    QCOMPARE(dialog.m_dRate, dRate);
    if (!bAccepted) {
        QVERIFY(dialog.isVisible());
        QVERIFY2(strMessage.contains(strRange), qPrintable(strMessage));
        QCOMPARE(strMessage.trimmed(), dialog.LastError());
    }
}

void CDialogsTest::temperature3dRange_data() {
    QTest::addColumn<QString>("strTemp");
    QTest::addColumn<bool>("bAccepted");
    QTest::newRow("0") << "0" << true;
    QTest::newRow("1600") << "1600" << true;
    QTest::newRow("1600.5") << "1600.5" << false;
    QTest::newRow("-1") << "-1" << false;
    QTest::newRow("text") << "warm" << false;
}

void CDialogsTest::temperature3dRange() {
    QFETCH(QString, strTemp);
    QFETCH(bool, bAccepted);
    CTemp3dDlg dialog(1000.0);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Input Temperature for 3d Visualisation"));
    QVERIFY(LabelTexts(dialog).contains(QStringLiteral("t=")));
    QCOMPARE(dialog.m_pTempEdit->text(), QStringLiteral("1000"));
    dialog.m_pTempEdit->setText(strTemp);
    QString strMessage;
    QCOMPARE(PressOk(dialog, strMessage), bAccepted);
    QCOMPARE(dialog.m_dTemp, bAccepted ? strTemp.toDouble() : 1000.0);
    if (!bAccepted && strTemp != QStringLiteral("warm"))
        QCOMPARE(strMessage.trimmed(), QStringLiteral("t: temperature %1 is outside 0..1600 deg C.").arg(strTemp));
}

void CDialogsTest::gridCells_data() {
    QTest::addColumn<QString>("strX");
    QTest::addColumn<QString>("strY");
    QTest::addColumn<bool>("bOk");
    QTest::addColumn<int>("nX");
    QTest::addColumn<int>("nY");
    QTest::newRow("both empty") << "" << "" << true << 6 << 6;
    QTest::newRow("0 is no change") << "0" << "0" << true << 6 << 6;
    QTest::newRow("10 and empty") << "10" << "" << true << 10 << 6;
    QTest::newRow("1 and 1") << "1" << "1" << true << 1 << 1;
    QTest::newRow("cancel") << "10" << "10" << false << 6 << 6;
}

void CDialogsTest::gridCells() {
    QFETCH(QString, strX);
    QFETCH(QString, strY);
    QFETCH(bool, bOk);
    QFETCH(int, nX);
    QFETCH(int, nY);
    CCurvePlot plot;
    CGridDlg dialog(plot);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Debugging info"));
    for (const char* szLabel : {"X-Cells", "Y-Cells", "Size", "Radius", "Width"})
        QVERIFY(LabelTexts(dialog).contains(QString::fromLatin1(szLabel)));
    QCOMPARE(dialog.findChildren<QRadioButton*>().size(), 3);
    // The texts start empty, and only digits can be typed.
    QVERIFY(dialog.m_pXCellsEdit->text().isEmpty());
    dialog.show();
    dialog.m_pXCellsEdit->setFocus();
    QTest::keyClicks(dialog.m_pXCellsEdit, QStringLiteral("1a-"));
    QCOMPARE(dialog.m_pXCellsEdit->text(), QStringLiteral("1"));
    dialog.m_pXCellsEdit->setText(strX);
    dialog.m_pYCellsEdit->setText(strY);
    if (bOk)
        dialog.accept();
    else
        dialog.reject();
    QCOMPARE(plot.m_nXCells, nX);
    QCOMPARE(plot.m_nYCells, nY);
}

void CDialogsTest::atoiLikeTheCLibrary_data() {
    QTest::addColumn<QString>("strText");
    QTest::addColumn<int>("nValue");
    QTest::newRow("digits") << "12" << 12;
    QTest::newRow("blanks, sign, tail") << "  +7x9" << 7;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no digits") << "abc" << 0;
    QTest::newRow("too large") << "99999999999" << INT_MAX;
}

void CDialogsTest::atoiLikeTheCLibrary() {
    QFETCH(QString, strText);
    QFETCH(int, nValue);
    QCOMPARE(AtoiText(strText), nValue);
}

void CDialogsTest::materialNameAndAbout() {
    CMaterialNameDlg name;
    QCOMPARE(name.windowTitle(), QStringLiteral("Name of material"));
    QVERIFY(LabelTexts(name).contains(QStringLiteral("Input name of material with out space, for example STAL_45")));
    QVERIFY(name.m_pNameEdit->text().isEmpty());
    name.show();
    // An empty name would make the hidden file ".mat": OK asks for a name instead.
    QString strMessage;
    auto pAnswered = AnswerMessageBox(QMessageBox::Ok, &strMessage);
    name.accept();
    QVERIFY(*pAnswered);
    QCOMPARE(name.result(), int(QDialog::Rejected));
    QVERIFY(name.isVisible());
    name.m_pNameEdit->setText(QStringLiteral("STAL_45"));
    name.accept();
    QCOMPARE(name.result(), int(QDialog::Accepted));
    QCOMPARE(name.m_strName, QStringLiteral("STAL_45"));

    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Vornel 1.2"));
    QVERIFY(LabelTexts(about).contains(QStringLiteral("Vornel Version 1.2")));
    QVERIFY(ButtonTexts(about).contains(QStringLiteral("OK")));
}

void CDialogsTest::dialogUnitsScaleWithTheFont() {
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(20);
    const CDialogUnits a(small), b(large);
    // Twice the font, about twice the pixels; 4 units across and 8 down are one base unit.
    QVERIFY(b.X(100) > a.X(100) * 3 / 2);
    QVERIFY(b.Y(100) > a.Y(100) * 3 / 2);
    QCOMPARE(a.Rect(4, 8, 4, 8).topLeft(), QPoint(a.X(4), a.Y(8)));
    QCOMPARE(a.Y(8), QFontMetrics(small).height());
}

QTEST_MAIN(CDialogsTest)

// A simulator record through both dialogs: the titles choose the columns, force and stroke
// need the specimen, the preparation's keys are checked as a profile's are.
void CDialogsTest::columnAndPreparationDialogs() {
    QTemporaryDir folder;
    const std::string strFile = folder.filePath(QStringLiteral("sim_1000_1.csv")).toStdString();
    vornel_test::WriteSimulatorRecord(strFile, vornel_test::SofteningLaw, 1000, 1);
    CColumnChoiceDlg columns(strFile, CImportProfile{});
    QCOMPARE(columns.windowTitle(), QStringLiteral("Columns of sim_1000_1.csv"));
    QCOMPARE(static_cast<int>(columns.m_aRoles.size()), 6);
    QCOMPARE(columns.m_aRoles[3]->currentText(), QStringLiteral("strain"));
    QCOMPARE(columns.m_aRoles[4]->currentText(), QStringLiteral("stress"));
    QCOMPARE(columns.m_aUnits[4]->text(), QStringLiteral("MPa"));
    // Force and stroke instead: refused until the specimen is given, naming what is missing.
    columns.m_aRoles[1]->setCurrentText(QStringLiteral("force"));
    columns.m_aRoles[2]->setCurrentText(QStringLiteral("stroke"));
    columns.m_aRoles[3]->setCurrentIndex(0);
    columns.m_aRoles[4]->setCurrentIndex(0);
    columns.show();
    auto pAnswered = AnswerMessageBox(QMessageBox::Ok);
    columns.accept();
    QVERIFY(*pAnswered);
    QVERIFY2(columns.m_strLastError.contains(QStringLiteral("height0")), qPrintable(columns.m_strLastError));
    QVERIFY(columns.result() != QDialog::Accepted);
    columns.m_pHeight0->setText(QStringLiteral("12"));
    columns.m_pDiameter0->setText(QStringLiteral("10"));
    columns.accept();
    QVERIFY2(columns.result() == QDialog::Accepted, qPrintable(columns.m_strLastError));
    const CImportProfile profile = columns.Profile();
    QVERIFY(profile.FromForce());
    QCOMPARE(profile.m_force.m_nNumber, 2);
    QCOMPARE(profile.m_stroke.m_nNumber, 3);
    QCOMPARE(profile.m_dHeight0, 12.0);
    columns.grab().save(vornel_ui_test::ScreenshotPath(QStringLiteral("column-choice.png")));

    CPreparationDlg prep({strFile}, profile);
    prep.m_pSegment->setChecked(true);
    prep.m_pFriction->setText(QStringLiteral("0.2"));
    prep.m_pAdiabatic->setCurrentText(QStringLiteral("rate"));
    prep.m_pDensity->clear();
    prep.show();
    pAnswered = AnswerMessageBox(QMessageBox::Ok);
    prep.accept();
    QVERIFY(*pAnswered);
    QVERIFY2(prep.m_strLastError.contains(QStringLiteral("density")), qPrintable(prep.m_strLastError));
    prep.m_pDensity->setText(QStringLiteral("7800"));
    prep.m_pHeatCapacity->setText(QStringLiteral("600"));
    prep.accept();
    QVERIFY2(prep.result() == QDialog::Accepted, qPrintable(prep.m_strLastError));
    prep.grab().save(vornel_ui_test::ScreenshotPath(QStringLiteral("preparation.png")));
    const CPreparation steps = prep.Profile().m_prep;
    QVERIFY(steps.m_bSegment && !steps.m_bFoot && !steps.m_bAverageRepeats);
    QCOMPARE(steps.m_dFrictionM.value_or(-1), 0.2);
    QVERIFY(steps.m_eAdiabatic == EAdiabatic::Rate);
    QCOMPARE(steps.m_dDensity, 7800.0);
    QCOMPARE(prep.Profile().m_force.m_nNumber, 2);
}

#include "DialogsTest.moc"
