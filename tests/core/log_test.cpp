// The error log keeps exactly the last 'E' text, cut to the buffer.
#include <gtest/gtest.h>

#include <string>

#include "app/log.h"

TEST(Log, SecondErrorReplacesFirst)
{
    log_message('E', "first %s", "error");
    log_message('E', "second %zu", static_cast<size_t>(2));
    EXPECT_EQ(last_error, "second 2");
}

TEST(Log, OtherLevelsLeaveLastErrorAlone)
{
    log_message('E', "kept");
    log_message('I', "imported %zu asset files (%.1f MB) into %s", static_cast<size_t>(3), 1.5,
                "x");
    log_message('W', "warning");
    EXPECT_EQ(last_error, "kept");
}

TEST(Log, LongErrorIsCutTo1023Characters)
{
    std::string long_text(1100, 'x');
    long_text[1022] = 'y';
    log_message('E', "%s", long_text.c_str());
    ASSERT_EQ(last_error.size(), 1023u);
    EXPECT_EQ(last_error.back(), 'y');
}

TEST(Log, FormatsLikePrintf)
{
    log_message('E', "%.1f MB and %zu files in %s", 1572864 / 1048576.0, static_cast<size_t>(7),
                "dir");
    EXPECT_EQ(last_error, "1.5 MB and 7 files in dir");
}
