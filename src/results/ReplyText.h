#pragma once
// Turning a reply's bytes into the lines a result view holds, and the form
// in which a line is shown.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringDecoder>
#include <QStringView>

// Valid UTF-8 is decoded as UTF-8, anything else as Windows-1252, so no byte
// is lost or shown as a replacement character. A leading byte order mark is
// dropped.
QString DecodeReplyText(const QByteArray& bytes);
// CR, LF or CR LF each end a line; a break at the very end adds no empty
// line; a NUL byte is kept as a character (shown as "^@"). A reply that is valid UTF-8 as a whole is
// decoded as such; otherwise each line is decoded on its own by the rule of
// DecodeReplyText.
QStringList SplitReplyLines(const QByteArray& bytes);

// Decodes the lines of a reply that is not valid UTF-8 as a whole, one by
// one by the rule of DecodeReplyText, with decoders kept from line to line.
class TReplyLineDecoder {
public:
    TReplyLineDecoder();
    QString decode(QByteArrayView line);

private:
    QStringDecoder utf8_;
    QStringDecoder cp1252_;
};

// How a character that must not reach the screen as it is (a control
// character other than tab, NUL included; a line or paragraph separator;
// any bidirectional control: U+061C, U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069) is shown: caret notation as the Unix finger client prints
// it ("^@" for NUL, "^[" for ESC, "^?" for DEL, "M-^[" for the C1 character
// 0x9B), "<U+202E>" for the others. Empty for a character shown as it is.
QString ControlNotation(char16_t c);
bool HasControlNotation(QStringView line);
// The line with every such character replaced by its notation.
QString VisibleText(QStringView line);
