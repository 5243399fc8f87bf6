// pxreg: reads and edits the Pollux settings store from the shell.
#include "SettingsText.h"

#include "core/Errors.h"
#include "settings/RegUtils.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kOk = 0;
constexpr int kMissing = 1;
constexpr int kFailed = 2;

const char kUsage[] =
    "Usage: pxreg COMMAND ...\n"
    "Reads and edits the Pollux settings store.\n"
    "\n"
    "  pxreg set KEY NAME --string TEXT   store TEXT as the string value NAME\n"
    "  pxreg set KEY NAME --dword N       store the 32-bit integer N (decimal, or 0x hexadecimal)\n"
    "  pxreg get KEY NAME                 print the data of a value\n"
    "  pxreg values KEY                   print the value names of a key, one a line\n"
    "  pxreg keys KEY                     print the sub-key names of a key, one a line\n"
    "  pxreg delete KEY [NAME]            delete one value, or the key with everything below it\n"
    "  pxreg export [KEY] > FILE          write KEY (default: everything) as text\n"
    "  pxreg import FILE                  read such a text back (\"-\" reads standard input)\n"
    "\n"
    "KEY is a path such as '\\Software\\Marlwick\\Pollux\\2.0\\Configuration' (the leading\n"
    "\"\\\" may be left out). Key and value names are matched without regard to case. An\n"
    "empty NAME ('') is the key's unnamed value. Boolean settings are dwords 1 and 0, e.g.\n"
    "  pxreg set '\\Software\\Marlwick\\Pollux\\2.0' Debug --dword 1\n"
    "switches the debug log on.\n"
    "\n"
    "The store is settings.db in $POLLUX_CONFIG_DIR, else in $XDG_CONFIG_HOME/pollux\n"
    "(~/.config/pollux).\n"
    "\n"
    "Exit status: 0 done, 1 the key or value does not exist, 2 failure.\n";

void out(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int fail(const QString& message, int status = kFailed)
{
    std::fprintf(stderr, "pxreg: %s\n", message.toUtf8().constData());
    return status;
}

int usageError(const QString& message)
{
    fail(message);
    std::fputs("Try 'pxreg --help' for more information.\n", stderr);
    return kFailed;
}

QString shown(const QString& path)
{
    QString p = path;
    if (!p.startsWith(QLatin1Char('\\')))
        p.prepend(QLatin1Char('\\'));
    return p;
}

// A dword as a user writes it: signed or unsigned decimal, or 0x hexadecimal.
bool parseDword(const QString& text, qint32& value)
{
    bool ok = false;
    qint64 number = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = text.mid(2);
        number = digits.size() <= 8 ? qint64(digits.toUInt(&ok, 16)) : 0;
    } else {
        number = text.toLongLong(&ok, 10);
        ok = ok && number >= -2147483648LL && number <= 4294967295LL;
    }
    if (!ok)
        return false;
    value = static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(number) & 0xFFFFFFFFu));
    return true;
}

int set(const QStringList& args)
{
    if (args.size() != 5)
        return usageError(QStringLiteral("set needs KEY NAME --string TEXT or KEY NAME --dword N"));
    const QString& key = args[1];
    const QString& name = args[2];
    if (args[3] == QLatin1String("--string")) {
        WriteSettingString(key, name, args[4]);
        return kOk;
    }
    if (args[3] == QLatin1String("--dword")) {
        qint32 value = 0;
        if (!parseDword(args[4], value))
            return usageError(QStringLiteral("'%1' is not a 32-bit number").arg(args[4]));
        WriteSettingInteger(key, name, value);
        return kOk;
    }
    return usageError(QStringLiteral("unknown kind '%1' (use --string or --dword)").arg(args[3]));
}

int get(const QStringList& args)
{
    if (args.size() != 3)
        return usageError(QStringLiteral("get needs KEY NAME"));
    const QString kind = SettingValueKind(args[1], args[2]);
    if (kind.isEmpty())
        return fail(QStringLiteral("no value '%1' in %2").arg(args[2], shown(args[1])), kMissing);
    if (kind == QLatin1String("integer"))
        out(QString::number(ReadSettingInteger(args[1], args[2])) + QLatin1Char('\n'));
    else
        out(ReadSettingString(args[1], args[2]) + QLatin1Char('\n'));
    return kOk;
}

int list(const QStringList& args, bool keys)
{
    if (args.size() != 2)
        return usageError(QStringLiteral("%1 needs KEY").arg(args[0]));
    QStringList names;
    if (!(keys ? ListSettingKeys(args[1], names) : ListSettingValues(args[1], names)))
        return fail(QStringLiteral("no key %1").arg(shown(args[1])), kMissing);
    for (const QString& name : names)
        out(name + QLatin1Char('\n'));
    return kOk;
}

int remove(const QStringList& args)
{
    if (args.size() == 3) {
        if (!DeleteSettingValue(args[1], args[2]))
            return fail(QStringLiteral("no value '%1' in %2").arg(args[2], shown(args[1])), kMissing);
        return kOk;
    }
    if (args.size() != 2)
        return usageError(QStringLiteral("delete needs KEY [NAME]"));
    if (args[1].split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty())
        return usageError(QStringLiteral("the top of the store cannot be deleted; name a key"));
    if (!DeleteSettingsKey(args[1]))
        return fail(QStringLiteral("no key %1").arg(shown(args[1])), kMissing);
    return kOk;
}

QString childPath(const QString& parent, const QString& name)
{
    return parent == QLatin1String("\\") ? parent + name : parent + QLatin1Char('\\') + name;
}

void exportKey(const QString& path, QString& text)
{
    SettingsSection section;
    section.path = path;
    ReadSettingEntries(path, section.entries);
    QStringList children;
    ListSettingKeys(path, children);
    // A key with neither values nor sub-keys needs a section of its own; any
    // other comes back through its values or the sections below it.
    if (!section.entries.isEmpty() || children.isEmpty())
        text += FormatSection(section);
    for (const QString& child : children)
        exportKey(childPath(path, child), text);
}

int exportText(const QStringList& args)
{
    if (args.size() > 2)
        return usageError(QStringLiteral("export takes at most one KEY"));
    QString path = args.size() == 2 ? args[1] : QStringLiteral("\\");
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    path = QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
    if (!SettingsKeyExists(path))
        return fail(QStringLiteral("no key %1").arg(path), kMissing);
    QString text = QLatin1String(kSettingsTextHeader) + QLatin1Char('\n');
    exportKey(path, text);
    out(text);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kOk : fail(QStringLiteral("could not write the export"));
}

int importText(const QStringList& args)
{
    if (args.size() != 2)
        return usageError(QStringLiteral("import needs FILE"));
    QFile file;
    const bool fromStdin = args[1] == QLatin1String("-");
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(args[1]), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(QStringLiteral("cannot open %1: %2").arg(args[1], file.errorString()));
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return fail(QStringLiteral("%1 is not UTF-8 text").arg(args[1]));
    QList<SettingsSection> sections;
    QString error;
    if (!ParseSettingsText(text, sections, error))
        return fail(QStringLiteral("%1: %2; nothing was imported").arg(args[1], error));
    for (const SettingsSection& section : sections)
        WriteSettingEntries(section.path, section.entries);
    return kOk;
}

int run(const QStringList& args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString& command = args[0];
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")
        || (args.size() == 2 && args[1] == QLatin1String("--help"))) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (command == QLatin1String("set"))
        return set(args);
    if (command == QLatin1String("get"))
        return get(args);
    if (command == QLatin1String("values"))
        return list(args, false);
    if (command == QLatin1String("keys"))
        return list(args, true);
    if (command == QLatin1String("delete"))
        return remove(args);
    if (command == QLatin1String("export"))
        return exportText(args);
    if (command == QLatin1String("import"))
        return importText(args);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(QCoreApplication::arguments().mid(1));
    } catch (const EPollux& e) {
        return fail(e.Message());
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
}
