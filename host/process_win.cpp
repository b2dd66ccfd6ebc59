#include "host/process.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdio>
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

// A security descriptor with its access list, in one piece of plain storage. An access entry is
// its header and mask (ACCESS_ALLOWED_ACE less its SidStart) and a SID; the list holds three, and
// an ACL is DWORD-aligned.
constexpr DWORD entrySize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE;
// Not copyable: the descriptor points to the list beside it.
struct Protection
{
    Protection() = default;
    Protection(const Protection &) = delete;
    Protection &operator=(const Protection &) = delete;

    PACL acl() { return reinterpret_cast<PACL>(list.data()); }

    SECURITY_DESCRIPTOR descriptor{};
    std::array<DWORD, (sizeof(ACL) + 3 * entrySize) / sizeof(DWORD) + 1> list{};
};
// A SID holds DWORDs.
using SidStorage = std::array<BYTE, SECURITY_MAX_SID_SIZE>;

// Makes a list that gives the user only userRights, and the system systemRights. The owner,
// which otherwise may always read and rewrite a list, gets no more than the user: an entry for
// OWNER RIGHTS replaces the owner's implicit rights. Inherits nothing. False if it cannot be made.
bool makeProtection(Protection &protection, PSID user, DWORD userRights, DWORD systemRights)
{
    alignas(DWORD) SidStorage owner{};
    alignas(DWORD) SidStorage system{};
    DWORD ownerSize = owner.size();
    DWORD systemSize = system.size();
    const PACL acl = protection.acl();
    return CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, owner.data(), &ownerSize) &&
           CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &systemSize) &&
           InitializeAcl(acl, sizeof protection.list, ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, userRights, owner.data()) &&
           AddAccessAllowedAce(acl, ACL_REVISION, userRights, user) &&
           AddAccessAllowedAce(acl, ACL_REVISION, systemRights, system.data()) &&
           InitializeSecurityDescriptor(&protection.descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&protection.descriptor, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(&protection.descriptor, SE_DACL_PROTECTED,
                                        SE_DACL_PROTECTED);
}

// Straight to the kernel: it loads no library, as SetSecurityInfo may (ntmarta.dll). A refusal
// leaves the object as it was; a debugger hears of it in debug builds.
void protect(HANDLE object, Protection &protection)
{
    [[maybe_unused]] const BOOL done =
        SetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, &protection.descriptor);
#ifndef NDEBUG
    if (!done) {
        char message[64];
        std::snprintf(message, sizeof message, "keyfold: access list refused (error %lu)\n",
                      GetLastError());
        OutputDebugStringA(message);
    }
#endif
}

// Each thread's list, like the process's, gives the user full access by default, and with
// THREAD_SET_CONTEXT alone another process could make a thread run code of its choosing. The
// user may only wait for a thread and query it; kept for the threads that start later.
// The callback below reads it in threads that start while the process ends, after the static
// objects that have destructors are gone: it has none, so it lives as long as the process.
Protection threadProtection;
std::atomic<bool> threadProtectionReady{false};

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
        // A thread that has already set its own list refuses this, as it should.
        if (const HANDLE thread = OpenThread(WRITE_DAC, FALSE, entry.th32ThreadID)) {
            protect(thread, threadProtection);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

// Windows runs the program's TLS callbacks in every thread that starts, the toolkit's, Windows'
// own and those another process starts in it, before the thread's own code, and under the loader
// lock: nothing here may load a library or wait. Each is restricted here, as soon as it runs. The
// token's default list, which new threads are born with, is left as Windows made it: Windows and
// its components give it to much else that they make (docs/security.md).
void NTAPI restrictStartingThread(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH && threadProtectionReady.load(std::memory_order_acquire))
        protect(GetCurrentThread(), threadProtection);
}
[[gnu::used, gnu::section(".CRT$XLB")]] PIMAGE_TLS_CALLBACK startingThreadCallback =
    restrictStartingThread;

// Replaces the lists of the process and of its threads, which by default give the user's other
// processes full access: they may now only see the process and its threads, wait for them and end
// the process (as Task Manager does), and may not rewrite the lists; the system keeps full
// access. The program acts on itself through pseudo-handles, which carry every right.
void restrictAccess()
{
    std::vector<BYTE> user = tokenUser();
    if (user.empty())
        return;
    const PSID userSid = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
    Protection processProtection;
    if (makeProtection(processProtection, userSid,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                       PROCESS_ALL_ACCESS))
        protect(GetCurrentProcess(), processProtection);
    // Querying a thread shows nothing of its registers or memory, and Wine's own services fail
    // on threads they may not query.
    if (!makeProtection(threadProtection, userSid,
                        SYNCHRONIZE | THREAD_QUERY_INFORMATION | THREAD_QUERY_LIMITED_INFORMATION,
                        THREAD_ALL_ACCESS))
        return;
    threadProtectionReady.store(true, std::memory_order_release);
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
