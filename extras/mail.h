// The recommendation mail, handed to the mail client through Simple MAPI,
// and the maker's web addresses.
#pragma once

#include <windows.h>

#include <stddef.h>

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

// The layouts the client reads, as Simple MAPI documents its structures (ULONG
// fields of 4 bytes, pointers of the build's size, natural alignment), for
// each build: a field of another type here would move the fields after it, and
// the client would read the subject as the body or the path as the name.
#if defined(_WIN64)
#define KAVONIX_MAPI_AT(value32, value64) (value64)
#else
#define KAVONIX_MAPI_AT(value32, value64) (value32)
#endif
#define KAVONIX_MAPI_ULONG(T, field, offset32, offset64)                                            \
    static_assert(sizeof(T::field) == 4 && offsetof(T, field) == KAVONIX_MAPI_AT(offset32, offset64), \
                  #T "::" #field " is not where the client reads it")
#define KAVONIX_MAPI_POINTER(T, field, offset32, offset64)                    \
    static_assert(sizeof(T::field) == KAVONIX_MAPI_AT(4, 8) &&                \
                      offsetof(T, field) == KAVONIX_MAPI_AT(offset32, offset64), \
                  #T "::" #field " is not where the client reads it")
#define KAVONIX_CHECK_MAPI_RECIP(T)                                                       \
    KAVONIX_MAPI_ULONG(T, ulReserved, 0, 0);                                              \
    KAVONIX_MAPI_ULONG(T, ulRecipClass, 4, 4);                                            \
    KAVONIX_MAPI_POINTER(T, lpszName, 8, 8);                                              \
    KAVONIX_MAPI_POINTER(T, lpszAddress, 12, 16);                                         \
    KAVONIX_MAPI_ULONG(T, ulEIDSize, 16, 24);                                             \
    KAVONIX_MAPI_POINTER(T, lpEntryID, 20, 32);                                           \
    static_assert(sizeof(T) == KAVONIX_MAPI_AT(24, 40), #T " is not the size the client reads")
#define KAVONIX_CHECK_MAPI_FILE(T)                                                        \
    KAVONIX_MAPI_ULONG(T, ulReserved, 0, 0);                                              \
    KAVONIX_MAPI_ULONG(T, flFlags, 4, 4);                                                 \
    KAVONIX_MAPI_ULONG(T, nPosition, 8, 8);                                               \
    KAVONIX_MAPI_POINTER(T, lpszPathName, 12, 16);                                        \
    KAVONIX_MAPI_POINTER(T, lpszFileName, 16, 24);                                        \
    KAVONIX_MAPI_POINTER(T, lpFileType, 20, 32);                                          \
    static_assert(sizeof(T) == KAVONIX_MAPI_AT(24, 40), #T " is not the size the client reads")
#define KAVONIX_CHECK_MAPI_MESSAGE(T)                                                     \
    KAVONIX_MAPI_ULONG(T, ulReserved, 0, 0);                                              \
    KAVONIX_MAPI_POINTER(T, lpszSubject, 4, 8);                                           \
    KAVONIX_MAPI_POINTER(T, lpszNoteText, 8, 16);                                         \
    KAVONIX_MAPI_POINTER(T, lpszMessageType, 12, 24);                                     \
    KAVONIX_MAPI_POINTER(T, lpszDateReceived, 16, 32);                                    \
    KAVONIX_MAPI_POINTER(T, lpszConversationID, 20, 40);                                  \
    KAVONIX_MAPI_ULONG(T, flFlags, 24, 48);                                               \
    KAVONIX_MAPI_POINTER(T, lpOriginator, 28, 56);                                        \
    KAVONIX_MAPI_ULONG(T, nRecipCount, 32, 64);                                           \
    KAVONIX_MAPI_POINTER(T, lpRecips, 36, 72);                                            \
    KAVONIX_MAPI_ULONG(T, nFileCount, 40, 80);                                            \
    KAVONIX_MAPI_POINTER(T, lpFiles, 44, 88);                                             \
    static_assert(sizeof(T) == KAVONIX_MAPI_AT(48, 96), #T " is not the size the client reads")
KAVONIX_CHECK_MAPI_RECIP(MapiRecipDesc);
KAVONIX_CHECK_MAPI_RECIP(MapiRecipDescW);
KAVONIX_CHECK_MAPI_FILE(MapiFileDesc);
KAVONIX_CHECK_MAPI_FILE(MapiFileDescW);
KAVONIX_CHECK_MAPI_MESSAGE(MapiMessage);
KAVONIX_CHECK_MAPI_MESSAGE(MapiMessageW);

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
