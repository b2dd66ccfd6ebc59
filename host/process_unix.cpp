#include "host/process.h"

#include <sys/resource.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

// No core file; and on Linux, an undumpable process, which only root may trace or read.
void protectProcessMemory()
{
    const rlimit noCoreFile{0, 0};
    setrlimit(RLIMIT_CORE, &noCoreFile);
#ifdef __linux__
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}
