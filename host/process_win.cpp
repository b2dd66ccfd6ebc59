#include "host/process.h"

#include <windows.h>

#include <aclapi.h>
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
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    return read ? user : std::vector<BYTE>{};
}

// Replaces the process's access list, which by default gives the user's other processes full
// access: they may now only see this process, wait for it and end it (as Task Manager does), and
// the system keeps full access. The owner may still change the list back.
void restrictProcessAccess()
{
    const std::vector<BYTE> user = tokenUser();
    if (user.empty())
        return;
    const PSID userSid = reinterpret_cast<const TOKEN_USER *>(user.data())->User.Sid;
    std::vector<BYTE> systemSid(SECURITY_MAX_SID_SIZE);
    DWORD systemSidSize = DWORD(systemSid.size());
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid.data(), &systemSidSize))
        return;

    const DWORD entrySize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD); // less its SidStart
    const DWORD listSize =
        sizeof(ACL) + 2 * entrySize + GetLengthSid(userSid) + GetLengthSid(systemSid.data());
    std::vector<DWORD> list(listSize / sizeof(DWORD) + 1); // an ACL is DWORD-aligned
    const auto acl = reinterpret_cast<PACL>(list.data());
    if (!InitializeAcl(acl, listSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION,
                             SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                             userSid) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, PROCESS_ALL_ACCESS, systemSid.data()))
        return;
    SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT,
                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                    nullptr, acl, nullptr);
}
} // namespace

void protectProcessMemory()
{
    // Libraries only from the program's folder and the system's: a DLL planted in the current
    // folder would otherwise run inside this process.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    restrictProcessAccess();
}
