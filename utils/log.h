// Logging by key and printf-style format. Only enabled keys are written; until the log file is set up the
// log function does nothing. Safe from any thread, also while the log shuts down.
#pragma once

#include "utils/textbuffer.h"

namespace Log {

using LogFn = void (*)(const char* text);

// Does nothing: the log function until a logger installs its own.
void defaultLogFn(const char* text);

void addKey(const char* key);
bool isEnabled(const char* key);
// Formats into 1,024 bytes (1,023 kept) and passes the text on when key is enabled.
void print(const char* key, const char* format, ...) QM_PRINTF(2, 3);
void printV(const char* key, const char* format, va_list args);
// The same without the key test.
void rawLog(const char* format, ...) QM_PRINTF(1, 2);
void setLogFn(LogFn fn);
LogFn logFn();
// Restores the no-op function first, then drops every key.
void shutdown();

} // namespace Log

// Kept as operations for the entry point; they do nothing.
namespace Memory {
inline void setEnableLogging(bool) {}
inline void setAllocBreakpoint(unsigned, const char*) {}
inline void setDeallocBreakpoint(unsigned) {}
} // namespace Memory
