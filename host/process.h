#ifndef KEYFOLD_PROCESS_H
#define KEYFOLD_PROCESS_H

// Keeps the passwords in this process's memory to itself: no core file, no other process of the
// same user reading or writing its memory or starting threads in it, and on Windows no library
// loaded from the current folder. Best effort: the program runs either way.
void protectProcessMemory();

// Ends the process once the event loop has returned with this status. On Wayland it ends at once,
// without the toolkit's teardown; elsewhere it returns, and the teardown runs as usual.
void endAfterEventLoop(int status);

#endif
