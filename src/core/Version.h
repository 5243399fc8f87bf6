#pragma once

#include <QString>

// The version compiled into every Pollux program file.
QString CompiledVersion();

// The four numbers of the version record in the given program file, joined by
// "."; the empty text when the file has no version record (or cannot be read).
QString GetFileVersionString(const QString& path);

// The running program's own file.
QString ProgramFilePath();
