#pragma once
// The viewer program:
//   orbiq                          the window, reading "visual.tmp" of the current folder
//   orbiq FILE                     the window, reading FILE
//   orbiq --snapshot OUT.png [FILE] renders the scene of FILE ("visual.tmp" when absent) in
//                                  its initial attitude into a 1024 x 768 PNG and exits;
//                                  the surface is coloured by "Vz" (the fitted stress) when
//                                  those values vary, red otherwise
// Exit status: 0 when done, 1 when the file or the picture could not be read or written,
// 2 for a command line it does not understand.

#include <QApplication>

class COrbiqApp : public QApplication {
    Q_OBJECT
public:
    COrbiqApp(int& argc, char** argv);
    // Runs what the command line asks for; the exit status.
    int Run();
};

inline constexpr int kSnapshotWidth = 1024;
inline constexpr int kSnapshotHeight = 768;
