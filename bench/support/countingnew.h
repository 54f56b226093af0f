// The global operator new, counted: link support/countingnew.cpp into a benchmark to report heap
// allocations (allocationCount() before and after the measured work).
#pragma once

#include <cstdint>

uint64_t allocationCount();
