// CTextBuf: capacities, growth, copies and formatting. Built into the Wine
// tests and, natively under ASan and UBSan, into the host memory checks.
#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>

#include "base/textbuf.h"

static void ExpectEmptyNull(const CTextBuf& text)
{
    EXPECT_EQ(nullptr, text.m_text);
    EXPECT_EQ(0, text.m_capacity);
    EXPECT_EQ(0, text.m_length);
    EXPECT_STREQ("", text.Text());
}

static void ExpectBlockInvariants(const CTextBuf& text)
{
    ASSERT_NE(nullptr, text.m_text);
    EXPECT_EQ(0, text.m_capacity % 16);
    EXPECT_GE(text.m_capacity, 16);
    EXPECT_EQ((int)strlen(text.m_text), text.m_length);
    EXPECT_LT(text.m_length, text.m_capacity);
    EXPECT_EQ(0, text.m_text[text.m_capacity - 1]);
}

TEST(TextBufStates, ConstructedAndReleasedAreEmptyNull)
{
    CTextBuf text;
    ExpectEmptyNull(text);
    text.Assign("something");
    text.Release();
    ExpectEmptyNull(text);
    text.Release();
    ExpectEmptyNull(text);
}

TEST(TextBufStates, InitEmptyHasABlockOfSixteen)
{
    CTextBuf text;
    text.InitEmpty();
    ASSERT_NE(nullptr, text.m_text);
    EXPECT_EQ(16, text.m_capacity);
    EXPECT_EQ(0, text.m_length);
    EXPECT_STREQ("", text.m_text);

    // Again on a buffer that holds text: the old block goes, the text is empty.
    text.Assign("a text long enough to need more than sixteen bytes");
    text.InitEmpty();
    EXPECT_EQ(16, text.m_capacity);
    EXPECT_STREQ("", text.Text());
}

TEST(TextBufStates, InitFromCopiesTheText)
{
    CTextBuf text;
    EXPECT_EQ(&text, &text.InitFrom("C:\\disc.iso"));
    EXPECT_STREQ("C:\\disc.iso", text.Text());
    EXPECT_EQ(11, text.m_length);
    EXPECT_EQ(32, text.m_capacity);
    ExpectBlockInvariants(text);
}

TEST(TextBufReserve, SmallerSizeKeepsBlockAndContent)
{
    CTextBuf text;
    text.Assign("abc");
    char* block = text.m_text;
    EXPECT_EQ(1, text.Reserve(15));
    EXPECT_EQ(block, text.m_text);
    EXPECT_EQ(16, text.m_capacity);
    EXPECT_STREQ("abc", text.Text());
    EXPECT_EQ(3, text.m_length);
    EXPECT_EQ(1, text.Reserve(-5));
    EXPECT_STREQ("abc", text.Text());
}

TEST(TextBufReserve, EqualSizeReallocatesAndEmpties)
{
    CTextBuf text;
    text.Assign("abc");
    EXPECT_EQ(1, text.Reserve(16));
    EXPECT_EQ(32, text.m_capacity);
    EXPECT_EQ(0, text.m_length);
    EXPECT_STREQ("", text.Text());
    ExpectBlockInvariants(text);
}

TEST(TextBufReserve, CapacityIsSizeRoundedDownPlusSixteen)
{
    struct Case {
        int size;
        int capacity;
    } cases[] = {{0, 16}, {1, 16}, {15, 16}, {16, 32}, {17, 32}, {31, 32}, {32, 48}, {1022, 1024}, {1024, 1040}};
    for (const Case& c : cases) {
        CTextBuf text;
        EXPECT_EQ(1, text.Reserve(c.size)) << c.size;
        EXPECT_EQ(c.capacity, text.m_capacity) << c.size;
        EXPECT_EQ(0, text.m_text[0]) << c.size;
        EXPECT_EQ(0, text.m_text[c.capacity - 1]) << c.size;
        // Every byte of the block is usable.
        memset(text.m_text, 'x', (size_t)text.m_capacity - 1);
    }
}

TEST(TextBufReserve, SizeThatCannotBeServedFailsIntoEmptyNull)
{
    CTextBuf text;
    text.Assign("abc");
    EXPECT_EQ(0, text.Reserve(INT_MAX));
    ExpectEmptyNull(text);
    EXPECT_EQ(0, text.Reserve(INT_MAX - 15));
    ExpectEmptyNull(text);
}

TEST(TextBufAssign, CapacitiesOfThePartExamples)
{
    CTextBuf text;
    EXPECT_EQ(1, text.Assign(""));
    EXPECT_EQ(16, text.m_capacity);
    EXPECT_EQ(0, text.m_length);
    EXPECT_EQ(1, text.Assign("abc"));
    EXPECT_EQ(16, text.m_capacity);

    std::string twenty(20, 'p');
    CTextBuf second;
    EXPECT_EQ(1, second.Assign(twenty.c_str()));
    EXPECT_EQ(48, second.m_capacity);
    EXPECT_EQ(20, second.m_length);
    EXPECT_EQ(twenty, second.Text());

    std::string path(511, 'q');
    CTextBuf third;
    EXPECT_EQ(1, third.Assign(path.c_str()));
    EXPECT_EQ(1024, third.m_capacity);
    EXPECT_EQ(511, third.m_length);
    EXPECT_EQ(path, third.Text());
    ExpectBlockInvariants(third);
}

TEST(TextBufAssign, ShorterTextReusesTheBlock)
{
    CTextBuf text;
    text.Assign(std::string(40, 'a').c_str());
    char* block = text.m_text;
    int capacity = text.m_capacity;
    EXPECT_EQ(1, text.Assign("short"));
    EXPECT_EQ(block, text.m_text);
    EXPECT_EQ(capacity, text.m_capacity);
    EXPECT_STREQ("short", text.Text());
    EXPECT_EQ(5, text.m_length);
}

TEST(TextBufAssign, PartOfItsOwnTextIsSafe)
{
    CTextBuf text;
    text.Assign("0123456789");
    EXPECT_EQ(1, text.Assign(text.Text() + 4));
    EXPECT_STREQ("456789", text.Text());

    // Growing while the argument lives in the old block.
    CTextBuf grows;
    grows.Reserve(200);
    memset(grows.m_text, 'z', 150);
    grows.m_text[150] = 0;
    grows.m_length = 150;
    EXPECT_EQ(1, grows.Assign(grows.Text()));
    EXPECT_EQ(std::string(150, 'z'), grows.Text());
    EXPECT_EQ(304, grows.m_capacity);
}

TEST(TextBufAppend, InPlaceWhileThereIsRoom)
{
    CTextBuf text;
    text.Assign("abc");
    char* block = text.m_text;
    // need = 10 + 3 + 2 = 15 < 16: stays.
    EXPECT_EQ(1, text.Append("defghijklm"));
    EXPECT_EQ(block, text.m_text);
    EXPECT_EQ(16, text.m_capacity);
    EXPECT_STREQ("abcdefghijklm", text.Text());
    EXPECT_EQ(13, text.m_length);
}

TEST(TextBufAppend, GrowsToTwiceTheNewLength)
{
    CTextBuf text;
    text.Assign("abcdefghijklm");
    // need = 1 + 13 + 2 = 16, not below 16: a new block for 2 * 14 bytes.
    EXPECT_EQ(1, text.Append("n"));
    EXPECT_EQ(32, text.m_capacity);
    EXPECT_STREQ("abcdefghijklmn", text.Text());
    EXPECT_EQ(14, text.m_length);

    std::string longer(100, 'x');
    EXPECT_EQ(1, text.Append(longer.c_str()));
    EXPECT_EQ(((2 * 114) & ~15) + 16, text.m_capacity);
    EXPECT_EQ("abcdefghijklmn" + longer, text.Text());
    ExpectBlockInvariants(text);
}

TEST(TextBufAppend, ToEmptyNullAndOwnText)
{
    CTextBuf text;
    EXPECT_EQ(1, text.Append("xyz"));
    EXPECT_STREQ("xyz", text.Text());
    EXPECT_EQ(16, text.m_capacity);

    EXPECT_EQ(1, text.Append(text.Text()));
    EXPECT_STREQ("xyzxyz", text.Text());
    EXPECT_EQ(1, text.Append(text.Text()));
    EXPECT_EQ(1, text.Append(text.Text()));
    EXPECT_EQ(std::string("xyzxyzxyzxyzxyzxyzxyzxyz"), text.Text());
    EXPECT_EQ(24, text.m_length);
    ExpectBlockInvariants(text);
}

TEST(TextBufAppend, ManyPiecesGiveTheWholeText)
{
    CTextBuf text;
    text.InitEmpty();
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        std::string piece = std::to_string(i) + ",";
        ASSERT_EQ(1, text.Append(piece.c_str()));
        expected += piece;
        ASSERT_EQ((int)expected.size(), text.m_length);
    }
    EXPECT_EQ(expected, text.Text());
    ExpectBlockInvariants(text);
}

TEST(TextBufCopy, CopiesAreDeepAndIndependent)
{
    CTextBuf original;
    original.Assign("source");
    CTextBuf copy(original);
    EXPECT_NE(original.m_text, copy.m_text);
    EXPECT_STREQ("source", copy.Text());
    copy.Append(" changed");
    EXPECT_STREQ("source", original.Text());

    CTextBuf assigned;
    assigned.Assign("old");
    assigned = original;
    EXPECT_NE(original.m_text, assigned.m_text);
    EXPECT_STREQ("source", assigned.Text());
    assigned = assigned;
    EXPECT_STREQ("source", assigned.Text());

    CTextBuf none;
    CTextBuf copyOfNone(none);
    ExpectEmptyNull(copyOfNone);
    assigned = none;
    ExpectEmptyNull(assigned);
}

TEST(TextBufFormat, BlockFromFormatLengthWhenTheResultFits)
{
    CTextBuf text;
    text.Format("%s-%d", "ab", 7);
    EXPECT_STREQ("ab-7", text.Text());
    EXPECT_EQ(4, text.m_length);
    EXPECT_EQ(16 * 5 + 16, text.m_capacity);
    ExpectBlockInvariants(text);
}

TEST(TextBufFormat, LongArgumentGetsABlockOfItsLength)
{
    std::string path(600, 'p');
    CTextBuf text;
    text.Format("%s", path.c_str());
    EXPECT_EQ(path, text.Text());
    EXPECT_EQ(600, text.m_length);
    EXPECT_EQ(608, text.m_capacity);
    ExpectBlockInvariants(text);

    // A 511-character path in a message format of 60 characters.
    std::string format = "Fehler, beim Lesen der Quelldatei.\nRead failed, Source file.\n%s";
    std::string longPath(511, 'r');
    CTextBuf message;
    message.Format(format.c_str(), longPath.c_str());
    std::string expected = format.substr(0, format.size() - 2) + longPath;
    EXPECT_EQ(expected, message.Text());
    EXPECT_EQ((int)expected.size(), message.m_length);
    ExpectBlockInvariants(message);
}

TEST(TextBufFormat, ReplacesContentInALargerBlock)
{
    CTextBuf text;
    text.Assign(std::string(300, 'a').c_str());
    int capacity = text.m_capacity;
    text.Format("%d%%", 42);
    EXPECT_STREQ("42%", text.Text());
    EXPECT_EQ(3, text.m_length);
    EXPECT_EQ(capacity, text.m_capacity);

    text.Format("");
    EXPECT_STREQ("", text.Text());
    EXPECT_EQ(0, text.m_length);
}

TEST(TextBufFormat, CodePage1252BytesPassThrough)
{
    CTextBuf text;
    text.Format("%s \xFC" "ber %c", "\xD8", '\xDF');
    EXPECT_STREQ("\xD8 \xFC" "ber \xDF", text.Text());
}
