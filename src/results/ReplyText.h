#pragma once
// Turning a reply's bytes into the lines a result view holds.

#include <QByteArray>
#include <QString>
#include <QStringList>

// Valid UTF-8 is decoded as UTF-8, anything else as Windows-1252, so no byte
// is lost or shown as a replacement character.
QString DecodeReplyText(const QByteArray& bytes);
// CR, LF or CR LF each end a line; a break at the very end adds no empty
// line; a NUL byte ends the text.
QStringList SplitReplyLines(const QByteArray& bytes);
