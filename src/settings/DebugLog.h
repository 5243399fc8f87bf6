#pragma once
// The debug log: a plain text trace, on only while the boolean "Debug" at
// the root key is true. The file is StateDir()/pxdebug.log.

#include <QString>

// False also when Debug is stored as text: a slip in setting it by hand.
bool DebugEnabled();
// Appends one line (CR LF ended). A new file first gets "Pollux is
// starting..." and "Version: " + the program's version. Opened and closed
// for every line. A file that cannot be written is skipped: nothing is
// thrown and nothing reported.
void WriteDebugLog(const QString& line);
// The current local date and time in the user's short date and long time
// formats, the prefix of every debug line.
QString DebugNow();
// WriteDebugLog(DebugNow() + message); message begins with " - ".
void LogDebug(const QString& message);
QString DebugLogPath();
// Removed at every start. False when it is there and cannot be removed; a
// missing file is no failure.
bool DeleteDebugLog();
