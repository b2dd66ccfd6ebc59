// Another Windows process of the same user, reporting what it sees of Keyfold:
//   peer clipboard FILE        the clipboard's formats, a line each: the name, then the data (the
//                              text of the Unicode text format; registered formats in hex)
//   peer access CAPTION FILE   which access it is given to the process of the window CAPTION,
//                              to the window's thread and to every thread of the process
//   peer trust PE... FILE      what Windows' own check of a signature (WinVerifyTrust) says of
//                              each PE file, a line each: its result in hex, 00000000 if good
//   peer handoff CAPTION FILE  lets the user's processes duplicate handles out of the process of
//                              the window CAPTION, which Wine's UI Automation needs to hand its
//                              elements to a client, by rewriting its access list as Wine lets
//                              the owner do whatever the list says; "handoff granted"
// It writes to FILE: Wine does not pass a console program's output on to a pipe.
#include <windows.h>

#include <aclapi.h>
#include <cstdio>
#include <cstring>
#include <set>
#include <softpub.h>
#include <string>
#include <tlhelp32.h>
#include <vector>
#include <wintrust.h>

namespace {
std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

std::string formatName(UINT format)
{
    if (format == CF_UNICODETEXT)
        return "CF_UNICODETEXT";
    char name[256];
    const int length = GetClipboardFormatNameA(format, name, sizeof name);
    return length > 0 ? std::string(name, length) : "#" + std::to_string(format);
}

// Registered formats, which Windows numbers from 0xC000, and the text; the other predefined
// formats (Windows' own conversions of the text) by name only.
std::string formatData(UINT format)
{
    if (format != CF_UNICODETEXT && format < 0xC000)
        return {};
    const HANDLE data = GetClipboardData(format);
    const auto *bytes = static_cast<const unsigned char *>(data ? GlobalLock(data) : nullptr);
    if (!bytes)
        return " (unreadable)";
    std::string shown = " ";
    if (format == CF_UNICODETEXT) {
        shown += utf8(reinterpret_cast<const wchar_t *>(bytes));
    } else {
        for (SIZE_T index = 0; index < GlobalSize(data); ++index) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", bytes[index]);
            shown += hex;
        }
    }
    GlobalUnlock(data);
    return shown;
}

int listClipboard(FILE *out)
{
    if (!OpenClipboard(nullptr))
        return 2;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        std::fprintf(out, "%s%s\n", formatName(format).c_str(), formatData(format).c_str());
    CloseClipboard();
    return 0;
}

// rights: a name and the access it asks for.
struct Rights
{
    const char *name;
    DWORD access;
};

template <typename Open> void reportOpen(FILE *out, const Rights &rights, Open open)
{
    if (const HANDLE handle = open(rights.access)) {
        std::fprintf(out, "%s granted\n", rights.name);
        CloseHandle(handle);
    } else {
        std::fprintf(out, "%s refused %lu\n", rights.name, GetLastError());
    }
}

// The ids of the process's threads.
std::vector<DWORD> threadsOf(DWORD processId)
{
    std::vector<DWORD> threads;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL found = Thread32First(snapshot, &entry); found;
         found = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId)
            threads.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return threads;
}

// The rights that the object's access list gives its owner in place of the owner's own (an entry
// for OWNER RIGHTS), in hex; "none" without one. Read with READ_CONTROL, which Wine, unlike
// Windows, grants the owner whatever the list says.
std::string ownerRights(HANDLE object)
{
    DWORD size = 0;
    GetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (!object || size == 0 ||
        !GetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, descriptor.data(), size,
                                 &size) ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &list, &defaulted) || !list)
        return "unreadable";
    alignas(DWORD) BYTE owner[SECURITY_MAX_SID_SIZE];
    DWORD ownerSize = sizeof owner;
    CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, owner, &ownerSize);
    for (DWORD index = 0; index < list->AceCount; ++index) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        if (GetAce(list, index, reinterpret_cast<void **>(&entry)) &&
            entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&entry->SidStart, owner)) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(entry->Mask));
            return hex;
        }
    }
    return "none";
}

std::string threadOwnerRights(DWORD threadId)
{
    const HANDLE thread = OpenThread(READ_CONTROL, FALSE, threadId);
    std::string rights = ownerRights(thread);
    if (thread)
        CloseHandle(thread);
    return rights;
}

// Whether every thread of the process refuses the access that queues code to run in it, and
// what owner rights their lists give.
void reportAllThreads(FILE *out, DWORD processId)
{
    const std::vector<DWORD> threads = threadsOf(processId);
    int granted = 0;
    std::set<std::string> rights;
    for (DWORD threadId : threads) {
        if (const HANDLE thread = OpenThread(THREAD_SET_CONTEXT, FALSE, threadId)) {
            ++granted;
            CloseHandle(thread);
        }
        rights.insert(threadOwnerRights(threadId));
    }
    if (!threads.empty() && granted == 0)
        std::fputs("every thread apc refused\n", out);
    else
        std::fprintf(out, "apc granted to %d of %zu threads\n", granted, threads.size());
    for (const std::string &each : rights)
        std::fprintf(out, "%s owner rights %s\n", rights.size() == 1 ? "every thread" : "a thread",
                     each.c_str());
}

int reportTrust(const char *path, FILE *out)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    std::wstring widePath(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path, -1, widePath.data(), size);
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = widePath.c_str();
    WINTRUST_DATA check{};
    check.cbStruct = sizeof check;
    check.dwUIChoice = WTD_UI_NONE;
    check.fdwRevocationChecks = WTD_REVOKE_NONE;
    check.dwUnionChoice = WTD_CHOICE_FILE;
    check.pFile = &file;
    check.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(nullptr, &action, &check);
    check.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(nullptr, &action, &check);
    std::fprintf(out, "%08lx\n", static_cast<unsigned long>(result));
    return 0;
}

// The process and the thread of the window CAPTION; false if there is none.
bool ownerOf(const char *caption, DWORD &processId, DWORD &threadId)
{
    const HWND window = FindWindowA(nullptr, caption);
    threadId = window ? GetWindowThreadProcessId(window, &processId) : 0;
    return threadId != 0;
}

// Adds PROCESS_DUP_HANDLE for the user, and for the owner, to the list of the window's process.
int grantHandoff(const char *caption, FILE *out)
{
    DWORD processId = 0;
    DWORD threadId = 0;
    HANDLE token = nullptr;
    std::vector<BYTE> user(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
    DWORD size = user.size();
    alignas(DWORD) BYTE owner[SECURITY_MAX_SID_SIZE];
    DWORD ownerSize = sizeof owner;
    const bool known = ownerOf(caption, processId, threadId) &&
                       OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                       GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
                       CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, owner, &ownerSize);
    if (token)
        CloseHandle(token);
    if (!known)
        return 2;
    EXPLICIT_ACCESSW grants[2]{};
    const PSID trustees[] = {reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, owner};
    for (int index = 0; index < 2; ++index) {
        grants[index].grfAccessPermissions = PROCESS_DUP_HANDLE;
        grants[index].grfAccessMode = GRANT_ACCESS;
        grants[index].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        grants[index].Trustee.ptstrName = static_cast<LPWSTR>(trustees[index]);
    }
    const HANDLE process = OpenProcess(READ_CONTROL | WRITE_DAC, FALSE, processId);
    PACL list = nullptr;
    PACL extended = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool granted =
        process &&
        GetSecurityInfo(process, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &list, nullptr, &descriptor) == ERROR_SUCCESS &&
        SetEntriesInAclW(2, grants, list, &extended) == ERROR_SUCCESS &&
        SetSecurityInfo(process, SE_KERNEL_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, extended, nullptr) == ERROR_SUCCESS;
    std::fprintf(out, "handoff %s\n", granted ? "granted" : "refused");
    LocalFree(extended);
    LocalFree(descriptor);
    if (process)
        CloseHandle(process);
    return granted ? 0 : 1;
}

int reportAccess(const char *caption, FILE *out)
{
    DWORD processId = 0;
    DWORD threadId = 0;
    if (!ownerOf(caption, processId, threadId))
        return 2;
    const Rights processRights[] = {{"query", PROCESS_QUERY_LIMITED_INFORMATION},
                                    {"read", PROCESS_VM_READ},
                                    {"write", PROCESS_VM_WRITE | PROCESS_VM_OPERATION},
                                    {"thread", PROCESS_CREATE_THREAD}};
    for (const Rights &rights : processRights)
        reportOpen(out, rights,
                   [&](DWORD access) { return OpenProcess(access, FALSE, processId); });
    // With either, another process can make the window's thread run code of its choosing.
    const Rights threadRights[] = {
        {"context", THREAD_GET_CONTEXT | THREAD_SET_CONTEXT | THREAD_SUSPEND_RESUME},
        {"apc", THREAD_SET_CONTEXT}};
    for (const Rights &rights : threadRights)
        reportOpen(out, rights, [&](DWORD access) { return OpenThread(access, FALSE, threadId); });
    // Without an entry for OWNER RIGHTS, the owner, which any process of the user acts as, could
    // rewrite a list (WRITE_DAC) and then open the object with any access.
    const HANDLE process = OpenProcess(READ_CONTROL, FALSE, processId);
    std::fprintf(out, "process owner rights %s\n", ownerRights(process).c_str());
    if (process)
        CloseHandle(process);
    std::fprintf(out, "thread owner rights %s\n", threadOwnerRights(threadId).c_str());
    reportAllThreads(out, processId);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool clipboard = argc == 3 && std::strcmp(argv[1], "clipboard") == 0;
    const bool access = argc == 4 && std::strcmp(argv[1], "access") == 0;
    const bool trust = argc >= 4 && std::strcmp(argv[1], "trust") == 0;
    const bool handoff = argc == 4 && std::strcmp(argv[1], "handoff") == 0;
    if (!clipboard && !access && !trust && !handoff) {
        std::fputs("usage: peer clipboard FILE | peer access CAPTION FILE | peer trust PE... FILE "
                   "| peer handoff CAPTION FILE\n",
                   stderr);
        return 2;
    }
    FILE *out = std::fopen(argv[argc - 1], "w");
    if (!out)
        return 2;
    int status = 0;
    if (clipboard)
        status = listClipboard(out);
    else if (access)
        status = reportAccess(argv[2], out);
    else if (handoff)
        status = grantHandoff(argv[2], out);
    for (int index = 2; trust && index < argc - 1; ++index)
        status = reportTrust(argv[index], out);
    return std::fclose(out) == 0 ? status : 2;
}
