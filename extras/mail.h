// The recommendation mail, handed to the mail client through Simple MAPI,
// and the maker's web addresses.
#pragma once

#include <windows.h>

#include "base/textbuf.h"

// Simple MAPI as the mail client exports it. No platform header is used: the
// library is reached only at run time, so only these layouts matter.
typedef ULONG_PTR LHANDLE;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass;
    LPSTR lpszName;
    LPSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};

struct MapiFileDesc {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    LPSTR lpszPathName;
    LPSTR lpszFileName;
    LPVOID lpFileType;
};

struct MapiMessage {
    ULONG ulReserved;
    LPSTR lpszSubject;
    LPSTR lpszNoteText;
    LPSTR lpszMessageType;
    LPSTR lpszDateReceived;
    LPSTR lpszConversationID;
    ULONG flFlags;
    MapiRecipDesc* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDesc* lpRecips;
    ULONG nFileCount;
    MapiFileDesc* lpFiles;
};

typedef ULONG(WINAPI* MapiSendMailProc)(LHANDLE session, ULONG_PTR uiParam, MapiMessage* message,
                                         ULONG flags, ULONG reserved);

// The same in UTF-16 (MAPISendMailW, Windows 8 and later).
struct MapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};

struct MapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};

struct MapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    ULONG flFlags;
    MapiRecipDescW* lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescW* lpRecips;
    ULONG nFileCount;
    MapiFileDescW* lpFiles;
};

typedef ULONG(WINAPI* MapiSendMailWProc)(LHANDLE session, ULONG_PTR uiParam, MapiMessageW* message,
                                          ULONG flags, ULONG reserved);

const ULONG kMapiSuccess = 0;
const ULONG kMapiUserAbort = 1;
const ULONG kMapiLogonFailure = 3;
const ULONG kMapiInsufficientMemory = 5;
const ULONG kMapiUnicodeNotSupported = 27;
const ULONG kMapiLogonUi = 0x00000001;
const ULONG kMapiDialog = 0x00000008;
// MAPISendMailW only: a client without Unicode refuses the message
// (kMapiUnicodeNotSupported) instead of handing it on in the ANSI code page.
const ULONG kMapiForceUnicode = 0x00040000;
// An attachment path shorter than this attaches nothing.
const int kMinAttachmentLength = 5;

// The maker's web address for the current language; valid until the next call.
const char* BuildHomeUrl();
// The maker's freeware page, opened by the about page's link and button 2005.
const char* FreewarePageUrl();
void OpenFreewarePage();

// `wideAttachment`, where given, is the attachment's path for a client that
// takes UTF-16 (`attachmentPath` is then its ANSI form, for one that does not).
bool SendRecommendMail(HWND owner, CTextBuf attachmentPath, CTextBuf subject,
                       const WCHAR* wideAttachment = nullptr);
// The two mail buttons; `owner` is the window the mail client's windows belong to.
int RecommendByMail(HWND owner);
int SendProgramByMail(HWND owner);
// The recommendation mail with the file `path` attached (its "\\?\" form
// rewritten in place); SendProgramByMail with the program's path.
int SendFileByMail(HWND owner, WCHAR* path);
