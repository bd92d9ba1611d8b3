#include "platform/CAllocator.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <gmock/gmock.h>

// Core test programs need no display: a QCoreApplication is enough.
int main(int argc, char** argv)
{
    // As the program: memory the system refuses is an exception, not the end. Freed memory
    // goes back to the system soon (no Tune()), so that a child process measures its own.
    CAllocator::ThrowWhenRefused();
    CTestEnvironment::IsolateHome();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
