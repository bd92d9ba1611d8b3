#include "app/CCratewiseApp.h"

int main(int argc, char** argv)
{
    return CCratewiseApp::Main(argc, argv);
}
