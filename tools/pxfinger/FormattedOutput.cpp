#include "FormattedOutput.h"

#include "results/ReplyText.h"
#include "settings/ColourText.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

bool IsFormattedOption(const QString& arg)
{
    for (const char* name : {"--format", "--font", "--output"})
        if (arg == QLatin1String(name) || arg.startsWith(QLatin1String(name) + QLatin1Char('=')))
            return true;
    return false;
}

QString FormattedOutput::SetOption(const QString& option, const QString& value)
{
    active_ = true;
    if (option == QLatin1String("--format")) {
        const QString kind = value.toLower();
        if (kind == QLatin1String("text"))
            kind_ = Kind::Text;
        else if (kind == QLatin1String("rtf"))
            kind_ = Kind::RTF;
        else if (kind == QLatin1String("html"))
            kind_ = Kind::HTML;
        else
            return QStringLiteral("--format needs text, rtf or html, not '%1'").arg(value);
    } else if (option == QLatin1String("--font")) {
        try {
            ParseFontText(value, font_.name, font_.size);
        } catch (const EPollux&) {
            return QStringLiteral("--font needs a font as \"Courier New (Size: 10)\", not '%1'").arg(value);
        }
        if (font_.name.isEmpty() || font_.size < 1 || font_.size > 1638)
            return QStringLiteral("--font needs a font name and a size from 1 to 1638 points");
    } else if (option == QLatin1String("--output")) {
        if (value.isEmpty())
            return QStringLiteral("--output needs a file name");
        output_ = value;
    }
    return {};
}

void FormattedOutput::Add(const QByteArray& reply)
{
    // Each reply goes below the earlier ones, as in a result tab.
    if (kind_ == Kind::Raw)
        raw_ += reply;
    else
        lines_ += SplitReplyLines(reply);
}

bool FormattedOutput::WriteTo(QIODevice& device) const
{
    TDocumentInput input;
    input.lines = lines_;
    input.font = font_;
    // The view's own colours when no scheme is set: window text on window.
    input.foreground = 0x000000;
    input.background = 0xFFFFFF;
    switch (kind_) {
    case Kind::Raw: return device.write(raw_) == raw_.size();
    case Kind::Text: return WriteTextDocument(lines_, device);
    case Kind::RTF: return WriteRTFDocument(input, device);
    case Kind::HTML: return WriteHTMLDocument(input, device);
    }
    return false;
}

bool FormattedOutput::Write()
{
    if (output_.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || !WriteTo(out) || !out.flush()) {
            error_ = QStringLiteral("Cannot write to standard output");
            return false;
        }
        return true;
    }
    QSaveFile file(output_);
    if (!file.open(QIODevice::WriteOnly) || !WriteTo(file) || !file.commit()) {
        error_ = QStringLiteral("Cannot create file %1").arg(output_);
        return false;
    }
    return true;
}
