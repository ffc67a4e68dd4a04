// orbiq, the 3D viewer of the fitted stress surface.
#include "OrbiqApp.h"

int main(int argc, char** argv) {
    COrbiqApp app(argc, argv);
    return app.Run();
}
