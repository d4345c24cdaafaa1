// A mail client for the tests: a MAPI32.DLL whose MAPISendMail and
// MAPISendMailW (where built with it) write down everything they are handed, and the file they were
// loaded from, and answer with a chosen code. The wide call's texts are
// written as code page 1252 bytes, the program's own code page, so that both
// calls are checked against the same bytes; a character that code page lacks
// is written as byte 1, which no expected text holds.
//   KAVONIX_MAPI_LOG     file the calls are appended to (see record.h)
//   KAVONIX_MAPI_RESULT  the code every call returns (decimal), 0 without it
//   KAVONIX_MAPI_NO_UNICODE  set: a client without Unicode, whose wide call
//                        answers MAPI_E_UNICODE_NOT_SUPPORTED to MAPI_FORCE_UNICODE
// The structures are declared here on their own, from the published Simple
// MAPI layout, so that a wrong layout on the program's side shows up.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct RecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass;
    LPSTR lpszName;
    LPSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};

struct FileDesc {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    LPSTR lpszPathName;
    LPSTR lpszFileName;
    LPVOID lpFileType;
};

struct Message {
    ULONG ulReserved;
    LPSTR lpszSubject;
    LPSTR lpszNoteText;
    LPSTR lpszMessageType;
    LPSTR lpszDateReceived;
    LPSTR lpszConversationID;
    ULONG flFlags;
    RecipDesc* lpOriginator;
    ULONG nRecipCount;
    RecipDesc* lpRecips;
    ULONG nFileCount;
    FileDesc* lpFiles;
};

struct RecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};

struct FileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};

struct MessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    ULONG flFlags;
    RecipDescW* lpOriginator;
    ULONG nRecipCount;
    RecipDescW* lpRecips;
    ULONG nFileCount;
    FileDescW* lpFiles;
};

const size_t kRecordSize = 64 * 1024;
const ULONG kForceUnicode = 0x00040000;
const ULONG kUnicodeNotSupported = 27;

class CRecord {
public:
    CRecord() : m_length(0) { m_data[0] = '\0'; }

    void Number(const char* key, unsigned long value)
    {
        Add("%s=%lu\n", key, value);
    }
    void Pointer(const char* key, const void* value)
    {
        Add("%s=%s\n", key, value != nullptr ? "set" : "null");
    }
    void Text(const char* key, const char* value)
    {
        if (value == nullptr) {
            Add("%s=null\n", key);
            return;
        }
        size_t length = strlen(value);
        Add("%s#%u=", key, static_cast<unsigned>(length));
        Bytes(value, length);
        Add("\n");
    }
    void Text(const char* key, const WCHAR* value)
    {
        if (value == nullptr) {
            Add("%s=null\n", key);
            return;
        }
        static char bytes[kRecordSize];
        bytes[0] = '\0';
        WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, value, -1, bytes, sizeof(bytes), "\x01", nullptr);
        Text(key, bytes);
    }
    void Add(const char* format, ...)
    {
        va_list arguments;
        va_start(arguments, format);
        int written = vsnprintf(m_data + m_length, sizeof(m_data) - m_length, format, arguments);
        va_end(arguments);
        if (written > 0)
            m_length += static_cast<size_t>(written) < sizeof(m_data) - m_length
                            ? static_cast<size_t>(written)
                            : sizeof(m_data) - m_length - 1;
    }
    void Bytes(const char* bytes, size_t count)
    {
        if (count > sizeof(m_data) - m_length - 1)
            count = sizeof(m_data) - m_length - 1;
        memcpy(m_data + m_length, bytes, count);
        m_length += count;
        m_data[m_length] = '\0';
    }
    void AppendTo(const char* path) const
    {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD written = 0;
        WriteFile(file, m_data, static_cast<DWORD>(m_length), &written, nullptr);
        CloseHandle(file);
    }

private:
    char m_data[kRecordSize];
    size_t m_length;
};

CRecord g_record;

template <typename MessageType>
void RecordMessage(const MessageType* message)
{
    g_record.Pointer("message", message);
    if (message == nullptr)
        return;
    g_record.Number("msg.reserved", message->ulReserved);
    g_record.Text("subject", message->lpszSubject);
    g_record.Text("note", message->lpszNoteText);
    g_record.Text("messageType", message->lpszMessageType);
    g_record.Text("dateReceived", message->lpszDateReceived);
    g_record.Text("conversationID", message->lpszConversationID);
    g_record.Number("msg.flags", message->flFlags);
    g_record.Pointer("originator", message->lpOriginator);
    g_record.Number("recipCount", message->nRecipCount);
    g_record.Pointer("recips", message->lpRecips);
    g_record.Number("fileCount", message->nFileCount);
    g_record.Pointer("files", message->lpFiles);
    const auto* file = message->lpFiles;
    if (file == nullptr)
        return;
    g_record.Number("file.reserved", file->ulReserved);
    g_record.Number("file.flags", file->flFlags);
    g_record.Number("file.position", file->nPosition);
    g_record.Text("file.path", file->lpszPathName);
    g_record.Text("file.name", file->lpszFileName);
    g_record.Pointer("file.type", file->lpFileType);
    g_record.Number("file.sameBuffer", file->lpszPathName == file->lpszFileName ? 1 : 0);
}

template <typename MessageType>
ULONG RecordCall(ULONG_PTR session, ULONG_PTR uiParam, MessageType* message, ULONG flags, ULONG reserved,
                 bool wide)
{
    char path[MAX_PATH] = "";
    char result[32] = "";
    GetEnvironmentVariableA("KAVONIX_MAPI_RESULT", result, sizeof(result));
    ULONG code = static_cast<ULONG>(strtoul(result, nullptr, 10));
    if (wide && (flags & kForceUnicode) != 0 && GetEnvironmentVariableA("KAVONIX_MAPI_NO_UNICODE", nullptr, 0) > 0)
        code = kUnicodeNotSupported;

    char module[MAX_PATH] = "";
    HMODULE self = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&RecordCall<MessageType>), &self))
        GetModuleFileNameA(self, module, sizeof(module));

    g_record = CRecord();
    g_record.Add("MAPISendMail\n");
    g_record.Number("wide", wide ? 1 : 0);
    g_record.Text("module", module);
    g_record.Number("session", static_cast<unsigned long>(session));
    g_record.Number("ui", static_cast<unsigned long>(uiParam));
    g_record.Number("uiIsWindow", IsWindow(reinterpret_cast<HWND>(uiParam)) ? 1 : 0);
    g_record.Number("flags", flags);
    g_record.Number("reserved", reserved);
    RecordMessage(message);
    g_record.Number("returned", code);
    g_record.Add("end\n");
    if (GetEnvironmentVariableA("KAVONIX_MAPI_LOG", path, sizeof(path)) > 0)
        g_record.AppendTo(path);
    return code;
}

}  // namespace

extern "C" ULONG WINAPI MAPISendMail(ULONG_PTR session, ULONG_PTR uiParam, Message* message, ULONG flags,
                                        ULONG reserved)
{
    return RecordCall(session, uiParam, message, flags, reserved, false);
}

// Built without it as well: the client of Windows XP to 7, which has none.
#ifndef KAVONIX_MAPI_ANSI_ONLY
extern "C" ULONG WINAPI MAPISendMailW(ULONG_PTR session, ULONG_PTR uiParam, MessageW* message, ULONG flags,
                                         ULONG reserved)
{
    return RecordCall(session, uiParam, message, flags, reserved, true);
}
#endif
