#pragma once
// The HTML tokeniser that gives every character of a line a token class, and
// the link marker that marks web and mail addresses over it.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVector>

class QUrl;

enum TokenClass : quint8 {
    tcWhitespace = 0, tcString = 1, tcComment = 2, tcIdentifier = 3, tcInteger = 4,
    tcFloat = 5, tcReserved = 6, tcDelimiter = 7, tcDefine = 8, tcAssembler = 9,
    tcHtmlTag = 10, tcHtmlParam = 11, tcUrl = 12,
};

enum class ParserState : quint8 { Text, Tag, Comment };

class THTMLParser {
public:
    // Classes of one line (one byte per character), starting in `state`;
    // `state` is left at the line's end state.
    QByteArray TokenizeLine(const QString& line, ParserState& state) const;
    // The end state alone, without building the classes.
    ParserState EndState(QStringView line, ParserState state) const;
};

// Marks every link run of the line with tcUrl in `classes`.
void MarkLinks(const QString& line, QByteArray& classes);
// The link runs of a line as (start, length) pairs, left to right.
QVector<QPair<int, int>> FindLinks(const QString& line);
// Whether the run is a link (a listed prefix, or a mail address).
bool IsLinkRun(QStringView run);
bool IsMailAddress(QStringView run);
// What a click on the link hands to the desktop: "mailto:" before a mail
// address, "http://" before a "www." address, the text itself otherwise.
QString LinkTarget(const QString& linkText);
// The URL a click on the link opens, built strictly from LinkTarget; an
// invalid URL for anything that is not one of the link forms (a web link
// without a host, a scheme other than http, https, ftp, gopher, finger or
// mailto, a finger link that names no single user or host).
QUrl LinkUrl(const QString& linkText);
// The query expression a finger link asks for ("user@host", "@host", with
// ":port" when given); empty when the link is not a finger link that names
// a host and at most one user.
QString FingerLinkQuery(const QString& linkText);
