#include "platform/CAllocator.h"
#include "support/CTestEnvironment.h"

#include <QApplication>
#include <gmock/gmock.h>

// Window test programs run with a real QApplication on the offscreen platform.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program: memory the system refuses is an exception, not the end.
    CAllocator::ThrowWhenRefused();
    CTestEnvironment::IsolateHome();
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
