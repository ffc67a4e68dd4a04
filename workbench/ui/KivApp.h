#pragma once
// The workbench application: settings under "Local AppWizard-Generated Applications",
// the main frame shown maximised with the caption "KivRoll", and a material file named on
// the command line opened in it.

#include <QApplication>

#include <memory>

class CMainFrame;

class CKivApp : public QApplication {
    Q_OBJECT
public:
    CKivApp(int& argc, char** argv);
    ~CKivApp() override;

    // Creates and shows the main frame; opens strMaterialFile when it is not empty (a file
    // that cannot be opened is reported and the window starts without a material).
    void InitInstance(const QString& strMaterialFile);

    CMainFrame* MainFrame() const { return m_pFrame.get(); }

private:
    std::unique_ptr<CMainFrame> m_pFrame;
};

// Runs the window: vornel without arguments, or with one material file.
int RunWorkbenchWindow(int argc, char** argv);
