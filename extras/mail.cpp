// The recommendation mail: subject and body composed in the interface language
// and handed to the default mail client's compose window through Simple MAPI.
#include "extras/mail.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "base/language.h"
#include "base/longpath.h"
#include "base/sizes.h"
#include "base/systemlib.h"
#include "base/widetext.h"

namespace {

const char kProductName[] = "Kavonix";
const char kSeparator[] = "\r\n\r\n.....................................\r\n\r\n";
const char kWebsiteQuery[] = "?site=Freeware&SID=";
const char kEnglishMarker[] = "&language=english";
const char kDownloadQuery[] = "?Download=";
const char kFreewareQuery[] = "?seite=freeware&SID=KAVONIX";

// The address never appears as one string in the program file: it is spelt
// out from this table of single characters each time it is needed.
const char kUrlChars[] = {'h', 't', 'p', ':', '/', 'w', '.', 'k', 'a',
                          'v', 'o', 'n', 'i', 'x', 'e', 'm', 'l', 'd'};
// "http://www.kavonix.example/"
const unsigned char kSiteIndexes[] = {0, 1, 1, 2, 3, 4, 4, 5, 5, 5, 6, 7, 8, 9,
                                      10, 11, 12, 13, 6, 14, 13, 8, 15, 2, 16, 14, 4};
// "de/", the German pages below the site
const unsigned char kGermanIndexes[] = {17, 14, 4};

char g_homeUrl[kShellPathSize];
char g_freewareUrl[kShellPathSize];

void AppendUrlChars(size_t& length, const unsigned char* indexes, size_t count)
{
    for (size_t i = 0; i < count && length + 1 < sizeof(g_homeUrl); ++i) {
        g_homeUrl[length++] = kUrlChars[indexes[i]];
    }
    g_homeUrl[length] = '\0';
}

const char* MailSubject()
{
    return ByLanguage("Juhuuuu I found  Kavonix", "Empfehlung f\xFCr Kavonix");
}

bool CountsAsSent(ULONG result)
{
    // The user closing the compose window or a failed logon are the client's
    // business; only a client that could not take the message counts as failure.
    return result == kMapiSuccess || result == kMapiUserAbort || result == kMapiLogonFailure;
}

struct MailClient {
    MapiSendMailWProc sendWide;  // Windows 8 and later
    MapiSendMailProc sendAnsi;
};

bool FindMailClient(MailClient* client)
{
    // Kept loaded for the life of the process: a client may leave threads or
    // windows behind after the call returns. By full path: a MAPI32.DLL lying
    // beside the program would otherwise be taken first.
    HMODULE mapi = LoadSystemLibrary(L"MAPI32.DLL");
    if (mapi == nullptr) {
        return false;
    }
    client->sendWide = FindSystemFunction<MapiSendMailWProc>(mapi, "MAPISendMailW");
    client->sendAnsi = FindSystemFunction<MapiSendMailProc>(mapi, "MAPISendMail");
    return client->sendWide != nullptr || client->sendAnsi != nullptr;
}

// One message with the program as its attachment, in the text type of the
// call that takes it.
template <typename Message, typename File, typename Text, typename Send>
ULONG SendMessageOf(Send sendMail, HWND owner, ULONG flags, Text* subject, Text* note, Text* pathName,
                    Text* displayName, ULONG fileCount)
{
    File file = {};
    file.nPosition = static_cast<ULONG>(-1);
    file.lpszPathName = pathName;
    file.lpszFileName = displayName;

    Message message = {};
    message.lpszSubject = subject;
    message.lpszNoteText = note;
    message.nFileCount = fileCount;
    message.lpFiles = &file;
    return sendMail(0, reinterpret_cast<ULONG_PTR>(owner), &message, flags, 0);
}

// The texts in UTF-16: the program's from code page 1252, the path as Windows
// has it where it is given so, else from the ANSI code page. Unicode is
// insisted on: a client without it would otherwise get the path with "?" or
// look-alikes in place of what its code page lacks, a path that names no
// file; it refuses instead, and the ANSI call is made with a path that does.
ULONG SendWide(MapiSendMailWProc sendMail, HWND owner, const char* subject, const char* note,
               const char* pathName, const WCHAR* wideAttachment)
{
    WCHAR wideSubject[kShellPathSize];
    WCHAR widePath[kLongPathSize];
    WCHAR wideName[kLongPathSize];
    ProgramTextToWide(subject, wideSubject, (int)kShellPathSize);
    if (wideAttachment)
        lstrcpynW(widePath, wideAttachment, (int)kLongPathSize);
    else
        AnsiPathToWide(pathName, widePath, (int)kLongPathSize);
    // Path and name in buffers of their own, as the ANSI call hands them over.
    lstrcpynW(wideName, widePath, (int)kLongPathSize);
    ULONG fileCount = lstrlenW(widePath) >= kMinAttachmentLength ? 1 : 0;
    // A body that could not be composed is handed over as none, as in the ANSI call.
    WCHAR* wideNote = note != nullptr ? NewWideText(note) : nullptr;
    if (note != nullptr && wideNote == nullptr) {
        return kMapiInsufficientMemory;
    }
    ULONG result = SendMessageOf<MapiMessageW, MapiFileDescW>(sendMail, owner,
                                                              kMapiLogonUi | kMapiDialog | kMapiForceUnicode,
                                                              wideSubject, wideNote, widePath, wideName, fileCount);
    free(wideNote);
    return result;
}

// The program's texts in the ANSI code page, each character it lacks in its
// nearest form; the paths are held in it already.
ULONG SendAnsi(MapiSendMailProc sendMail, HWND owner, const char* subject, const char* note, char* pathName,
               char* displayName, ULONG fileCount)
{
    char* ansiSubject = NewAnsiText(subject);
    char* ansiNote = note != nullptr ? NewAnsiText(note) : nullptr;
    ULONG result = kMapiInsufficientMemory;
    if (ansiSubject != nullptr && (note == nullptr || ansiNote != nullptr)) {
        result = SendMessageOf<MapiMessage, MapiFileDesc>(sendMail, owner, kMapiLogonUi | kMapiDialog, ansiSubject,
                                                          ansiNote, pathName, displayName, fileCount);
    }
    free(ansiNote);
    free(ansiSubject);
    return result;
}

// `path` in the ANSI code page exactly: every character as it is, none
// replaced by a look-alike (best fit) or the default character, and back in
// UTF-16 the same. 1 with `out`, 0 where it does not convert so or fit.
int ExactAnsiPath(const WCHAR* path, char (&out)[kShellPathSize])
{
    out[0] = '\0';
    BOOL replaced = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, out, (int)sizeof(out), nullptr,
                                      &replaced);
    DWORD error = written == 0 ? GetLastError() : 0;
    if (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER) {
        // UTF-8 as the system's code page takes neither; it holds every character anyway.
        replaced = FALSE;
        written = WideCharToMultiByte(CP_ACP, 0, path, -1, out, (int)sizeof(out), nullptr, nullptr);
    }
    WCHAR back[kShellPathSize];
    if (written == 0 || replaced ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out, -1, back, (int)kShellPathSize) == 0 ||
        wcscmp(back, path) != 0) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// The program's path for a mail client that opens the attachment by an ANSI
// path: the full path where it converts exactly, else its short form where
// that does. 1 with `out`; 0 where neither names the file (`out` empty).
int AnsiPathOfFile(const WCHAR* path, char (&out)[kShellPathSize])
{
    if (ExactAnsiPath(path, out) == 1)
        return 1;
    WCHAR call[kLongPathSize];
    WCHAR shortPath[kLongPathSize];
    if (FileCallPath(path, call) != 1)
        return 0;
    DWORD length = GetShortPathNameW(call, shortPath, (DWORD)kLongPathSize);
    if (length == 0 || length >= kLongPathSize)
        return 0;
    // Without the "\\?\" prefix, which no ANSI call takes.
    return ExactAnsiPath(WithoutRawPrefix(shortPath), out);
}

}  // namespace

const char* BuildHomeUrl()
{
    size_t length = 0;
    AppendUrlChars(length, kSiteIndexes, sizeof(kSiteIndexes));
    if (g_english == 0) {
        AppendUrlChars(length, kGermanIndexes, sizeof(kGermanIndexes));
    }
    return g_homeUrl;
}

const char* FreewarePageUrl()
{
    snprintf(g_freewareUrl, sizeof(g_freewareUrl), "%s%s", BuildHomeUrl(), kFreewareQuery);
    return g_freewareUrl;
}

void OpenFreewarePage()
{
    ShellExecuteA(nullptr, "open", FreewarePageUrl(), nullptr, nullptr, SW_SHOW);
}

bool SendRecommendMail(HWND owner, CTextBuf attachmentPath, CTextBuf subject, const WCHAR* wideAttachment)
{
    if (attachmentPath.m_text == nullptr || owner == nullptr || !IsWindow(owner)) {
        attachmentPath.Release();
        subject.Release();
        return false;
    }
    MailClient client;
    if (!FindMailClient(&client)) {
        attachmentPath.Release();
        subject.Release();
        return false;
    }

    char pathName[kShellPathSize];
    char displayName[kShellPathSize];
    char subjectText[kShellPathSize];
    lstrcpynA(pathName, attachmentPath.Text(), sizeof(pathName));
    lstrcpynA(displayName, attachmentPath.Text(), sizeof(displayName));
    lstrcpynA(subjectText, subject.Text(), sizeof(subjectText));

    CTextBuf separator;
    separator.InitFrom(kSeparator);
    CTextBuf body;
    body.InitEmpty();
    CTextBuf product;
    product.InitFrom(kProductName);
    CTextBuf home;
    home.InitFrom(BuildHomeUrl());
    CTextBuf website;
    website.InitFrom(home.Text());
    CTextBuf download;
    download.InitFrom(home.Text());

    website.Append(kWebsiteQuery);
    website.Append(product.Text());
    if (g_english != 0) {
        website.Append(kEnglishMarker);
    }

    body.Assign(ByLanguage("Hello,\r\n\r\nI found ", "Hallo,\r\n\r\nVor kurzem habe ich "));
    body.Append(product.Text());
    body.Append(ByLanguage(" ", " gefunden . "));
    body.Append(separator.Text());
    body.Append(ByLanguage("website: ", "\nWebseite: "));
    body.Append(website.Text());
    body.Append(ByLanguage("\r\ndownload: ", "\r\nDownload Link: "));
    body.Append(download.Text());
    body.Append(kDownloadQuery);
    body.Append(product.Text());
    body.Append("\r\n");

    ULONG result = kMapiUnicodeNotSupported;
    if (client.sendWide != nullptr)
        result = SendWide(client.sendWide, owner, subjectText, body.m_text, pathName, wideAttachment);
    // Without the wide call (Windows XP to 7), or with a client that takes no
    // Unicode: the ANSI call, never with a path that names no file.
    bool pathNamesFile = wideAttachment == nullptr || wideAttachment[0] == L'\0' || pathName[0] != '\0';
    if (result == kMapiUnicodeNotSupported && client.sendAnsi != nullptr && pathNamesFile) {
        ULONG fileCount = lstrlenA(pathName) >= kMinAttachmentLength ? 1 : 0;
        result = SendAnsi(client.sendAnsi, owner, subjectText, body.m_text, pathName, displayName, fileCount);
    }

    download.Release();
    website.Release();
    home.Release();
    product.Release();
    body.Release();
    separator.Release();
    attachmentPath.Release();
    subject.Release();
    return CountsAsSent(result);
}

int RecommendByMail(HWND owner)
{
    CTextBuf subject;
    subject.InitFrom(MailSubject());
    CTextBuf attachmentPath;
    attachmentPath.InitEmpty();
    SendRecommendMail(owner, attachmentPath, subject);
    return 1;
}

int SendProgramByMail(HWND owner)
{
    // A cut path is not terminated on older systems.
    WCHAR programPath[kLongPathSize] = L"";
    GetModuleFileNameW(nullptr, programPath, (DWORD)kLongPathSize);
    programPath[kLongPathSize - 1] = L'\0';
    return SendFileByMail(owner, programPath);
}

int SendFileByMail(HWND owner, WCHAR* path)
{
    // A program started by a "\\?\" path is given its own path in that form;
    // a mail client takes the path as the user writes it, with the drive.
    const WCHAR* attachment = WithoutRawPrefix(path);
    // For a client without Unicode: a path in the code page that names the
    // file, never one cut or with look-alikes.
    char ansiPath[kShellPathSize] = "";
    AnsiPathOfFile(attachment, ansiPath);
    CTextBuf subject;
    subject.InitFrom(MailSubject());
    CTextBuf attachmentPath;
    attachmentPath.InitFrom(ansiPath);
    SendRecommendMail(owner, attachmentPath, subject, attachment);
    return 1;
}
