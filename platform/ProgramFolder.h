#pragma once

#include <QString>

// The folder holding the running program, as the operating system knows it
// (never the current directory, never a relative path). Empty when it cannot
// be told, or when its name is no text Qt's file functions can spell (a name
// that is not UTF-8 on Linux): any name given instead would be another folder.
QString programFolder();
