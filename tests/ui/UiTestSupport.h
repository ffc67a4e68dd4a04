#pragma once
// Helpers of the window tests: a scratch folder to work in, experiment records from a
// known law, and answering the modal dialogs a command opens, the way a user would.

#include "RecordFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace vornel_ui_test {

// A fresh temporary folder that the test works in while the object lives.
class CScratchFolder {
public:
    CScratchFolder() : m_previous(QDir::currentPath()) {
        if (!m_dir.isValid())
            qFatal("cannot create a scratch folder");
        QDir::setCurrent(m_dir.path());
    }
    ~CScratchFolder() { QDir::setCurrent(m_previous); }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    QString Path() const { return QDir(m_dir.path()).canonicalPath(); }
    QString File(const QString& strName) const { return QDir(Path()).absoluteFilePath(strName); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

// Writes bytes as the whole of the file strPath; false when it cannot.
[[nodiscard]] inline bool WriteBytes(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Where a test keeps a screenshot named strName for people to look at.
inline QString ScreenshotPath(const QString& strName) {
    QDir().mkpath(QStringLiteral(VORNEL_SCREENSHOT_DIR));
    return QDir(QStringLiteral(VORNEL_SCREENSHOT_DIR)).absoluteFilePath(strName);
}

// Watches for one modal dialog (see WhenModal); true once it was answered. Destroying the
// watch stops watching, so a dialog that never came cannot be answered by a stale watch.
class CModalWatch {
public:
    ~CModalWatch() {
        if (m_pTimer)
            m_pTimer->deleteLater();
    }
    explicit operator bool() const { return m_bDone; }

    bool m_bDone = false;
    QPointer<QTimer> m_pTimer;
};

// Runs fn on the next visible modal dialog of type T once it is shown (polling the event
// loop). Arm it before the command that opens the dialog; keep the returned watch while
// the command runs. Gives up after nTimeoutMs.
template <class T>
std::shared_ptr<CModalWatch> WhenModal(std::function<void(T*)> fn, int nTimeoutMs = 10000) {
    auto pWatch = std::make_shared<CModalWatch>();
    auto* pTimer = new QTimer(qApp);
    pWatch->m_pTimer = pTimer;
    auto pWaited = std::make_shared<int>(0);
    std::weak_ptr<CModalWatch> watch = pWatch;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, qApp, [pTimer, watch, pWaited, fn, nTimeoutMs] {
        *pWaited += 10;
        const std::shared_ptr<CModalWatch> pAlive = watch.lock();
        T* pDialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (pAlive && pDialog && pDialog->isVisible()) {
            pTimer->stop();
            pTimer->deleteLater();
            pAlive->m_bDone = true;
            fn(pDialog);
        } else if (!pAlive || *pWaited > nTimeoutMs) {
            pTimer->stop();
            pTimer->deleteLater();
        }
    });
    pTimer->start();
    return pWatch;
}

// Chooses strPath in the next file dialog.
inline std::shared_ptr<CModalWatch> ChooseFile(const QString& strPath) {
    return WhenModal<QFileDialog>([strPath](QFileDialog* pDialog) {
        // selectFile leaves the name field alone while it has the focus, so the path is
        // typed into the field as a user would.
        if (auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            pName->setText(strPath);
        else
            pDialog->selectFile(strPath);
        static_cast<QDialog*>(pDialog)->accept(); // QFileDialog's own accept is protected
    });
}

// Chooses the files aPaths (of one folder) together in the next file dialog, as a user
// who marks several names.
inline std::shared_ptr<CModalWatch> ChooseFiles(const QStringList& aPaths) {
    return WhenModal<QFileDialog>([aPaths](QFileDialog* pDialog) {
        pDialog->setDirectory(QFileInfo(aPaths.value(0)).absolutePath());
        QStringList aQuoted;
        for (const QString& strPath : aPaths)
            aQuoted << '"' + QFileInfo(strPath).fileName() + '"';
        if (auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            pName->setText(aQuoted.join(' '));
        static_cast<QDialog*>(pDialog)->accept();
    });
}

// Cancels the next file dialog.
inline std::shared_ptr<CModalWatch> CancelFileDialog() {
    return WhenModal<QFileDialog>([](QFileDialog* pDialog) { pDialog->reject(); });
}

// Presses eButton in the next message box and keeps its text (main and informative).
inline std::shared_ptr<CModalWatch> AnswerMessageBox(QMessageBox::StandardButton eButton, QString* pText = nullptr) {
    return WhenModal<QMessageBox>([eButton, pText](QMessageBox* pBox) {
        if (pText)
            *pText = pBox->text() + '\n' + pBox->informativeText();
        if (QAbstractButton* pButton = pBox->button(eButton))
            pButton->click();
        else
            pBox->reject();
    });
}

// Writes a record of the Hensel-Spittel test law at t (deg C) and H (1/s) into strPath.
inline void WriteLawRecord(const QString& strPath, double dTemp, double dRate, int nRise = 60) {
    vornel_test::WriteRecord(strPath.toStdString(), vornel_test::HenselSpittelLaw, dTemp, dRate, nRise);
}

} // namespace vornel_ui_test
