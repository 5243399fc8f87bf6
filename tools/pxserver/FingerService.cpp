#include "FingerService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <pwd.h>
#include <sys/types.h>

namespace {
constexpr int kMaxNameLength = 64;
constexpr int kMaxNamesPerQuery = 16;
constexpr uid_t kFirstPersonUid = 1000;
constexpr uid_t kNobodyUid = 65534;

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

// Names are looked up as files: only letters, digits, ".", "_" and "-",
// never a leading "." or "-", so no name can climb out of the folder or
// hide as a dot file.
bool isSafeName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    if (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
            || u == '.' || u == '_' || u == '-';
        if (!ok)
            return false;
    }
    return true;
}

// A name from the network, fit to be written back: printable ASCII only.
QByteArray shownName(const QByteArray& name)
{
    QByteArray out = name.left(kMaxNameLength);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    }
    return out;
}

// The resolved path of `path` when it is a regular file inside `folder`
// (itself resolved, without a trailing separator); empty otherwise. Every
// link on the way is resolved first, so a link out of the folder is refused.
QString resolvedInside(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return {};
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty() || !resolved.startsWith(folder + QLatin1Char('/')))
        return {};
    if (!QFileInfo(resolved).isFile())
        return {};
    return resolved;
}

QByteArray firstLine(const QByteArray& text)
{
    qsizetype end = text.indexOf('\n');
    QByteArray line = end < 0 ? text : text.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line.trimmed();
}
} // namespace

QByteArray ToNetworkLines(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n')
            continue; // its LF writes the line end
        if (c == '\n')
            out.append("\r\n", 2);
        else
            out.append(c);
    }
    if (!out.isEmpty() && !out.endsWith("\r\n"))
        out.append("\r\n", 2);
    return out;
}

FingerService::FingerService(ServiceOptions options) : options_(std::move(options))
{
    if (!options_.folder.isEmpty())
        canonicalFolder_ = QFileInfo(options_.folder).canonicalFilePath();
}

QByteArray FingerService::ForwardingRefusal()
{
    return QByteArrayLiteral("Finger forwarding service denied.\r\n");
}

ServiceAnswer FingerService::Answer(const QByteArray& query) const
{
    QByteArray rest = query;
    while (!rest.isEmpty() && isSpace(rest.front()))
        rest.remove(0, 1);
    // "/W" asks for more detail; every reply here is already the full one.
    if (rest.size() >= 2 && rest.at(0) == '/' && (rest.at(1) == 'W' || rest.at(1) == 'w')
        && (rest.size() == 2 || isSpace(rest.at(2))))
        rest.remove(0, 2);

    QByteArrayList names;
    for (const QByteArray& token : rest.split(' ')) {
        for (const QByteArray& name : token.split('\t')) {
            if (!name.isEmpty())
                names << name;
        }
    }
    for (const QByteArray& name : names) {
        if (name.contains('@'))
            return {ForwardingRefusal(), true};
    }
    if (names.isEmpty())
        return {UserList(), false};

    QByteArray reply;
    const qsizetype count = std::min<qsizetype>(names.size(), kMaxNamesPerQuery);
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            reply.append("\r\n", 2);
        const QString name = QString::fromUtf8(names.at(i));
        if (isSafeName(name))
            reply += UserReply(name);
        else
            reply += shownName(names.at(i)) + QByteArrayLiteral(": no such user.\r\n");
    }
    return {reply, false};
}

QList<FingerService::Entry> FingerService::Users() const
{
    QList<Entry> users;
    auto known = [&users](const QString& login) {
        return std::any_of(users.cbegin(), users.cend(), [&](const Entry& e) { return e.login == login; });
    };
    if (!canonicalFolder_.isEmpty()) {
        const QFileInfoList plans = QDir(canonicalFolder_)
            .entryInfoList({QStringLiteral("*.plan")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& info : plans) {
            Entry entry;
            if (FindInFolder(info.fileName().chopped(5), entry) && !known(entry.login))
                users << entry;
        }
    }
    if (options_.systemUsers) {
        QStringList logins;
        setpwent();
        while (const passwd* pw = getpwent()) {
            if (pw->pw_uid >= kFirstPersonUid && pw->pw_uid != kNobodyUid)
                logins << QString::fromLocal8Bit(pw->pw_name);
        }
        endpwent();
        logins.sort();
        for (const QString& login : logins) {
            Entry entry;
            if (isSafeName(login) && !known(login) && FindSystemUser(login, entry))
                users << entry;
        }
    }
    return users;
}

bool FingerService::FindInFolder(const QString& name, Entry& entry) const
{
    if (canonicalFolder_.isEmpty() || !isSafeName(name))
        return false;
    const QString base = canonicalFolder_ + QLatin1Char('/') + name;
    const QString plan = resolvedInside(base + QStringLiteral(".plan"), canonicalFolder_);
    if (plan.isEmpty())
        return false;
    entry = {name, plan, resolvedInside(base + QStringLiteral(".project"), canonicalFolder_)};
    return true;
}

bool FingerService::FindSystemUser(const QString& name, Entry& entry) const
{
    const QByteArray login = name.toLocal8Bit();
    const passwd* pw = getpwnam(login.constData());
    if (!pw || pw->pw_uid < kFirstPersonUid || pw->pw_uid == kNobodyUid || !pw->pw_dir)
        return false;
    const uid_t uid = pw->pw_uid;
    const QString home = QFileInfo(QString::fromLocal8Bit(pw->pw_dir)).canonicalFilePath();
    // Only the user's own files in the user's own home: a ~/.plan that is
    // a link to another's file (or to /etc/shadow) is not served.
    auto own = [&](const QString& file) {
        const QString path = resolvedInside(home + QLatin1Char('/') + file, home);
        return !path.isEmpty() && QFileInfo(path).ownerId() == uid ? path : QString();
    };
    const QString plan = own(QStringLiteral(".plan"));
    if (plan.isEmpty())
        return false;
    entry = {name, plan, own(QStringLiteral(".project"))};
    return true;
}

bool FingerService::Find(const QString& name, Entry& entry) const
{
    if (FindInFolder(name, entry))
        return true;
    if (options_.systemUsers && FindSystemUser(name, entry))
        return true;
    // Names are looked up in any letter case, as people type them.
    for (const Entry& e : Users()) {
        if (e.login.compare(name, Qt::CaseInsensitive) == 0) {
            entry = e;
            return true;
        }
    }
    return false;
}

QByteArray FingerService::ReadCapped(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = file.read(options_.maxFileBytes + 1);
    if (text.size() > options_.maxFileBytes) {
        text.truncate(options_.maxFileBytes);
        text += "\n[cut at " + QByteArray::number(options_.maxFileBytes) + " bytes]\n";
    }
    return text;
}

QByteArray FingerService::UserList() const
{
    const QList<Entry> users = Users();
    if (users.isEmpty())
        return QByteArrayLiteral("No one has a plan here.\r\n");
    qsizetype width = 5;
    for (const Entry& e : users)
        width = std::max(width, e.login.size());
    QByteArray out = QByteArrayLiteral("Login").leftJustified(width + 2) + "Project\r\n";
    for (const Entry& e : users) {
        QByteArray line = e.login.toUtf8().leftJustified(width + 2);
        if (!e.projectPath.isEmpty())
            line += firstLine(ReadCapped(e.projectPath));
        out += line.trimmed() + "\r\n";
    }
    return out;
}

QByteArray FingerService::UserReply(const QString& name) const
{
    Entry entry;
    if (!Find(name, entry))
        return name.toUtf8() + QByteArrayLiteral(": no such user.\r\n");
    QByteArray out = "Login: " + entry.login.toUtf8() + "\r\n";
    if (!entry.projectPath.isEmpty()) {
        const QByteArray project = firstLine(ReadCapped(entry.projectPath));
        if (!project.isEmpty())
            out += "Project: " + project + "\r\n";
    }
    const QByteArray plan = ReadCapped(entry.planPath);
    if (plan.trimmed().isEmpty())
        return out + "No Plan.\r\n";
    return out + "Plan:\r\n" + ToNetworkLines(plan);
}
