#include <gtest/gtest.h>

#include "base/textbuf.h"

TEST(WineBuild, TextBufferLinks)
{
    CTextBuf text;
    EXPECT_STREQ("", text.Text());
}
