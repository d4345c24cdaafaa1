#include <gtest/gtest.h>

#include "base/textbuf.h"

TEST(HostBuild, TextBufferLinks)
{
    CTextBuf text;
    EXPECT_STREQ("", text.Text());
}
