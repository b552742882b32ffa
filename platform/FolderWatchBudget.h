#pragma once

// How many folders the program may watch for changes at once. Folders beyond
// it are looked at by a periodic rescan instead.
int folderWatchBudget();
