// orbiq, the 3D viewer of the fitted stress surface.
#include "OrbiqApp.h"

int main(int argc, char** argv) {
    if (const int nStatus = RunWithoutQt(argc, argv); nStatus >= 0)
        return nStatus;
    COrbiqApp app(argc, argv);
    return app.Run();
}
