#include <gtest/gtest.h>
#include "document/csv_model.h"
TEST(Smoke, Builds) { EXPECT_EQ(qelvar::DetectDelimiter(u"a;b;c"), u';'); }
