#pragma once
#include <cstddef>

// The program replaces the global operator new and delete (GlobalAllocation.cpp): every new
// block has its pages committed at once, by a write every 2048 bytes from its last byte down
// ('W') and one into its first byte ('K'), so that page faults are paid at allocation time and
// not later in a frame. Running out of memory is fatal: the program reports it and aborts.

// Reads one byte of every 2048 of a range (first byte, then from the last one down), bringing
// its pages in without writing.
void TouchMemory(const void* pvBlock, size_t uiLength);
