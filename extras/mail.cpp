#include "extras/mail.h"
const char* BuildHomeUrl() { return ""; }
const char* FreewarePageUrl() { return ""; }
void OpenFreewarePage() {}
bool SendRecommendMail(HWND, CTextBuf, CTextBuf) { return false; }
int RecommendByMail() { return 1; }
int SendProgramByMail() { return 1; }
