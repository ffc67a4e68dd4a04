// The windows and pictures of the hot-working analyses: a processing map drawn from known
// values (bands, hatching), the Processing map and Hot-working analysis windows on a
// material of the Hensel-Spittel law (m = A3 everywhere), their exports and their refusals.

#include "AnalysisDialogs.h"
#include "AnalysisPlots.h"
#include "FitQuality.h"
#include "MainFrame.h"
#include "UiTestSupport.h"

#include "vornel/document/Material.h"
#include "vornel/session/Stage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using namespace vornel_ui_test;

namespace {

// Dark pixels (hatching, lines, text) in the columns [x0, x1) and rows [y0, y1).
int DarkPixels(const QImage& image, int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += qGray(image.pixel(x, y)) < 80;
    return n;
}

// The whole of a file.
std::string Text(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// 20 prepared curves of the Hensel-Spittel law A1 E^A2 H^A3 exp(A4 t), fitted.
std::unique_ptr<CMaterial> LawMaterial() {
    auto pMaterial = vornel_test::NoisyPreparedMaterial(9, {5000, 0.2, 0.12, -0.0025}, 0.0, 1);
    pMaterial->m_nCoef = 4;
    const double aCoef[] = {5000, 0.2, 0.12, -0.0025};
    std::copy(std::begin(aCoef), std::end(aCoef), pMaterial->m_dCoef.begin());
    return pMaterial;
}

} // namespace

class CAnalysisTest : public QObject {
    Q_OBJECT
private slots:
    void mapShowsBandsAndHatchesTheInstability();
    void processingMapWindowDrawsAndExports();
    void hotWorkingWindowShowsTablesAndExports();
};

void CAnalysisTest::mapShowsBandsAndHatchesTheInstability() {
    // eta rising from 10 % at the left to 40 % at the right, xi < 0 on the left half.
    CProcessingMap map;
    map.m_dStrain = 0.3;
    map.m_nModel = 9;
    for (int k = 0; k < 21; ++k) {
        map.m_aTemps.push_back(900 + 15 * k);
        map.m_aLogRates.push_back(-2 + 0.15 * k);
        map.m_aRates.push_back(std::pow(10.0, map.m_aLogRates.back()));
    }
    for (int r = 0; r < 21; ++r)
        for (int c = 0; c < 21; ++c) {
            map.m_aEta.push_back(0.1 + 0.3 * c / 20);
            map.m_aM.push_back(0.1);
            map.m_aXi.push_back(c - 10.5);
        }
    map.m_aMeasured.push_back({1050, 0.1});
    QImage image(MapPictureSize(1), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawProcessingMap(painter, image.rect(), map);
    }
    image.save(ScreenshotPath(QStringLiteral("processing-map.png")));
    // Hatched on the left of the plot, plain colour on the right; blue low, red high.
    const int nMid = image.height() / 2;
    QVERIFY(DarkPixels(image, 70, 170, nMid - 100, nMid - 40) > 500);
    QVERIFY(DarkPixels(image, 580, 680, nMid - 100, nMid - 40) == 0);
    const QColor left = image.pixelColor(110, nMid + 150), right = image.pixelColor(760, nMid + 150);
    QVERIFY2(left.blue() > left.red() && right.red() > right.blue(),
             qPrintable(left.name() + QStringLiteral(" ") + right.name()));
    // A refused map says why.
    CProcessingMap refused;
    refused.m_eStatus = EMapStatus::Refused;
    refused.m_strMessage = "no curves";
    QImage none(400, 300, QImage::Format_RGB32);
    none.fill(Qt::white);
    {
        QPainter painter(&none);
        DrawProcessingMap(painter, none.rect(), refused);
    }
    QVERIFY(DarkPixels(none, 0, 400, 100, 300) > 50);
}

void CAnalysisTest::processingMapWindowDrawsAndExports() {
    CScratchFolder scratch;
    const auto pMaterial = LawMaterial();
    const CMaterial before = *pMaterial;
    CProcessingMapDlg dialog(*pMaterial, scratch.Path());
    QCOMPARE(dialog.StrainsEdit()->text(), QStringLiteral("0.4"));
    QCOMPARE(dialog.SourceBox()->currentIndex(), 0);
    dialog.StrainsEdit()->setText(QStringLiteral("0.2, 0.5"));
    QVERIFY(dialog.Draw());
    QCOMPARE(dialog.Maps().size(), std::size_t(2));
    for (const CProcessingMap& map : dialog.Maps()) {
        QVERIFY(map.Ok());
        for (double m : map.m_aM)
            QVERIFY(std::fabs(m - 0.12) < 1e-9);
    }
    dialog.resize(900, 700);
    dialog.show();
    QTest::qWait(50);
    dialog.grab().save(ScreenshotPath(QStringLiteral("processing-map-window.png")));

    // Strains that cannot be read keep the maps and say which.
    QString strText;
    auto pWarned = AnswerMessageBox(QMessageBox::Ok, &strText);
    dialog.StrainsEdit()->setText(QStringLiteral("0.2, x"));
    QVERIFY(!dialog.Draw());
    QTRY_VERIFY(*pWarned);
    QVERIFY2(strText.contains(QStringLiteral("strain \"x\"")), qPrintable(strText));
    QCOMPARE(dialog.Maps().size(), std::size_t(2));

    dialog.ExportCsv(scratch.File(QStringLiteral("map.csv")));
    QCOMPARE(Text(scratch.File(QStringLiteral("map.csv"))), ProcessingMapCsv(dialog.Maps()));
    dialog.ExportPicture(scratch.File(QStringLiteral("map.svg")));
    QVERIFY(Text(scratch.File(QStringLiteral("map.svg"))).find("strain 0.5") !=
            std::string::npos);
    auto pRefused = AnswerMessageBox(QMessageBox::Ok, &strText);
    dialog.ExportPicture(scratch.File(QStringLiteral("map.jpg")));
    QTRY_VERIFY(*pRefused);
    QVERIFY2(strText.contains(QStringLiteral("a map is written as PNG or SVG")), qPrintable(strText));
    // From the measured curves: four strain rates, cubics.
    dialog.StrainsEdit()->setText(QStringLiteral("0.3"));
    dialog.SourceBox()->setCurrentIndex(1);
    QVERIFY(dialog.Maps()[0].m_eSource == EMapSource::Data);
    QVERIFY(dialog.Maps()[0].m_aDegrees == std::vector<int>(5, 3));
    QVERIFY(*pMaterial == before);
}

void CAnalysisTest::hotWorkingWindowShowsTablesAndExports() {
    CScratchFolder scratch;
    const auto pMaterial = LawMaterial();
    CHotWorkingDlg dialog(*pMaterial, scratch.Path());
    QCOMPARE(dialog.CurveTable()->rowCount(), 20);
    QCOMPARE(dialog.CurveTable()->item(0, 3)->text(), QStringLiteral("no peak"));
    QCOMPARE(dialog.CurveTable()->columnCount(), 7);
    QVERIFY(dialog.Energy().Ok());
    QCOMPARE(dialog.EnergyTable()->rowCount(), 2);
    QCOMPARE(dialog.LineTable()->rowCount(), 5 * 4 + 4 * 2); // 4 plots by temperature, 2 by strain rate
    dialog.TableStrainsEdit()->setText(QStringLiteral("0.1 0.3 0.9"));
    dialog.BasisBox()->setCurrentIndex(1); // the stresses at strain 0.4
    QCOMPARE(dialog.Energy().m_basis.m_dStrain, 0.4);
    QCOMPARE(dialog.CurveTable()->columnCount(), 9);
    QCOMPARE(dialog.CurveTable()->item(0, 8)->text(), QStringLiteral("-")); // beyond the curve

    dialog.ExportCsv(scratch.File(QStringLiteral("curves.csv")));
    QCOMPARE(Text(scratch.File(QStringLiteral("curves.csv"))),
             CurveCharacteristicsCsv(dialog.Curves(), {0.1, 0.3, 0.9}));
    dialog.Tabs()->setCurrentIndex(2);
    dialog.ExportCsv(scratch.File(QStringLiteral("q.csv")));
    QCOMPARE(Text(scratch.File(QStringLiteral("q.csv"))), ActivationEnergyCsv(dialog.Energy()));
    dialog.ExportPicture(scratch.File(QStringLiteral("q.png")));
    QCOMPARE(QImage(scratch.File(QStringLiteral("q.png"))).size(), QSize(1200, 800));
    dialog.resize(1000, 700);
    dialog.show();
    QTest::qWait(50);
    dialog.grab().save(ScreenshotPath(QStringLiteral("hot-working-plots.png")));

    // The View menu opens both windows on the current material.
    g_pMaterial = LawMaterial();
    g_nStage = 3;
    CMainFrame frame(std::make_unique<QSettings>(scratch.File(QStringLiteral("settings.ini")), QSettings::IniFormat));
    auto pMap = WhenModal<CProcessingMapDlg>([](CProcessingMapDlg* pDialog) { pDialog->reject(); });
    frame.ProcessingMapAction()->trigger();
    QVERIFY(*pMap);
    auto pHot = WhenModal<CHotWorkingDlg>([](CHotWorkingDlg* pDialog) { pDialog->reject(); });
    frame.HotWorkingAction()->trigger();
    QVERIFY(*pHot);
    g_pMaterial.reset();
}

QTEST_MAIN(CAnalysisTest)
#include "AnalysisWindowTest.moc"
