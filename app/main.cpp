#include "CSorvikApp.h"

int main(int argc, char* argv[])
{
    CSorvikApp app(argc, argv);
    return app.InitInstance();
}
