#include "SettingsText.h"

#include <QStringList>

const char kSettingsTextHeader[] = "Pollux Settings Version 1";

namespace {

bool needsEscape(char16_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

QString hex(unsigned value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

bool pathNeedsQuotes(const QString& path)
{
    if (path.startsWith(QLatin1Char('"')))
        return true;
    for (const QChar c : path) {
        if (needsEscape(c.unicode()) || c.isSurrogate())
            return true;
    }
    return false;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a quoted string starting at line[at] == '"'; at ends after the
// closing quote.
bool readQuoted(const QString& line, qsizetype& at, QString& out, QString& error)
{
    out.clear();
    ++at;
    while (at < line.size()) {
        const QChar c = line.at(at++);
        if (c == QLatin1Char('"'))
            return true;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (at >= line.size())
            break;
        const QChar e = line.at(at++);
        switch (e.unicode()) {
        case u'\\': out += QLatin1Char('\\'); break;
        case u'"': out += QLatin1Char('"'); break;
        case u'n': out += QLatin1Char('\n'); break;
        case u'r': out += QLatin1Char('\r'); break;
        case u't': out += QLatin1Char('\t'); break;
        case u'x':
        case u'u': {
            const int digits = e == QLatin1Char('x') ? 2 : 4;
            unsigned value = 0;
            for (int i = 0; i < digits; ++i) {
                const int d = at < line.size() ? hexDigit(line.at(at)) : -1;
                if (d < 0) {
                    error = QStringLiteral("\\%1 needs %2 hexadecimal digits").arg(e).arg(digits);
                    return false;
                }
                value = value * 16 + unsigned(d);
                ++at;
            }
            out += QChar(char16_t(value));
            break;
        }
        default:
            error = QStringLiteral("unknown escape \\%1").arg(e);
            return false;
        }
    }
    error = QStringLiteral("a quoted text is not closed");
    return false;
}

void skipBlanks(const QString& line, qsizetype& at)
{
    while (at < line.size() && (line.at(at) == QLatin1Char(' ') || line.at(at) == QLatin1Char('\t')))
        ++at;
}

bool parseKeyLine(const QString& line, QString& path, QString& error)
{
    if (!line.endsWith(QLatin1Char(']'))) {
        error = QStringLiteral("a key line must end with \"]\"");
        return false;
    }
    if (line.size() > 1 && line.at(1) == QLatin1Char('"')) {
        qsizetype at = 1;
        if (!readQuoted(line, at, path, error))
            return false;
        if (at != line.size() - 1) {
            error = QStringLiteral("unexpected text after the quoted key path");
            return false;
        }
    } else {
        path = line.mid(1, line.size() - 2);
    }
    return true;
}

bool parseValueLine(const QString& line, SettingEntry& entry, QString& error)
{
    qsizetype at = 0;
    if (line.at(0) == QLatin1Char('@')) {
        entry.name.clear();
        ++at;
    } else if (!readQuoted(line, at, entry.name, error)) {
        return false;
    }
    skipBlanks(line, at);
    if (at >= line.size() || line.at(at) != QLatin1Char('=')) {
        error = QStringLiteral("expected \"=\" after the value name");
        return false;
    }
    ++at;
    skipBlanks(line, at);
    const QString rest = line.mid(at);
    if (rest.startsWith(QLatin1Char('"'))) {
        qsizetype from = at;
        if (!readQuoted(line, from, entry.text, error))
            return false;
        skipBlanks(line, from);
        if (from != line.size()) {
            error = QStringLiteral("unexpected text after the quoted value");
            return false;
        }
        entry.isInteger = false;
        return true;
    }
    if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = rest.mid(6).trimmed();
        bool ok = digits.size() >= 1 && digits.size() <= 8;
        for (const QChar c : digits)
            ok = ok && hexDigit(c) >= 0;
        if (!ok) {
            error = QStringLiteral("dword: needs one to eight hexadecimal digits");
            return false;
        }
        entry.isInteger = true;
        entry.integer = static_cast<qint32>(digits.toUInt(nullptr, 16));
        return true;
    }
    error = QStringLiteral("a value must be a quoted text or dword:XXXXXXXX");
    return false;
}

} // namespace

QString QuoteSettingsText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u == u'"')
            out += QLatin1String("\\\"");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || u == 0x7F)
            out += QLatin1String("\\x") + hex(u, 2);
        else if (needsEscape(u))
            out += QLatin1String("\\u") + hex(u, 4);
        else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate())
            out += QLatin1String("\\u") + hex(u, 4); // a lone half would not survive UTF-8
        else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString FormatSection(const SettingsSection& section)
{
    QString out = QStringLiteral("\n[");
    out += pathNeedsQuotes(section.path) ? QuoteSettingsText(section.path) : section.path;
    out += QLatin1String("]\n");
    for (const SettingEntry& entry : section.entries) {
        out += entry.name.isEmpty() ? QStringLiteral("@") : QuoteSettingsText(entry.name);
        out += QLatin1Char('=');
        if (entry.isInteger)
            out += QLatin1String("dword:") + hex(static_cast<quint32>(entry.integer), 8).toLower();
        else
            out += QuoteSettingsText(entry.text);
        out += QLatin1Char('\n');
    }
    return out;
}

bool ParseSettingsText(const QString& text, QList<SettingsSection>& sections, QString& error)
{
    sections.clear();
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool headerSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        // Tolerate CR LF line ends and blanks a text editor may leave behind.
        while (!line.isEmpty() && (line.back() == QLatin1Char('\r') || line.back() == QLatin1Char(' ')
                                   || line.back() == QLatin1Char('\t')))
            line.chop(1);
        qsizetype lead = 0;
        skipBlanks(line, lead);
        line = line.mid(lead);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        QString what;
        if (!headerSeen) {
            if (line != QLatin1String(kSettingsTextHeader)) {
                error = QStringLiteral("line %1: the file does not begin with \"%2\"").arg(n + 1).arg(kSettingsTextHeader);
                return false;
            }
            headerSeen = true;
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            SettingsSection section;
            if (!parseKeyLine(line, section.path, what)) {
                error = QStringLiteral("line %1: %2").arg(n + 1).arg(what);
                return false;
            }
            sections.append(section);
            continue;
        }
        if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'))) {
            if (sections.isEmpty()) {
                error = QStringLiteral("line %1: a value before the first [key] line").arg(n + 1);
                return false;
            }
            SettingEntry entry;
            if (!parseValueLine(line, entry, what)) {
                error = QStringLiteral("line %1: %2").arg(n + 1).arg(what);
                return false;
            }
            sections.last().entries.append(entry);
            continue;
        }
        error = QStringLiteral("line %1: expected a [key] line or a \"name\"=value line").arg(n + 1);
        return false;
    }
    if (!headerSeen) {
        error = QStringLiteral("the file does not begin with \"%1\"").arg(kSettingsTextHeader);
        return false;
    }
    return true;
}
