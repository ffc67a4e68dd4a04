#pragma once
// main() of the viewer's Qt tests: the settings (recent-file list) go to a folder of the
// test's own instead of the user's.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define VIEWER_QTEST_MAIN(TestClass)                                       \
    int main(int argc, char** argv) {                                      \
        QTemporaryDir config;                                              \
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());           \
        QApplication app(argc, argv);                                      \
        TestClass test;                                                    \
        return QTest::qExec(&test, argc, argv);                            \
    }
