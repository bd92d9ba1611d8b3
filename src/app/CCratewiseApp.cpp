#include "app/CCratewiseApp.h"

int CCratewiseApp::Main(int, char**)
{
    return 0;
}
