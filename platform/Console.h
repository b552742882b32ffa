#pragma once

// A windowed program on Windows has no console of its own: its answers go to
// the console of the command line that started it. Elsewhere the standard
// streams are the caller's already.
void attachParentConsole();
