// CTextBuf: heap text in blocks of multiples of 16 bytes, grown on demand.
#include "base/textbuf.h"

#include <limits.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Largest request that still leaves room for the 16 bytes Reserve adds.
static const int kLargestReserve = INT_MAX - 16;

// True when `text` points into `block`.
static bool PointsInto(const char* text, const char* block, int capacity)
{
    uintptr_t at = (uintptr_t)text;
    uintptr_t begin = (uintptr_t)block;
    return block && at >= begin && at < begin + (uintptr_t)capacity;
}

CTextBuf::CTextBuf() : m_text(nullptr), m_capacity(0), m_length(0) {}

CTextBuf::CTextBuf(const CTextBuf& other) : m_text(nullptr), m_capacity(0), m_length(0)
{
    // A copy of a buffer without a block has no block either, so a failed
    // allocation stays visible to whoever receives the copy.
    if (other.m_text)
        Assign(other.m_text);
}

CTextBuf& CTextBuf::operator=(const CTextBuf& other)
{
    if (this == &other)
        return *this;
    Release();
    if (other.m_text)
        Assign(other.m_text);
    return *this;
}

CTextBuf::~CTextBuf()
{
    Release();
}

CTextBuf& CTextBuf::InitEmpty()
{
    Release();
    Assign("");
    return *this;
}

CTextBuf& CTextBuf::InitFrom(const char* text)
{
    Release();
    Assign(text);
    return *this;
}

int CTextBuf::Reserve(int size)
{
    if (size < m_capacity)
        return 1;
    Release();
    if (size > kLargestReserve)
        return 0;
    int capacity = (size & ~15) + 16;
    char* block = (char*)malloc((size_t)capacity);
    if (!block)
        return 0;
    block[0] = 0;
    block[capacity - 1] = 0;
    m_text = block;
    m_capacity = capacity;
    return 1;
}

int CTextBuf::Assign(const char* text)
{
    if (!text)
        text = "";
    size_t length = strlen(text);
    if (length > (size_t)(kLargestReserve / 2)) {
        Release();
        return 0;
    }
    int n = length == 0 ? 4 : (int)length;
    if (PointsInto(text, m_text, m_capacity) && 2 * n >= m_capacity) {
        // Growing frees the block the text lives in: copy it out first.
        char* copy = (char*)malloc(length + 1);
        if (!copy)
            return 0;
        memcpy(copy, text, length + 1);
        int result = Assign(copy);
        free(copy);
        return result;
    }
    if (!Reserve(2 * n))
        return 0;
    // A block large enough keeps its place, and the text may overlap it.
    memmove(m_text, text, length + 1);
    m_length = (int)length;
    return 1;
}

int CTextBuf::Append(const char* text)
{
    if (!text)
        text = "";
    size_t length = strlen(text);
    size_t need = length + (size_t)m_length + 2;
    if (need < (size_t)m_capacity) {
        memmove(m_text + m_length, text, length + 1);
        m_length += (int)length;
        return 1;
    }
    // The grown text is assigned, which reserves twice its length.
    if (need - 2 > (size_t)(kLargestReserve / 2))
        return 0;
    char* joined = (char*)malloc((size_t)need);
    if (!joined)
        return 0;
    memcpy(joined, Text(), (size_t)m_length);
    memcpy(joined + m_length, text, length + 1);
    int result = Assign(joined);
    free(joined);
    return result;
}

void CTextBuf::Format(const char* format, ...)
{
    if (!format)
        format = "";
    size_t formatLength = strlen(format);

    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int needed = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);

    // 16 bytes per format character, or more when the result needs more.
    int size = formatLength > (size_t)(kLargestReserve / 16) ? kLargestReserve : 16 * (int)formatLength;
    if (needed > size)
        size = needed;
    for (;;) {
        if (!Reserve(size))
            break;
        va_list attempt;
        va_copy(attempt, args);
        int written = vsnprintf(m_text, (size_t)m_capacity, format, attempt);
        va_end(attempt);
        if (written >= 0 && written < m_capacity) {
            m_length = written;
            break;
        }
        // A runtime that could not measure the text gets a larger block; an
        // encoding error leaves an empty text rather than a cut one.
        if (needed >= 0 || size > kLargestReserve / 2) {
            m_text[0] = 0;
            m_length = 0;
            break;
        }
        size = size < 16 ? 32 : 2 * size;
    }
    va_end(args);
}

void CTextBuf::Release()
{
    free(m_text);
    m_text = nullptr;
    m_capacity = 0;
    m_length = 0;
}

const char* CTextBuf::Text() const
{
    return m_text ? m_text : "";
}
