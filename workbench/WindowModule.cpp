#include "WindowModule.h"

#include "PlotViews.h"
#include "KivApp.h"

#include <QGuiApplication>

#include <exception>
#include <iostream>
#include <string>

#define VORNEL_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" VORNEL_MODULE_EXPORT int VornelWindowMain(int argc, char** argv) { return RunWorkbenchWindow(argc, argv); }

extern "C" VORNEL_MODULE_EXPORT const char* VornelWritePlot(const CMaterial* pMaterial, const char* szPath, int nView) {
    static std::string s_strMessage;
    try {
        // Only images are drawn, so the offscreen platform serves with or without a display.
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
        CPlotViewStyle style;
        style.m_eView = static_cast<EPlotView>(nView);
        WritePlotFile(*pMaterial, szPath, QSize(kPlotImageWidth, kPlotImageHeight), CCurvePlot::kDefaultCells,
                      CCurvePlot::kDefaultCells, style);
        return nullptr;
    } catch (const std::exception& e) {
        s_strMessage = e.what();
    } catch (...) {
        s_strMessage = std::string(szPath) + ": the plot could not be drawn";
    }
    return s_strMessage.c_str();
}
