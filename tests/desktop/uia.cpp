// A UI Automation client, as Narrator and NVDA are, in a process of its own beside Keyfold:
//   uia tree FILE         every element of Keyfold's window, in the tree's order, a line each: its
//                         kind (controls.tsv's word for its control type) and its name, tab apart;
//                         the length box's list, which Qt makes only when asked, left out
//   uia window FILE       the window's line alone
//   uia click NAME FILE   a click in the middle of the button named NAME, where its element says
//                         it is
// The window is that of the running Keyfold.exe. Each step must end within a time limit: one that
// hangs ends the program with status 3, its name written. It writes to FILE: Wine does not pass
// a console program's output on to a pipe.
// Built where MinGW-w64 declares UI Automation's client (KEYFOLD_UIA_CLIENT, 11 and later), it
// uses IUIAutomation, as screen readers do. MinGW-w64 10 (Debian 12) declares none, and Wine 8
// there registers none and reads no further than the window: that build reads the window alone,
// through the functions beneath the client that uiautomationcore.dll exports. That build can go
// with Debian 12.
#include <windows.h>

#include <tlhelp32.h>
#if KEYFOLD_UIA_CLIENT
#include <uiautomation.h>
#else
#include <uiautomationclient.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {
FILE *out = nullptr;
constexpr ULONGLONG stepLimit = 20000;
std::atomic<const char *> step{"starting"};
std::atomic<ULONGLONG> stepStart{0};

void begin(const char *name)
{
    step = name;
    stepStart = GetTickCount64();
}

DWORD WINAPI watch(void *)
{
    for (;;) {
        Sleep(100);
        if (GetTickCount64() - stepStart > stepLimit) {
            std::fprintf(out, "FAIL: %s did not end in %llu s\n", step.load(), stepLimit / 1000);
            std::fflush(out);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

int fail(const char *what, HRESULT result)
{
    std::fprintf(out, "FAIL: %s (%08lx)\n", what, static_cast<unsigned long>(result));
    return 1;
}

// Keyfold.exe's visible top-level window with a caption.
HWND keyfoldWindow()
{
    DWORD keyfold = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL found = Process32FirstW(snapshot, &entry); found && !keyfold;
         found = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"Keyfold.exe") == 0)
            keyfold = entry.th32ProcessID;
    CloseHandle(snapshot);
    struct Search
    {
        DWORD process;
        HWND window;
    } search{keyfold, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *search = reinterpret_cast<Search *>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == search->process && IsWindowVisible(window) &&
                GetWindowTextLengthW(window) > 0)
                search->window = window;
            return search->window == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.window;
}

// controls.tsv's word for a control type: UIA_WindowControlTypeId, UIA_GroupControlTypeId,
// UIA_TextControlTypeId, UIA_ComboBoxControlTypeId, UIA_EditControlTypeId,
// UIA_ButtonControlTypeId, UIA_CheckBoxControlTypeId, and UIA_ListControlTypeId, by number, which
// MinGW-w64 10 does not name.
std::string kindOf(long type)
{
    const std::map<long, std::string> kinds{
        {50032, "window"}, {50026, "group"},  {50020, "label"},     {50003, "combo box"},
        {50004, "edit"},   {50000, "button"}, {50002, "check box"}, {50008, "list"}};
    const auto kind = kinds.find(type);
    return kind != kinds.end() ? kind->second : "control type " + std::to_string(type);
}

std::string utf8(BSTR text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
    return converted;
}

#if KEYFOLD_UIA_CLIENT
// The element's kind and name, as "kind\tname".
std::string describe(IUIAutomationElement *element)
{
    begin("reading an element's control type");
    CONTROLTYPEID type = 0;
    element->get_CurrentControlType(&type);
    begin("reading an element's name");
    BSTR name = nullptr;
    element->get_CurrentName(&name);
    std::string line = kindOf(type) + '\t' + (name ? utf8(name) : std::string());
    SysFreeString(name);
    return line;
}

// The element and those below it, in the tree's order, each with its line; a list, and what is
// below it, is left out. (Wine 10 finds no element by a condition on a text property.)
struct Found
{
    std::string line;
    // cppcheck-suppress unusedStructMember ; read through an iterator
    IUIAutomationElement *element;
};

void collect(IUIAutomationTreeWalker *walker, IUIAutomationElement *element,
             std::vector<Found> &found)
{
    const std::string line = describe(element);
    if (line.rfind("list\t", 0) == 0)
        return;
    found.push_back({line, element});
    begin("reading an element's first child");
    IUIAutomationElement *child = nullptr;
    walker->GetFirstChildElement(element, &child);
    while (child) {
        collect(walker, child, found);
        begin("reading an element's next sibling");
        IUIAutomationElement *next = nullptr;
        walker->GetNextSiblingElement(child, &next);
        child = next;
    }
}

// Clicks the middle of the element's bounding rectangle.
void click(IUIAutomationElement *element)
{
    begin("reading the button's bounding rectangle");
    RECT bounds{};
    element->get_CurrentBoundingRectangle(&bounds);
    SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    INPUT press[2]{};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
}

int run(char **argv, HWND window)
{
    const std::string command = argv[1];
    begin("creating the UI Automation client (CUIAutomation)");
    IUIAutomation *automation = nullptr;
    HRESULT result = CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IUIAutomation, reinterpret_cast<void **>(&automation));
    if (FAILED(result))
        return fail("no UI Automation client", result);
    begin("reading the window (ElementFromHandle)");
    IUIAutomationElement *root = nullptr;
    result = automation->ElementFromHandle(window, &root);
    if (FAILED(result) || !root)
        return fail("ElementFromHandle failed", result);
    if (command == "window") {
        std::fprintf(out, "%s\n", describe(root).c_str());
        return 0;
    }
    begin("making a tree walker (CreateTreeWalker)");
    IUIAutomationCondition *everything = nullptr;
    automation->CreateTrueCondition(&everything);
    IUIAutomationTreeWalker *walker = nullptr;
    result = automation->CreateTreeWalker(everything, &walker);
    if (FAILED(result))
        return fail("CreateTreeWalker failed", result);
    std::vector<Found> found;
    collect(walker, root, found);
    if (command == "tree") {
        for (const Found &each : found)
            std::fprintf(out, "%s\n", each.line.c_str());
        return 0;
    }
    const std::string button = std::string("button\t") + argv[2];
    const auto named = std::find_if(found.begin(), found.end(),
                                    [&button](const Found &each) { return each.line == button; });
    if (named == found.end())
        return fail("no button of that name", E_FAIL);
    click(named->element);
    return 0;
}
#else
// The window's line, through UiaNodeFromHandle and UiaGetPropertyValue.
int run(char **argv, HWND window)
{
    if (std::strcmp(argv[1], "window") != 0)
        return fail("built to read the window alone (MinGW-w64 10 has no client)", E_NOTIMPL);
    using Node = HANDLE;
    using NodeFromHandle = HRESULT(WINAPI *)(HWND, Node *);
    using GetPropertyValue = HRESULT(WINAPI *)(Node, PROPERTYID, VARIANT *);
    const HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
    const auto nodeFromHandle = reinterpret_cast<NodeFromHandle>(
        reinterpret_cast<void *>(GetProcAddress(core, "UiaNodeFromHandle")));
    const auto propertyValue = reinterpret_cast<GetPropertyValue>(
        reinterpret_cast<void *>(GetProcAddress(core, "UiaGetPropertyValue")));
    if (!nodeFromHandle || !propertyValue)
        return fail("uiautomationcore.dll has no UiaNodeFromHandle", E_NOTIMPL);
    begin("reading the window (UiaNodeFromHandle)");
    Node node = nullptr;
    const HRESULT result = nodeFromHandle(window, &node);
    if (FAILED(result))
        return fail("UiaNodeFromHandle failed", result);
    begin("reading the window's control type and name");
    VARIANT type{};
    VARIANT name{};
    propertyValue(node, UIA_ControlTypePropertyId, &type);
    propertyValue(node, UIA_NamePropertyId, &name);
    std::fprintf(out, "%s\t%s\n", kindOf(type.vt == VT_I4 ? type.lVal : 0).c_str(),
                 name.vt == VT_BSTR ? utf8(name.bstrVal).c_str() : "");
    return 0;
}
#endif
} // namespace

int main(int argc, char **argv)
{
    const bool clicks = argc == 4 && std::strcmp(argv[1], "click") == 0;
    if (!(clicks || (argc == 3 &&
                     (std::strcmp(argv[1], "tree") == 0 || std::strcmp(argv[1], "window") == 0))))
        return 2;
    out = std::fopen(argv[argc - 1], "w");
    if (!out)
        return 2;
    begin("starting");
    CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
    begin("finding Keyfold's window");
    const HWND window = keyfoldWindow();
    begin("starting COM");
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const int status = window ? run(argv, window) : fail("no window of Keyfold.exe", E_FAIL);
    std::fclose(out);
    // Out at once: Wine's COM may wait on the window's thread as the client ends.
    TerminateProcess(GetCurrentProcess(), status);
    return status;
}
