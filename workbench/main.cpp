// vornel: the workbench window without arguments or with one material file, the batch mode
// with options (vornel --help).

#include "vornel/BatchMode.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#ifdef VORNEL_HAS_WINDOW
#include "CurvePlot.h"
#include "KivApp.h"

#include <QGuiApplication>

namespace {

// --plot: draws the material's plot into a file. Only images are drawn, so the offscreen
// platform serves with or without a display.
void WritePlotOffscreen(const CMaterial& material, const std::string& strPath) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The error stream carries the batch mode's own messages; Qt's remarks on its
    // environment (runtime folder, fonts) are not the user's business here.
    qInstallMessageHandler([](QtMsgType eType, const QMessageLogContext&, const QString& strText) {
        if (eType == QtCriticalMsg || eType == QtFatalMsg)
            std::cerr << "vornel: " << strText.toStdString() << '\n';
    });
    int argc = 1;
    char szName[] = "vornel";
    char* argv[] = {szName, nullptr};
    const QGuiApplication app(argc, argv);
    WritePlotFile(material, strPath);
}

} // namespace
#endif

int main(int argc, char** argv) {
    const bool bWindow = argc == 1 || (argc == 2 && argv[1][0] != '-');
#ifdef VORNEL_HAS_WINDOW
    if (bWindow) {
        // Without a display Qt would abort; say what to do instead.
        const auto unset = [](const char* szName) {
            const char* szValue = std::getenv(szName);
            return !szValue || !*szValue;
        };
        if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM")) {
            std::cerr << "vornel: there is no display to open the window on (DISPLAY is not set); "
                         "the batch mode is described by vornel --help\n";
            return kBatchError;
        }
        return RunWorkbenchWindow(argc, argv);
    }
#else
    if (bWindow) {
        std::cerr << "vornel: this build has no workbench window; the batch mode is described by vornel --help\n";
        return kBatchError;
    }
#endif
    const std::vector<std::string> aArgs(argv + 1, argv + argc);
#ifdef VORNEL_HAS_WINDOW
    return RunBatch(aArgs, std::cout, std::cerr, WritePlotOffscreen);
#else
    return RunBatch(aArgs, std::cout, std::cerr);
#endif
}
