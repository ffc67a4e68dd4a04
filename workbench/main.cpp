// vornel: the workbench window without arguments or with one material file, the batch mode
// with options (vornel --help).

#include "vornel/BatchMode.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef VORNEL_HAS_WINDOW
#include "KivApp.h"
#endif

int main(int argc, char** argv) {
    const bool bWindow = argc == 1 || (argc == 2 && argv[1][0] != '-');
#ifdef VORNEL_HAS_WINDOW
    if (bWindow)
        return RunWorkbenchWindow(argc, argv);
#else
    if (bWindow) {
        std::cerr << "vornel: this build has no workbench window; the batch mode is described by vornel --help\n";
        return kBatchError;
    }
#endif
    return RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
