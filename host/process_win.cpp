#include "host/process.h"

#include <windows.h>

#include <aclapi.h>
#include <atomic>
#include <tlhelp32.h>
#include <vector>

namespace {
// The TOKEN_USER of the account this process runs as; empty if it cannot be read.
std::vector<BYTE> tokenUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size))
        user.clear();
    CloseHandle(token);
    return user;
}

// An access list that gives the user only userRights and the system systemRights; empty if it
// cannot be made.
std::vector<DWORD> accessList(PSID user, DWORD userRights, DWORD systemRights)
{
    std::vector<BYTE> system(SECURITY_MAX_SID_SIZE);
    DWORD systemSize = DWORD(system.size());
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &systemSize))
        return {};
    const DWORD entrySize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD); // less its SidStart
    const DWORD size =
        sizeof(ACL) + 2 * entrySize + GetLengthSid(user) + GetLengthSid(system.data());
    std::vector<DWORD> list(size / sizeof(DWORD) + 1); // an ACL is DWORD-aligned
    const auto acl = reinterpret_cast<PACL>(list.data());
    if (!InitializeAcl(acl, size, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, userRights, user) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, systemRights, system.data()))
        return {};
    return list;
}

// Replaces the object's access list by the given one, inheriting nothing.
void applyAccessList(HANDLE object, std::vector<DWORD> &list)
{
    if (!list.empty())
        SetSecurityInfo(object, SE_KERNEL_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, reinterpret_cast<PACL>(list.data()), nullptr);
}

// Each thread's list, like the process's, gives the user full access by default, and with
// THREAD_SET_CONTEXT alone another process could make a thread run code of its choosing. The
// user may only wait for a thread and query it; kept for the threads that start later.
std::vector<DWORD> threadList;
std::atomic<bool> threadListReady{false};

void restrictRunningThreads()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL found = Thread32First(snapshot, &entry); found;
         found = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        if (const HANDLE thread = OpenThread(WRITE_DAC, FALSE, entry.th32ThreadID)) {
            applyAccessList(thread, threadList);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

// Windows runs the program's TLS callbacks in every thread that starts, the toolkit's and its
// own, before the thread's own code.
void NTAPI restrictStartingThread(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH && threadListReady.load(std::memory_order_acquire))
        applyAccessList(GetCurrentThread(), threadList);
}
[[gnu::used, gnu::section(".CRT$XLB")]] PIMAGE_TLS_CALLBACK startingThreadCallback =
    restrictStartingThread;

// Replaces the lists of the process and of its threads, which by default give the user's other
// processes full access: they may now only see the process and its threads, wait for them and end
// the process (as Task Manager does); the system keeps full access. The owner may still change
// any list back.
void restrictAccess()
{
    std::vector<BYTE> user = tokenUser();
    if (user.empty())
        return;
    const PSID userSid = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
    std::vector<DWORD> processList =
        accessList(userSid, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                   PROCESS_ALL_ACCESS);
    applyAccessList(GetCurrentProcess(), processList);
    // Querying a thread shows nothing of its registers or memory, and Wine's own services fail
    // on threads they may not query.
    threadList = accessList(
        userSid, SYNCHRONIZE | THREAD_QUERY_INFORMATION | THREAD_QUERY_LIMITED_INFORMATION,
        THREAD_ALL_ACCESS);
    threadListReady.store(true, std::memory_order_release);
    restrictRunningThreads();
}
} // namespace

void protectProcessMemory()
{
    // Libraries only from the program's folder and the system's: a DLL planted in the current
    // folder would otherwise run inside this process.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    restrictAccess();
}
