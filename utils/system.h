// Facts about this process (System::NEWLINE lives with Span).
#pragma once

namespace System {
// The process id (part of the log file's name).
int processID();
// Whether a process with that id runs now (one we may not signal counts as running).
bool processRunning(long pid);
} // namespace System
