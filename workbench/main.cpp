// vornel: the workbench window without arguments or with one material file, the batch mode
// with options (vornel --help).

#include "vornel/BatchMode.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#ifdef VORNEL_HAS_WINDOW
#include "KivApp.h"
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
    return RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
