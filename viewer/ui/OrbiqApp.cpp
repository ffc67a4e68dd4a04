#include "OrbiqApp.h"

#include "MainFrame.h"
#include "SceneRenderer.h"

#include "formats/SurfaceFile.h"

#include <QImage>
#include <QSurfaceFormat>

#include <cstdio>

namespace {

const char* const kszUsage =
    "usage: orbiq [FILE]\n"
    "       orbiq --snapshot OUT.png [FILE]\n"
    "Shows the surface file FILE (default: visual.tmp in the current folder) in 3D.\n"
    "--snapshot renders it in its first attitude into a 1024 x 768 PNG picture and exits.\n";

void PrintError(const QString& strMessage) { std::fprintf(stderr, "orbiq: %s\n", strMessage.toLocal8Bit().constData()); }

int Snapshot(const QString& strOut, const QString& strFile) {
    COrbiqScene scene;
    const CReadStatus status = scene.ReadSurfaceFile(strFile.toStdString());
    if (!status.bOk) {
        PrintError(QString::fromStdString(status.strMessage));
        return 1;
    }
    scene.ColourByValue(kValueVz);
    QImage image;
    QString strError;
    if (!RenderSceneWithAxes(scene, QSize(kSnapshotWidth, kSnapshotHeight), &image, &strError)) {
        PrintError(strError);
        return 1;
    }
    if (!image.save(strOut, "PNG")) {
        PrintError(QStringLiteral("%1: cannot write the picture").arg(strOut));
        return 1;
    }
    return 0;
}

} // namespace

COrbiqApp::COrbiqApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("orbiq");
    setApplicationVersion("1.0");
}

int COrbiqApp::Run() {
    QStringList aArgs = arguments();
    aArgs.removeFirst();
    if (aArgs.contains("--help") || aArgs.contains("-h")) {
        std::fputs(kszUsage, stdout);
        return 0;
    }
    if (!aArgs.isEmpty() && aArgs.first() == "--snapshot") {
        if (aArgs.size() < 2 || aArgs.size() > 3 || aArgs.at(1).startsWith("--")) {
            PrintError("--snapshot needs the name of the picture to write, and at most one surface file");
            std::fputs(kszUsage, stderr);
            return 2;
        }
        return Snapshot(aArgs.at(1), aArgs.size() == 3 ? aArgs.at(2) : QString(kSurfaceFileName));
    }
    if (aArgs.size() > 1 || (!aArgs.isEmpty() && aArgs.first().startsWith("--"))) {
        PrintError(QStringLiteral("cannot understand \"%1\"").arg(aArgs.join(' ')));
        std::fputs(kszUsage, stderr);
        return 2;
    }

    CMainFrame frame;
    frame.ShowAtStart();
    frame.OpenSurfaceFile(aArgs.isEmpty() ? QString(kSurfaceFileName) : aArgs.first(), true);
    return exec();
}
