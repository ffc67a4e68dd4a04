// File > Export law... as a user reaches it: enabled once the material holds a fitted law,
// the dialog's grid fields, one file type a format, each file the core's text of the law on
// the grid typed, refusals that write nothing, and the law check in the dialog and in the
// messages pane.

#include "ExportLawDlg.h"
#include "KivView.h"
#include "MainFrame.h"
#include "UiTestSupport.h"

#include "vornel/export/LawExport.h"
#include "vornel/document/Material.h"
#include "vornel/session/Operations.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

using namespace vornel_ui_test;

namespace {

QString FileContent(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// Chooses the file type nType (the formats' order) and the name strPath in the next file
// dialog, as a user picks them.
std::shared_ptr<CModalWatch> ChooseTypeAndFile(int nType, const QString& strPath, QStringList* pTypes = nullptr) {
    return WhenModal<QFileDialog>([nType, strPath, pTypes](QFileDialog* pDialog) {
        auto* pCombo = pDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(pCombo);
        if (pTypes)
            for (int i = 0; i < pCombo->count(); ++i)
                *pTypes << pCombo->itemText(i);
        pCombo->setCurrentIndex(nType);
        emit pCombo->activated(nType);
        emit pCombo->textActivated(pCombo->currentText());
        pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(strPath);
        static_cast<QDialog*>(pDialog)->accept();
    });
}

} // namespace

class CExportLawTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        g_pMaterial.reset();
        g_nStage = 0;
    }
    void writesEachFormatOnTheGridTyped();
    void refusalsWriteNothing();
    void showsTheLawCheck();
};

// A fitted Hensel-Spittel material of nine test records, and a window on it.
struct SFitted {
    explicit SFitted(const CScratchFolder& scratch)
        : m_frame(std::make_unique<QSettings>(scratch.File("settings.ini"), QSettings::IniFormat)) {
        m_frame.View().m_strStartFolder = scratch.Path();
        NewMaterial("STAL_45", scratch.Path().toStdString());
        for (double dTemp : {900.0, 1000.0, 1100.0})
            for (double dRate : {0.1, 1.0, 10.0}) {
                const QString strFile = scratch.File(QStringLiteral("rec_%1_%2.asc").arg(dTemp).arg(dRate));
                WriteLawRecord(strFile, dTemp, dRate);
                AddCurve(strFile.toStdString(), dTemp, dRate);
            }
        ChooseModel(9);
        m_frame.UpdateCommandStates();
        m_bEnabledBeforeFit = m_frame.ExportLawAction()->isEnabled();
        m_bFitted = Calc().Ok();
        m_frame.UpdateCommandStates();
        m_frame.show();
    }
    CMainFrame m_frame;
    bool m_bEnabledBeforeFit = true;
    bool m_bFitted = false;
};

void CExportLawTest::writesEachFormatOnTheGridTyped() {
    CScratchFolder scratch;
    SFitted window(scratch);
    QVERIFY(window.m_bFitted);
    QVERIFY(!window.m_bEnabledBeforeFit);
    QVERIFY(window.m_frame.ExportLawAction()->isEnabled());
    QCOMPARE(window.m_frame.ExportLawAction()->text().remove('&'), QStringLiteral("Export law..."));

    CExportGridOptions grid;
    grid.SetStrains("1:4");
    grid.SetRates("0.1,10");
    grid.SetTemps("900,1100");
    CDeckOptions deck;
    deck.SetUnits("GPa-mm-ms-K");
    deck.SetElastic("120,0.3");
    deck.SetRate("1");
    const CLawExport law = MakeLawExport(*g_pMaterial, grid, 3000, deck);
    const std::span<const CExportFormat> aFormats = ExportFormats();
    QStringList aTypes;
    for (int nType = 0; nType < static_cast<int>(aFormats.size()); ++nType) {
        const CExportFormat& format = aFormats[static_cast<std::size_t>(nType)];
        // A name without its ending gets the chosen type's.
        const QString strName = scratch.File(QStringLiteral("law_%1").arg(QString::fromLatin1(format.m_szName)));
        std::shared_ptr<CModalWatch> pFile;
        auto pDialog = WhenModal<CExportLawDlg>([&](CExportLawDlg* pDlg) {
            pDlg->m_pStrainsEdit->setText(QStringLiteral("1:4"));
            pDlg->m_pRatesEdit->setText(QStringLiteral("0.1, 10"));
            pDlg->m_pTempsEdit->setText(QStringLiteral("900,1100"));
            pDlg->m_pFirstIdSpin->setValue(3000);
            pDlg->m_pUnitsList->setCurrentText(QStringLiteral("GPa-mm-ms-K"));
            pDlg->m_pElasticEdit->setText(QStringLiteral("120, 0.3"));
            pDlg->m_pCalculixRateEdit->setText(QStringLiteral("1"));
            if (nType == 0)
                pDlg->grab().save(ScreenshotPath(QStringLiteral("export-law.png")));
            pFile = ChooseTypeAndFile(nType, strName, nType == 0 ? &aTypes : nullptr);
            pDlg->m_pExportButton->click();
            QVERIFY(pDlg->m_pWrittenLabel->text().startsWith(QStringLiteral("Law written to ")));
            pDlg->reject();
        });
        window.m_frame.ExportLawAction()->trigger();
        QVERIFY(*pDialog);
        QVERIFY(pFile && *pFile);
        const QString strWritten = strName + '.' + QString::fromLatin1(format.m_szSuffix);
        QCOMPARE(FileContent(strWritten), QString::fromStdString(format.m_pfnText(law)));
        QVERIFY(window.m_frame.StatusLine().startsWith(QStringLiteral("Law written to ") + strWritten));
    }
    QCOMPARE(aTypes.size(), static_cast<qsizetype>(aFormats.size()));
    for (std::size_t k = 0; k < aFormats.size(); ++k)
        QCOMPARE(aTypes[static_cast<qsizetype>(k)], QString::fromLatin1(aFormats[k].m_szFilter));
    QVERIFY(window.m_frame.MessagesPane()->toPlainText().contains(QStringLiteral("Law written to ")));
}

void CExportLawTest::refusalsWriteNothing() {
    CScratchFolder scratch;
    SFitted window(scratch);
    QVERIFY(window.m_bFitted);
    // A field that cannot be read is named before any file is asked for.
    QString strMessage;
    auto pDialog = WhenModal<CExportLawDlg>([&](CExportLawDlg* pDlg) {
        pDlg->m_pRatesEdit->setText(QStringLiteral("0.1, fast"));
        auto pBox = AnswerMessageBox(QMessageBox::Ok, &strMessage);
        pDlg->m_pExportButton->click();
        QVERIFY(*pBox);
        // A file that cannot be written: a folder in its place.
        pDlg->m_pRatesEdit->clear();
        QVERIFY(QDir(scratch.Path()).mkdir(QStringLiteral("blocked.csv")));
        QString strWrite;
        auto pWriteBox = AnswerMessageBox(QMessageBox::Ok, &strWrite);
        QVERIFY(!pDlg->ExportTo(*FindExportFormat("csv"), scratch.File(QStringLiteral("blocked.csv"))));
        QVERIFY(*pWriteBox);
        QVERIFY2(strWrite.contains(QStringLiteral("blocked.csv")), qPrintable(strWrite));
        QVERIFY(pDlg->m_pWrittenLabel->text().isEmpty());
        pDlg->reject();
    });
    window.m_frame.ExportLawAction()->trigger();
    QVERIFY(*pDialog);
    QVERIFY2(strMessage.startsWith(QStringLiteral("Strain rates: \"fast\" is not a number")), qPrintable(strMessage));
    QVERIFY(QFileInfo(scratch.File(QStringLiteral("blocked.csv"))).isDir());
    const QStringList aFiles = QDir(scratch.Path()).entryList({QStringLiteral("*_law.*")});
    QVERIFY2(aFiles.isEmpty(), qPrintable(aFiles.join(' ')));
}

// A law that rises with temperature: the dialog shows the finding before anything is
// written, and the messages pane gets it with the file.
void CExportLawTest::showsTheLawCheck() {
    CScratchFolder scratch;
    SFitted window(scratch);
    QVERIFY(window.m_bFitted);
    g_pMaterial->m_dCoef[3] = 0.002; // exp(+0.002 t)
    QString strPane;
    auto pDialog = WhenModal<CExportLawDlg>([&](CExportLawDlg* pDlg) {
        strPane = pDlg->m_pCheckPane->toPlainText();
        pDlg->grab().save(ScreenshotPath(QStringLiteral("export-law-check.png")));
        QVERIFY(pDlg->ExportTo(*FindExportFormat("abaqus"), scratch.File(QStringLiteral("hot.inp"))));
        pDlg->reject();
    });
    window.m_frame.ExportLawAction()->trigger();
    QVERIFY(*pDialog);
    QVERIFY2(strPane.contains(QStringLiteral("Tables: 1 findings\n  law check: the stress rises with temperature at E=")),
             qPrintable(strPane));
    QVERIFY2(strPane.contains(QStringLiteral("Subroutines over strain 0 to ")), qPrintable(strPane));
    QVERIFY2(strPane.contains(QStringLiteral(" deg C (21): 1 findings\n  law check: the stress rises")), qPrintable(strPane));
    const QString strMessages = window.m_frame.MessagesPane()->toPlainText();
    QVERIFY2(strMessages.contains(QStringLiteral("law check: the stress rises with temperature at E=")),
             qPrintable(strMessages));
    QVERIFY(QFileInfo::exists(scratch.File(QStringLiteral("hot.inp"))));
}

QTEST_MAIN(CExportLawTest)
#include "ExportLawTest.moc"
