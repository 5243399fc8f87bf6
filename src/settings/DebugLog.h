#pragma once
// The debug log: a plain text trace, on only while the boolean "Debug" at
// the root key is true. The file is StateDir()/pxdebug.log.

#include <QString>

bool DebugEnabled();
// Appends one line (CR LF ended). A new file first gets "Pollux is
// starting..." and "Version: " + the program's version. Opened and closed
// for every line. Throws EInOutError when the file cannot be written.
void WriteDebugLog(const QString& line);
// The current local date and time in the user's short date and long time
// formats, the prefix of every debug line.
QString DebugNow();
// WriteDebugLog(DebugNow() + message); message begins with " - ".
void LogDebug(const QString& message);
QString DebugLogPath();
// Removed at every start; a missing file is no failure.
void DeleteDebugLog();
