#include "settings/ColourScheme.h"

#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

constexpr qsizetype kMessageTextLimit = 100;

// The next line of `bytes` from `at`, without its line end; `at` moves past
// the line end. A line end is CR LF, LF or CR.
QByteArrayView nextLine(QByteArrayView bytes, qsizetype& at)
{
    const qsizetype start = at;
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    at = end;
    if (at < bytes.size()) {
        if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n')
            at += 2;
        else
            ++at;
    }
    return bytes.sliced(start, end - start);
}

QStringList schemeFilesIn(const QString& folder)
{
    // Any case of the suffix: schemes copied from a file system that ignores
    // case keep working.
    QStringList names;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Readable | QDir::Hidden,
                                                           QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        if (name.size() > kSchemeSuffix.size() && name.endsWith(kSchemeSuffix, Qt::CaseInsensitive))
            names << name.left(name.size() - kSchemeSuffix.size());
    }
    return names;
}

} // namespace

const std::array<const char*, kSchemeColourCount>& SchemeColourValueNames()
{
    static const std::array<const char*, kSchemeColourCount> names{
        "BackGround", "ForeGround", "Gutter", "LineOutline",
        "SelBackGround", "SelForeGround", "GutterLine", "LineBackGround"};
    return names;
}

EConvertError TSchemeParse::Error() const
{
    QString shown = badText;
    if (shown.size() > kMessageTextLimit)
        shown = shown.left(kMessageTextLimit) + QStringLiteral("...");
    return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(shown));
}

TSchemeParse ParseColourScheme(QByteArrayView bytes)
{
    TSchemeParse result;
    qsizetype at = 0;
    nextLine(bytes, at); // the header, whatever it says
    for (int i = 0; i < kSchemeColourCount; ++i) {
        const QString text = QString::fromLatin1(nextLine(bytes, at));
        try {
            result.colours[size_t(i)] = TextToColour(text);
        } catch (const EConvertError&) {
            result.badText = text;
            return result;
        }
        result.count = i + 1;
    }
    return result;
}

QByteArray ColourSchemeText(const TSchemeColours& colours)
{
    QByteArray text = kSchemeHeader.toLatin1() + "\r\n";
    for (TColor colour : colours)
        text += ColourToText(colour).toLatin1() + "\r\n";
    return text;
}

QString ShippedSchemeFolder()
{
    return DataDir() + QStringLiteral("/ColourSchemes");
}

QString UserSchemeFolder()
{
    return UserDataDir() + QStringLiteral("/ColourSchemes");
}

bool IsSchemeFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QStringList ListColourSchemes()
{
    QStringList names = schemeFilesIn(ShippedSchemeFolder());
    const QSet<QString> shipped(names.cbegin(), names.cend());
    if (QFileInfo(UserSchemeFolder()) != QFileInfo(ShippedSchemeFolder())) {
        for (const QString& name : schemeFilesIn(UserSchemeFolder()))
            if (!shipped.contains(name))
                names << name;
    }
    return names;
}

QString ColourSchemePath(const QString& name)
{
    if (!IsSchemeFileName(name))
        return {};
    for (const QString& folder : {UserSchemeFolder(), ShippedSchemeFolder()}) {
        const QDir dir(folder);
        // The name's own case first, then any case of the suffix.
        const QString exact = dir.filePath(name + kSchemeSuffix);
        if (QFileInfo(exact).isFile())
            return exact;
        for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (entry.size() == name.size() + kSchemeSuffix.size() && entry.startsWith(name)
                && entry.endsWith(kSchemeSuffix, Qt::CaseInsensitive))
                return dir.filePath(entry);
        }
    }
    return {};
}

bool ReadColourSchemeFile(const QString& path, QByteArray& bytes)
{
    // Not a FIFO or a device: opening one could wait for ever.
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.read(kMaxSchemeFileBytes);
    return true;
}

void WriteColourSchemeFile(const QString& path, const TSchemeColours& colours)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray text = ColourSchemeText(colours);
    if (file.write(text) != text.size() || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}
