#include "platform/desktop/PortalMail.h"

#include "platform/desktop/PortalResponse.h"

#include "platform/Paths.h"
#include "platform/mail/MailSpool.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <fcntl.h>
#include <unistd.h>

namespace plat {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// A connection of its own, closed when the send is over.
class CPrivateBus {
  public:
    CPrivateBus() : m_name(QStringLiteral("vtl-mail-%1").arg(++s_count)) {}
    ~CPrivateBus() { QDBusConnection::disconnectFromBus(m_name); }
    CPrivateBus(const CPrivateBus&) = delete;
    CPrivateBus& operator=(const CPrivateBus&) = delete;
    // The bus that DBUS_SESSION_BUS_ADDRESS names now: the D-Bus library would keep the first
    // address it read for the whole process.
    QDBusConnection Connect() const {
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        return address.isEmpty()
                   ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name)
                   : QDBusConnection::connectToBus(address, m_name);
    }

  private:
    static inline std::atomic<int> s_count{0};
    QString m_name;
};

// The descriptors of the spooled copies, open for reading; closed with it.
class CDescriptors {
  public:
    ~CDescriptors() {
        for (const int fd : m_fds)
            close(fd);
    }
    bool Open(const std::string& path) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        m_fds.push_back(fd);
        m_list.append(QDBusUnixFileDescriptor(fd)); // a duplicate of its own
        return true;
    }
    const QList<QDBusUnixFileDescriptor>& List() const { return m_list; }

  private:
    std::vector<int> m_fds;
    QList<QDBusUnixFileDescriptor> m_list;
};

} // namespace

PortalOutcome ComposeThroughPortal(const std::string& subject, const std::string& body,
                                   const std::vector<std::string>& files,
                                   std::chrono::milliseconds wait) {
    QElapsedTimer clock;
    clock.start();
    const CPrivateBus privateBus;
    QDBusConnection bus = privateBus.Connect();
    if (!bus.isConnected() || (!files.empty() && !(bus.connectionCapabilities() &
                                                   QDBusConnection::UnixFileDescriptorPassing)))
        return PortalOutcome::Unavailable;

    CMailSpool::SweepOld();
    CMailSpool spool;
    CDescriptors descriptors;
    for (const std::string& file : files) {
        const PathParts parts = SplitPath(file);
        std::string copy;
        if (spool.Add(file, parts.fname + parts.ext, copy) != SUCCESS_SUCCESS ||
            !descriptors.Open(copy))
            return PortalOutcome::Unavailable;
    }

    // The request's object path is known before the call, so its Response, which may come
    // right after the reply, is heard from the start.
    static std::atomic<int> tokens{0};
    const QString token = QStringLiteral("vtl%1_%2").arg(getpid()).arg(++tokens);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString expected =
        kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    QEventLoop loop;
    CPortalResponse response(loop);
    const auto listen = [&](const QString& path) {
        bus.connect(kService, path, kRequest, QStringLiteral("Response"), &response,
                    SLOT(OnResponse(uint, QVariantMap)));
    };
    listen(expected);

    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    QVariantMap options{{QStringLiteral("handle_token"), token}};
    if (!subject.empty())
        options.insert(QStringLiteral("subject"), QString::fromStdString(subject));
    if (!body.empty())
        options.insert(QStringLiteral("body"), QString::fromStdString(body));
    if (!files.empty())
        options.insert(QStringLiteral("attachment_fds"), QVariant::fromValue(descriptors.List()));
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.portal.Email"),
        QStringLiteral("ComposeEmail"));
    call << QString() << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(wait.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return PortalOutcome::Unavailable;
    const QString handle = qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path();
    if (handle != expected && !handle.isEmpty())
        listen(handle); // an older portal makes its own path

    // The Response may already wait among this thread's events.
    loop.processEvents();
    if (const qint64 left = wait.count() - clock.elapsed(); !response.answered && left > 0) {
        QTimer::singleShot(left, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!response.answered)
        return PortalOutcome::Unavailable;
    switch (response.response) {
    case 0:
        spool.Keep();
        return PortalOutcome::Handed;
    case 1:
        return PortalOutcome::Cancelled;
    default:
        return PortalOutcome::Unavailable;
    }
}

} // namespace plat
