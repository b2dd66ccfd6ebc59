#ifndef KEYFOLD_HOSTSERVICES_H
#define KEYFOLD_HOSTSERVICES_H

class Announcer;
class Clipboard;
class ErrorBox;
class RandomSource;

// What the window asks of the world outside it; owned by whoever creates the window.
struct HostServices
{
    RandomSource &random;
    Clipboard &clipboard;
    ErrorBox &errorBox;
    Announcer &announcer;
};

#endif
