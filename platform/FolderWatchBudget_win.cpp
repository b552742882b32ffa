#include "FolderWatchBudget.h"

// A watched folder holds a change-notification handle, and a waiting thread
// takes at most 63 of them; a few hundred keep that to a handful of threads.
int folderWatchBudget() {
    return 512;
}
