// Another Windows process of the same user, reporting what it sees of Keyfold:
//   peer clipboard FILE        the clipboard's formats, a line each: the name, then the data (the
//                              text of the Unicode text format; registered formats in hex)
//   peer access CAPTION FILE   which access it is given to the process of the window CAPTION
// It writes to FILE: Wine does not pass a console program's output on to a pipe.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

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

int reportAccess(const char *caption, FILE *out)
{
    const HWND window = FindWindowA(nullptr, caption);
    DWORD processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId))
        return 2;
    const struct
    {
        const char *name;
        DWORD rights;
    } kinds[] = {{"query", PROCESS_QUERY_LIMITED_INFORMATION},
                 {"read", PROCESS_VM_READ},
                 {"write", PROCESS_VM_WRITE | PROCESS_VM_OPERATION},
                 {"thread", PROCESS_CREATE_THREAD}};
    for (const auto &kind : kinds) {
        const HANDLE process = OpenProcess(kind.rights, FALSE, processId);
        if (process) {
            std::fprintf(out, "%s granted\n", kind.name);
            CloseHandle(process);
        } else {
            std::fprintf(out, "%s refused %lu\n", kind.name, GetLastError());
        }
    }
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
