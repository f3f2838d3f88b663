#include "CConfigApp.h"

int main(int argc, char** argv) {
    tavrel::CConfigApp app(argc, argv);
    return app.run();
}
