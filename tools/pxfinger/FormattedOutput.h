#pragma once
// pxfinger's documents: the replies collected and written once, as plain
// text, RTF or HTML through the result view's writers, to standard output or
// to a file that is replaced only when complete.

#include "results/DocumentWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

bool IsFormattedOption(const QString& arg); // --format, --font, --output (with or without "=")

class FormattedOutput {
public:
    // Answers a usage error, or the empty text.
    QString SetOption(const QString& option, const QString& value);
    bool Active() const { return active_; }
    void Add(const QByteArray& reply);
    bool Write();
    QString Error() const { return error_; }

private:
    enum class Kind { Raw, Text, RTF, HTML };
    bool WriteTo(QIODevice& device) const;
    bool active_ = false;
    Kind kind_ = Kind::Raw;
    QString output_;
    TDocumentFont font_;
    QByteArray raw_;
    QStringList lines_;
    QString error_;
};
