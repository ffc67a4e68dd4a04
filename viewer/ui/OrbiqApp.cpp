#include "OrbiqApp.h"

#include "MainFrame.h"
#include "SceneRenderer.h"

#include "formats/BinaryFile.h"
#include "formats/FileError.h"
#include "formats/SurfaceFile.h"

#include <QBuffer>
#include <QImage>
#include <QSurfaceFormat>

#include <cstdio>
#include <cstdlib>
#include <string_view>

const char* const kszUsage =
    "usage: orbiq [FILE]\n"
    "       orbiq --snapshot OUT.png [FILE]\n"
    "Shows the surface file FILE (default: visual.tmp in the current folder) in 3D.\n"
    "--snapshot renders it in its first attitude, fitted to the picture, into a 1024 x 768 PNG picture and exits.\n";

namespace {

void PrintError(const QString& strMessage) { std::fprintf(stderr, "orbiq: %s\n", strMessage.toLocal8Bit().constData()); }

int Snapshot(const QString& strOut, const QString& strFile) {
    COrbiqScene scene;
    const CReadStatus status = scene.ReadSurfaceFile(strFile.toStdString());
    if (!status.bOk) {
        PrintError(QString::fromStdString(status.strMessage));
        return 1;
    }
    scene.ColourByValue(kValueVz);
    FitSceneToPicture(scene, QSize(kSnapshotWidth, kSnapshotHeight));
    QImage image;
    QString strError;
    if (!RenderSceneWithAxes(scene, QSize(kSnapshotWidth, kSnapshotHeight), &image, &strError)) {
        PrintError(strError);
        return 1;
    }
    // Made in memory and written as a whole (WriteFileBytes): a failed write leaves the
    // previous picture as it was.
    QByteArray aBytes;
    QBuffer buffer(&aBytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        PrintError(QStringLiteral("%1: cannot write the picture").arg(strOut));
        return 1;
    }
    try {
        WriteFileBytes(strOut.toStdString(), {reinterpret_cast<const unsigned char*>(aBytes.constData()),
                                              static_cast<std::size_t>(aBytes.size())});
    } catch (const CFileError& e) {
        PrintError(QString::fromStdString(e.what()));
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

int RunWithoutQt(int argc, char** argv) {
    bool bSnapshot = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            std::fputs(kszUsage, stdout);
            return 0;
        }
        bSnapshot = bSnapshot || (i == 1 && strArg == "--snapshot");
    }
    const auto isSet = [](const char* szName) {
        const char* szValue = std::getenv(szName);
        return szValue && *szValue;
    };
    if (isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"))
        return -1;
    if (bSnapshot) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return -1;
    }
    PrintError(QStringLiteral("there is no display to show the window on (DISPLAY is not set); start orbiq on a "
                              "desktop, or draw a picture with --snapshot"));
    return 2;
}
