#include <gtest/gtest.h>
TEST(Dispatcher, Placeholder) { SUCCEED(); }
