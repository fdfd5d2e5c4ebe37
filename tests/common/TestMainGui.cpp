#include <QApplication>
#include <gtest/gtest.h>

#include "TestEnv.h"

int main(int argc, char **argv)
{
    dtuPrepareTestEnv();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
