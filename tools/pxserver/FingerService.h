#pragma once
// What pxserver answers: the user list and each user's plan, from a folder
// of plain files (NAME.plan, optional NAME.project) and, when asked, the
// system users' ~/.plan. No socket here: a query line in, reply bytes out.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ServiceOptions {
    QString folder;               // empty: no folder
    bool systemUsers = false;     // also users of this system with a ~/.plan
    qint64 maxFileBytes = 1 << 20; // a plan longer than this is cut
};

struct ServiceAnswer {
    QByteArray reply;             // lines end in CR LF
    bool forwardingRefused = false;
};

class FingerService {
public:
    explicit FingerService(ServiceOptions options = {});

    // The query line without its CR LF.
    ServiceAnswer Answer(const QByteArray& query) const;

    const ServiceOptions& Options() const { return options_; }

    // The reply to a "user@host" query: forwarding is not done here.
    static QByteArray ForwardingRefusal();

private:
    struct Entry {
        QString login;
        QString planPath;     // resolved, inside its folder
        QString projectPath;  // resolved, or empty
    };
    QList<Entry> Users() const;
    bool Find(const QString& name, Entry& entry) const;
    bool FindInFolder(const QString& name, Entry& entry) const;
    bool FindSystemUser(const QString& name, Entry& entry) const;
    QByteArray UserList() const;
    QByteArray UserReply(const QString& name) const;
    QByteArray ReadCapped(const QString& path) const;

    ServiceOptions options_;
    QString canonicalFolder_;
};

// Lines ending in LF or CR LF, or a last line without an end, turned into
// lines ending in CR LF.
QByteArray ToNetworkLines(const QByteArray& text);
