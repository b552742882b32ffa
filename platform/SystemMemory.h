#pragma once

#include <QtGlobal>

// The allocator and the machine's memory, as far as a program that decodes
// large photos now and then needs them.
namespace SystemMemory {

// The machine's physical memory in bytes, or 0 when it cannot be told.
qint64 physicalBytes();

// Makes blocks of a photo's size go back to the system as soon as they are
// freed, instead of staying in heaps the allocator keeps for later. Called
// before the first large allocation; calling it again does nothing.
void returnLargeBlocksWhenFreed();

// Gives memory freed since the last call back to the system, so that the
// program rests at its size after a switch rather than at its peak.
void releaseFreed();

} // namespace SystemMemory
