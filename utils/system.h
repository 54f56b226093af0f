// Facts about this process (System::NEWLINE lives with Span).
#pragma once

namespace System {
// The process id (part of the log file's name).
int processID();
} // namespace System
