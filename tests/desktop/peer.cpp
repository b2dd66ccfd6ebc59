// Another Windows process of the same user, reporting what it sees of Keyfold:
//   peer clipboard FILE        the clipboard's formats, a line each: the name, then the data (the
//                              text of the Unicode text format; registered formats in hex)
//   peer access CAPTION FILE   which access it is given to the process of the window CAPTION,
//                              to the window's thread and to every thread of the process
// It writes to FILE: Wine does not pass a console program's output on to a pipe.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tlhelp32.h>

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

// Whether every thread of the process refuses the access that queues code to run in it.
void reportAllThreads(FILE *out, DWORD processId)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int threads = 0;
    int granted = 0;
    for (BOOL found = Thread32First(snapshot, &entry); found;
         found = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        ++threads;
        if (const HANDLE thread = OpenThread(THREAD_SET_CONTEXT, FALSE, entry.th32ThreadID)) {
            ++granted;
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    if (threads > 0 && granted == 0)
        std::fputs("every thread apc refused\n", out);
    else
        std::fprintf(out, "apc granted to %d of %d threads\n", granted, threads);
}

int reportAccess(const char *caption, FILE *out)
{
    const HWND window = FindWindowA(nullptr, caption);
    DWORD processId = 0;
    const DWORD threadId = window ? GetWindowThreadProcessId(window, &processId) : 0;
    if (!threadId)
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
    reportAllThreads(out, processId);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool clipboard = argc == 3 && std::strcmp(argv[1], "clipboard") == 0;
    const bool access = argc == 4 && std::strcmp(argv[1], "access") == 0;
    if (!clipboard && !access) {
        std::fputs("usage: peer clipboard FILE | peer access CAPTION FILE\n", stderr);
        return 2;
    }
    FILE *out = std::fopen(argv[argc - 1], "w");
    if (!out)
        return 2;
    const int status = clipboard ? listClipboard(out) : reportAccess(argv[2], out);
    return std::fclose(out) == 0 ? status : 2;
}
