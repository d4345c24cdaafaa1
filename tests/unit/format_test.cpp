// FormatSize and FormatDuration at their edge values. Built into the Wine
// tests and, natively under ASan and UBSan, into the host memory checks.
#include <gtest/gtest.h>

#include <limits>
#include <string.h>

#include "convert/format.h"

static std::string Size(double value)
{
    char out[kPieceSize];
    memset(out, 'x', sizeof(out));
    char* result = FormatSize(value, out);
    EXPECT_EQ(out, result);
    EXPECT_NE(nullptr, memchr(out, 0, sizeof(out)));
    return out;
}

static std::string Duration(double seconds)
{
    char out[kPieceSize];
    memset(out, 'x', sizeof(out));
    char* result = FormatDuration(seconds, out);
    EXPECT_EQ(out, result);
    EXPECT_NE(nullptr, memchr(out, 0, sizeof(out)));
    return out;
}

TEST(FormatSizeText, UnitBoundariesAreStrict)
{
    EXPECT_EQ("0 Byte", Size(0));
    EXPECT_EQ("512 Byte", Size(512.7));
    EXPECT_EQ("1024 Byte", Size(1024));
    EXPECT_EQ("1.00 KB", Size(1024.5));
    EXPECT_EQ("1.00 KB", Size(1025));
    EXPECT_EQ("1024.00 KB", Size(1048576));
    EXPECT_EQ("1.00 MB", Size(1048577));
    EXPECT_EQ("1024.00 MB", Size(1073741824));
    EXPECT_EQ("1.00 GB", Size(1073741825));
}

TEST(FormatSizeText, FiguresOfRealRuns)
{
    // A CD image of 359849 sectors of 2352 bytes.
    EXPECT_EQ("807.16 MB", Size(846364848));
    EXPECT_EQ("231.98 KB", Size(237552));
    EXPECT_EQ("2.24 MB", Size(2352000));
    EXPECT_EQ("115.99 KB", Size(118776));
    EXPECT_EQ("4.60 GB", Size(4939200000.0));
    EXPECT_EQ("5120.00 GB", Size(5497558138880.0));
}

TEST(FormatSizeText, UnmeasurableRatesStayReadable)
{
    // A rate over no elapsed time.
    EXPECT_EQ("inf GB", Size(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("0 Byte", Size(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ("-5 Byte", Size(-5.5));
    EXPECT_EQ("-2147483648 Byte", Size(-1e30));
    // Bounded even for a number of 300 digits.
    EXPECT_LT(Size(1e300).size(), kPieceSize);
}

TEST(FormatDurationText, SecondsAndMinutes)
{
    EXPECT_EQ("< 1 Sek.", Duration(0));
    EXPECT_EQ("< 1 Sek.", Duration(0.999));
    EXPECT_EQ("1 Sek.", Duration(1));
    EXPECT_EQ("17 Sek.", Duration(17.8));
    EXPECT_EQ("59 Sek.", Duration(59.999));
    EXPECT_EQ("1 Min., 0 Sek.", Duration(60));
    EXPECT_EQ("1 Min., 1 Sek.", Duration(61.5));
    EXPECT_EQ("62 Min., 5 Sek.", Duration(3725));
}

TEST(FormatDurationText, NegativeAndUnmeasurable)
{
    EXPECT_EQ("< 1 Sek.", Duration(-0.5));
    EXPECT_EQ("< 1 Sek.", Duration(-5));
    EXPECT_EQ("< 1 Sek.", Duration(-3725));
    EXPECT_EQ("< 1 Sek.", Duration(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ("2147483647 Min., 0 Sek.", Duration(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("2147483647 Min., 40 Sek.", Duration(1e12));
}
