// The recommendation mail, handed to the mail client through Simple MAPI,
// and the maker's web addresses.
#pragma once

#include <windows.h>

#include "base/textbuf.h"

// The maker's web address for the current language; valid until the next call.
const char* BuildHomeUrl();
// The maker's freeware page, opened by the about page's link and button 2005.
const char* FreewarePageUrl();
void OpenFreewarePage();

bool SendRecommendMail(HWND owner, CTextBuf attachmentPath, CTextBuf subject);
int RecommendByMail();
int SendProgramByMail();
