// CTextBuf: the growable single-byte (code page 1252) text used for every
// text composed at run time.
#pragma once

class CTextBuf {
public:
    char* m_text;      // heap block with the text and its NUL; null when there is no block
    int m_capacity;    // block size in bytes, a multiple of 16; 0 without a block
    int m_length;      // characters before the NUL

    CTextBuf();                            // empty-null state
    CTextBuf(const CTextBuf& other);       // deep copy
    CTextBuf& operator=(const CTextBuf& other);
    ~CTextBuf();

    CTextBuf& InitEmpty();
    CTextBuf& InitFrom(const char* text);
    int Reserve(int size);                 // 1 success, 0 allocation failed
    int Assign(const char* text);          // 1 success, 0 allocation failed
    int Append(const char* text);          // 1 success, 0 allocation failed (content kept)
    void Format(const char* format, ...);  // printf conventions; block sized to the result
    void Release();
    const char* Text() const;              // never null: "" without a block
};
