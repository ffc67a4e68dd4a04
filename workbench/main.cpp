// vornel: with arguments the batch mode, without them the workbench window.

#include "vornel/BatchMode.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc <= 1) {
        std::cerr << "vornel: this build has no workbench window yet; the batch mode is described by vornel --help\n";
        return kBatchError;
    }
    return RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
