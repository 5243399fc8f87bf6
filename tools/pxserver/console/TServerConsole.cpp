#include "TServerConsole.h"

#include "core/Guard.h"
#include "core/Paths.h"
#include "settings/RegUtils.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <unistd.h>

namespace {
const QString kConsoleKey = kRootKey + QStringLiteral("\\Server Console");

// A stored choice of the wrong kind or an unreadable store falls back to the
// default: the console must open whatever the store holds.
template <class F>
void tryRead(F&& read)
{
    try {
        read();
    } catch (const EPollux&) {
    }
}

QIcon themed(const char* name, QStyle::StandardPixmap fallback, const QWidget* w)
{
    return QIcon::fromTheme(QLatin1String(name), w->style()->standardIcon(fallback));
}
} // namespace

ConsoleChoices LoadConsoleChoices()
{
    ConsoleChoices c;
    c.folder = DataDir() + QStringLiteral("/pxserver-sample");
    c.port = geteuid() == 0 ? 79 : 7979;
    tryRead([&] {
        if (SettingsValueExists(kConsoleKey, QStringLiteral("Folder")))
            c.folder = ReadSettingString(kConsoleKey, QStringLiteral("Folder"));
    });
    tryRead([&] {
        if (SettingsValueExists(kConsoleKey, QStringLiteral("Address")))
            c.address = ReadSettingString(kConsoleKey, QStringLiteral("Address")).trimmed();
    });
    tryRead([&] {
        if (SettingsValueExists(kConsoleKey, QStringLiteral("Port"))) {
            const qint32 port = ReadSettingInteger(kConsoleKey, QStringLiteral("Port"));
            if (port >= 1 && port <= 65535)
                c.port = port;
        }
    });
    tryRead([&] { c.systemUsers = ReadSettingBool(kConsoleKey, QStringLiteral("SystemUsers")); });
    if (QHostAddress(c.address).isNull())
        c.address = QStringLiteral("127.0.0.1");
    return c;
}

void SaveConsoleChoices(const ConsoleChoices& c)
{
    WriteSettingString(kConsoleKey, QStringLiteral("Folder"), c.folder);
    WriteSettingString(kConsoleKey, QStringLiteral("Address"), c.address);
    WriteSettingInteger(kConsoleKey, QStringLiteral("Port"), c.port);
    WriteSettingBool(kConsoleKey, QStringLiteral("SystemUsers"), c.systemUsers);
}

TServerConsole::TServerConsole(const ConsoleChoices& choices, QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Pollux Server"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg"))));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* settings = new QGroupBox(QStringLiteral("What to serve"), central);
    auto* form = new QFormLayout(settings);
    folder_ = new QLineEdit(choices.folder, settings);
    folder_->setToolTip(QStringLiteral("The folder of plan files: NAME.plan, and NAME.project for a project line"));
    browse_ = new QPushButton(themed("folder-open", QStyle::SP_DirOpenIcon, this), QStringLiteral("&Browse..."), settings);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), settings);
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);

    address_ = new QComboBox(settings);
    address_->setEditable(true);
    address_->addItems({QStringLiteral("127.0.0.1"), QStringLiteral("::1"), QStringLiteral("0.0.0.0"), QStringLiteral("::")});
    address_->setEditText(choices.address);
    address_->setToolTip(QStringLiteral("127.0.0.1 serves this computer only; 0.0.0.0 or :: serves the network"));
    port_ = new QSpinBox(settings);
    port_->setRange(1, 65535);
    port_->setValue(choices.port);
    port_->setToolTip(QStringLiteral("Finger's own port is 79, which only root may open"));
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(address_, 1);
    auto* portLabel = new QLabel(QStringLiteral("&Port:"), settings);
    portLabel->setBuddy(port_);
    addressRow->addWidget(portLabel);
    addressRow->addWidget(port_);
    auto* addressLabel = new QLabel(QStringLiteral("&Address:"), settings);
    addressLabel->setBuddy(address_);
    form->addRow(addressLabel, addressRow);
    systemUsers_ = new QCheckBox(QStringLiteral("Also serve the &system users' ~/.plan files"), settings);
    systemUsers_->setChecked(choices.systemUsers);
    form->addRow(QString(), systemUsers_);
    layout->addWidget(settings);

    auto* controls = new QHBoxLayout;
    start_ = new QPushButton(themed("media-playback-start", QStyle::SP_MediaPlay, this), QStringLiteral("&Start"), central);
    stop_ = new QPushButton(themed("media-playback-stop", QStyle::SP_MediaStop, this), QStringLiteral("S&top"), central);
    status_ = new QLabel(central);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    clients_ = new QLabel(central);
    controls->addWidget(start_);
    controls->addWidget(stop_);
    controls->addSpacing(12);
    controls->addWidget(status_, 1);
    controls->addWidget(clients_);
    layout->addLayout(controls);

    auto* logLabel = new QLabel(QStringLiteral("Request &log:"), central);
    log_ = new QPlainTextEdit(central);
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(5000); // a busy server must not fill the memory
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logLabel->setBuddy(log_);
    layout->addWidget(logLabel);
    layout->addWidget(log_, 1);
    setCentralWidget(central);
    resize(640, 420);

    connect(browse_, &QPushButton::clicked, this, [this] { Guarded(this, [this] { browse(); }); });
    connect(start_, &QPushButton::clicked, this, [this] { Guarded(this, [this] { StartServer(); }); });
    connect(stop_, &QPushButton::clicked, this, [this] { Guarded(this, [this] { StopServer(); }); });
    updateState();
}

TServerConsole::~TServerConsole() = default;

ConsoleChoices TServerConsole::Choices() const
{
    return {folder_->text().trimmed(), address_->currentText().trimmed(), port_->value(), systemUsers_->isChecked()};
}

bool TServerConsole::Serving() const
{
    return server_ && server_->IsListening();
}

bool TServerConsole::StartServer()
{
    if (Serving())
        return true;
    const ConsoleChoices c = Choices();
    QHostAddress address;
    if (!address.setAddress(c.address)) {
        showFailure(QStringLiteral("\"%1\" is not an IP address.").arg(c.address));
        return false;
    }
    if (c.folder.isEmpty() && !c.systemUsers) {
        showFailure(QStringLiteral("Choose a folder of plan files to serve."));
        return false;
    }
    if (!c.folder.isEmpty() && !QFileInfo(c.folder).isDir()) {
        showFailure(QStringLiteral("The folder %1 does not exist.").arg(c.folder));
        return false;
    }
    ServiceOptions options;
    options.folder = c.folder;
    options.systemUsers = c.systemUsers;
    server_ = std::make_unique<PxServer>(FingerService(options), ServerLimits{});
    connect(server_.get(), &PxServer::requestDone, this, [this](const RequestRecord& r) { append(FormatRequestRecord(r)); });
    connect(server_.get(), &PxServer::clientsChanged, this, [this] { updateState(); });
    QString error;
    if (!server_->Listen(address, quint16(c.port), &error)) {
        server_.reset();
        if (c.port < 1024 && geteuid() != 0)
            error += QStringLiteral(" (ports below 1024 need root; try 7979)");
        showFailure(QStringLiteral("Cannot listen on %1 port %2: %3").arg(c.address).arg(c.port).arg(error));
        updateState();
        return false;
    }
    append(QStringLiteral("Serving %1 on %2 port %3").arg(c.folder.isEmpty() ? QStringLiteral("the system users' plans") : c.folder, c.address).arg(c.port));
    // Remembered once they have worked.
    tryRead([&] { SaveConsoleChoices(c); });
    updateState();
    return true;
}

void TServerConsole::StopServer()
{
    if (!server_)
        return;
    server_->StopListening();
    server_->AbortClients();
    server_.reset();
    append(QStringLiteral("Stopped"));
    updateState();
}

void TServerConsole::closeEvent(QCloseEvent* event)
{
    StopServer();
    event->accept();
}

void TServerConsole::browse()
{
    const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Folder of plan files"), folder_->text());
    if (!dir.isEmpty())
        folder_->setText(dir);
}

void TServerConsole::append(const QString& line)
{
    log_->appendPlainText(line);
}

void TServerConsole::showFailure(const QString& text)
{
    status_->setText(text);
    status_->setStyleSheet(QStringLiteral("color: #b00020"));
    if (!Quiet)
        QMessageBox::critical(this, QStringLiteral("Error"), text);
}

void TServerConsole::updateState()
{
    const bool serving = Serving();
    for (QWidget* w : {static_cast<QWidget*>(folder_), static_cast<QWidget*>(browse_), static_cast<QWidget*>(address_),
                       static_cast<QWidget*>(port_), static_cast<QWidget*>(systemUsers_)})
        w->setEnabled(!serving);
    start_->setEnabled(!serving);
    stop_->setEnabled(serving);
    if (serving) {
        status_->setStyleSheet(QString());
        status_->setText(QStringLiteral("Serving on %1 port %2").arg(server_->Address().toString()).arg(server_->Port()));
    } else if (status_->styleSheet().isEmpty()) {
        status_->setText(QStringLiteral("Stopped"));
    }
    clients_->setText(QStringLiteral("Clients: %1").arg(server_ ? server_->Clients() : 0));
}
