#pragma once
// The RTF and HTML writers: a result's lines as a document that shows every
// token class in its text style. Pure functions over lines, their class
// strings, a font and two colours, so that the result view, pxfinger and the
// tests share them.
//
// Both documents are ASCII: a character outside ASCII is written as a
// numeric character reference (HTML) or as \uN? (RTF), because neither
// document declares an encoding.

#include "core/Errors.h"
#include "results/TextStyles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

struct TDocumentFont {
    QString name = QStringLiteral("Courier New");
    int size = 10; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 1; // RTF font character set (1: the default one)
};

struct TDocumentInput {
    QStringList lines;
    // In place of lines: line i of lineCount, asked for in order as the
    // document is written, so that a large result is never held as strings
    // all at once. The source must not change while a document is written.
    std::function<QString(qsizetype)> lineAt;
    qsizetype lineCount = 0;

    qsizetype LineCount() const { return lineAt ? lineCount : lines.size(); }
    QString Line(qsizetype index) const { return lineAt ? lineAt(index) : lines.at(index); }
    // One class string per line, one class per UTF-16 unit. When empty, the
    // classes are computed from the lines with the HTML tokeniser (and the
    // link marker while highlightUrls is on), as a result view does.
    QList<QByteArray> classes;
    // The 13 text styles of the classes; empty: the default table.
    QList<TTextStyle> styles;
    TDocumentFont font;
    TColor foreground = 0x000000; // plain colours, 0x00BBGGRR
    TColor background = 0xFFFFFF;
    // Off: the document is written without runs, every line in the font.
    bool highlightUrls = true;
};

// The whole document as bytes.
QByteArray HTMLDocument(const TDocumentInput& input);
QByteArray RTFDocument(const TDocumentInput& input);
// Plain text: the lines as UTF-8 with CR LF between them, none after the last.
QByteArray TextDocument(const QStringList& lines);

// Streams the document into `device` in pieces; answers false when a write
// failed.
bool WriteHTMLDocument(const TDocumentInput& input, QIODevice& device);
bool WriteRTFDocument(const TDocumentInput& input, QIODevice& device);
bool WriteTextDocument(const QStringList& lines, QIODevice& device);
bool WriteTextDocument(const TDocumentInput& input, QIODevice& device);

enum class TDocumentKind { Text, RTF, HTML };

// Writes the document to `path` through a temporary file that replaces the
// target only when complete. Throws EInOutError "Cannot create file %s".
void SaveDocument(TDocumentKind kind, const TDocumentInput& input, const QString& path);
