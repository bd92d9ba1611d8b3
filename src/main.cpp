#include "app/CCratewiseApp.h"
#include "platform/CAllocator.h"

int main(int argc, char** argv)
{
    CAllocator::ThrowWhenRefused();
    CAllocator::Tune();
    return CCratewiseApp::Main(argc, argv);
}
