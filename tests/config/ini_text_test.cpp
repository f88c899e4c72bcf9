#include "config/ini_text.h"

#include <gtest/gtest.h>

TEST(IniText, Placeholder) {
  EXPECT_EQ(ScanIniInt(L"300px"), 300);
}
