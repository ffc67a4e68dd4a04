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

// The text of orbiq --help.
extern const char* const kszUsage;

// What the program does before Qt starts, which aborts where it finds no platform to show
// windows on: --help is answered at once (0); without any platform (no QT_QPA_PLATFORM, no
// DISPLAY, no WAYLAND_DISPLAY) a snapshot is drawn off screen, and the window is refused with
// one line on the error stream (2). Returns the exit status when the program is done, else
// -1 for the application to run.
int RunWithoutQt(int argc, char** argv);

class COrbiqApp : public QApplication {
    Q_OBJECT
public:
    COrbiqApp(int& argc, char** argv);
    // Runs what the command line asks for; the exit status.
    int Run();
};

inline constexpr int kSnapshotWidth = 1024;
inline constexpr int kSnapshotHeight = 768;
