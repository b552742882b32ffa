#include "Console.h"

#include <windows.h>

#include <cstdio>

void attachParentConsole() {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}
