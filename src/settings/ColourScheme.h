#pragma once
// Colour scheme files: a name + ".csf" file of nine CR LF ended lines, a
// header line that is never looked at and the eight colours of the result
// view as colour text. Shipped schemes come with the program (read-only
// once installed); the user's own are saved to a folder of their own, and
// a scheme there hides a shipped one of the same name.
//
// No widget here: the reader is a pure function over bytes.

#include "settings/ColourText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>

// The eight colours in the order of a scheme file's lines 2 to 9.
enum TSchemeColour {
    scBackground,    // background of the text
    scText,          // the text
    scGutter,        // gutter fill
    scLineOutline,   // outline of the current line
    scSelBackground, // background of selected text
    scSelText,       // selected text
    scLineNumbers,   // line numbers in the gutter
    scLineFill,      // fill of the current line
};
inline constexpr int kSchemeColourCount = 8;
using TSchemeColours = std::array<TColor, kSchemeColourCount>;

// The value names under Configuration\Colour, in scheme file order (which
// is also the order they are written in).
const std::array<const char*, kSchemeColourCount>& SchemeColourValueNames();

inline const QString kSchemeHeader = QStringLiteral(";Pollux - Colour Scheme File");
inline const QString kSchemeSuffix = QStringLiteral(".csf");
// Only this much of a scheme file is read; nine colour lines need far less.
inline constexpr qint64 kMaxSchemeFileBytes = 64 * 1024;

struct TSchemeParse {
    TSchemeColours colours{};
    int count = 0;    // colour lines read, in order, before the first bad one
    QString badText;  // the first line that is not colour text (when count < 8)
    bool Complete() const { return count == kSchemeColourCount; }
    // EConvertError "'%s' is not a valid integer value" for badText (a very
    // long line is shortened in the message).
    EConvertError Error() const;
};

// Reads a scheme file's bytes: line 1 is skipped whatever it holds, lines 2
// to 9 are colour text (a missing line reads as empty text, which is no
// colour), further lines are ignored. Lines end at CR LF, LF or CR. Never
// throws; the caller decides what a partial read means.
TSchemeParse ParseColourScheme(QByteArrayView bytes);

// The file's text: the header line, then the eight colours, CR LF ended.
QByteArray ColourSchemeText(const TSchemeColours& colours);

// <DataDir>/ColourSchemes and <UserDataDir>/ColourSchemes.
QString ShippedSchemeFolder();
QString UserSchemeFolder();

// A name that can be a file name in a scheme folder: not empty, no "/",
// no NUL, not "." or "..".
bool IsSchemeFileName(const QString& name);

// Names of the scheme files of both folders (any case of ".csf"), shipped
// ones first, each folder by name; a user scheme that shares a shipped
// scheme's name is listed once.
QStringList ListColourSchemes();

// The file holding scheme `name`: the user's folder first, then the shipped
// one; empty when neither has a regular file of that name.
QString ColourSchemePath(const QString& name);

// Reads at most kMaxSchemeFileBytes of a regular file; false when it is
// missing, not a regular file or cannot be opened.
bool ReadColourSchemeFile(const QString& path, QByteArray& bytes);

// Writes the file whole or not at all; throws EInOutError when it cannot.
void WriteColourSchemeFile(const QString& path, const TSchemeColours& colours);
