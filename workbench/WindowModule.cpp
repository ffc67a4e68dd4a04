#include "WindowModule.h"

#include "AnalysisPlots.h"
#include "PlotViews.h"
#include "KivApp.h"

#include <QGuiApplication>

#include <exception>
#include <functional>
#include <iostream>
#include <string>

#define VORNEL_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" VORNEL_MODULE_EXPORT int VornelWindowMain(int argc, char** argv) { return RunWorkbenchWindow(argc, argv); }

namespace {

// Runs draw with a Qt application on the offscreen platform (only images are drawn, so it
// serves with or without a display); null when it returned, else the message it threw
// (valid until the next call), or one naming szPath.
const char* DrawOffscreen(const char* szPath, const std::function<void()>& draw) {
    static std::string s_strMessage;
    try {
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
        draw();
        return nullptr;
    } catch (const std::exception& e) {
        s_strMessage = e.what();
    } catch (...) {
        s_strMessage = std::string(szPath) + ": the picture could not be drawn";
    }
    return s_strMessage.c_str();
}

} // namespace

extern "C" VORNEL_MODULE_EXPORT const char* VornelWritePlot(const CMaterial* pMaterial, const char* szPath, int nView) {
    return DrawOffscreen(szPath, [&] {
        CPlotViewStyle style;
        style.m_eView = static_cast<EPlotView>(nView);
        WritePlotFile(*pMaterial, szPath, QSize(kPlotImageWidth, kPlotImageHeight), CCurvePlot::kDefaultCells,
                      CCurvePlot::kDefaultCells, style);
    });
}

extern "C" VORNEL_MODULE_EXPORT const char* VornelWriteMap(const std::vector<CProcessingMap>* pMaps, const char* szPath) {
    return DrawOffscreen(szPath, [&] { WriteMapFile(*pMaps, szPath); });
}
