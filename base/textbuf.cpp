#include "base/textbuf.h"
CTextBuf::CTextBuf() : m_text(nullptr), m_capacity(0), m_length(0) {}
CTextBuf::CTextBuf(const CTextBuf& other) : m_text(nullptr), m_capacity(0), m_length(0) { (void)other; }
CTextBuf& CTextBuf::operator=(const CTextBuf&) { return *this; }
CTextBuf::~CTextBuf() {}
CTextBuf& CTextBuf::InitEmpty() { return *this; }
CTextBuf& CTextBuf::InitFrom(const char*) { return *this; }
int CTextBuf::Reserve(int) { return 0; }
int CTextBuf::Assign(const char*) { return 0; }
int CTextBuf::Append(const char*) { return 0; }
void CTextBuf::Format(const char*, ...) {}
void CTextBuf::Release() {}
const char* CTextBuf::Text() const { return m_text ? m_text : ""; }
