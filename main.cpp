#include "app/CCorvaneApp.h"

int main(int argc, char* argv[]) {
    CCorvaneApp app(argc, argv);
    return app.Run();
}
