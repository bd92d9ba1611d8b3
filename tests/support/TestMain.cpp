#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <gmock/gmock.h>

// Core test programs need no display: a QCoreApplication is enough.
int main(int argc, char** argv)
{
    CTestEnvironment::IsolateHome();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
