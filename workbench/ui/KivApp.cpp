#include "KivApp.h"

#include "KivView.h"
#include "MainFrame.h"

#include "vornel/document/Material.h"

#include <QSettings>

CKivApp::CKivApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QString::fromLatin1(kSettingsOrganization));
    setApplicationName(QString::fromLatin1(kSettingsApplication));
    setApplicationVersion(QStringLiteral("1.2"));
}

CKivApp::~CKivApp() {
    m_pFrame.reset();
    g_pMaterial.reset();
}

void CKivApp::InitInstance(const QString& strMaterialFile) {
    m_pFrame = std::make_unique<CMainFrame>();
    m_pFrame->showMaximized();
    m_pFrame->UpdateCommandStates();
    if (!strMaterialFile.isEmpty())
        m_pFrame->View().OpenMaterialFile(strMaterialFile);
}

int RunWorkbenchWindow(int argc, char** argv) {
    CKivApp app(argc, argv);
    const QStringList aArgs = app.arguments();
    app.InitInstance(aArgs.size() > 1 ? aArgs.at(1) : QString());
    return app.exec();
}
