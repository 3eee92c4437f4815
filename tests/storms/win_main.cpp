// The same storm tests as a Win32 program: the numbers read through the Windows C
// runtime, and the table's lock is a critical section.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
