// vtl_test_portal RECORD ANSWER [NOTICES]: a stand-in for the desktop portal's Email interface
// and, with NOTICES, for the desktop's notification service, on the session bus that
// DBUS_SESSION_BUS_ADDRESS names. Each ComposeEmail call is kept in RECORD/N/ (N from 1):
// "subject", "body", and per attachment "K.bytes" (read through its descriptor) and "K.name"
// (the file the descriptor is open on). ANSWER: a Response code ("0" sent, "1" cancelled, "2"
// other), "error" (an error reply), "silent" (no reply at all) or "none" (no portal). Each
// Notify call is kept in RECORD/notice-N/: "summary", "body" and "actions" (one a line); the
// person then, by NOTICES, "close"s the notice, "open"s its action, or "keep"s it on screen.
// RECORD/ready appears once the services are on the bus.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QDir>
#include <QTimer>

#include <climits>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

class CStandInPortal : public QDBusVirtualObject {
  public:
    CStandInPortal(QString record, QString answer) : m_record(record), m_answer(answer) {}
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        if (call.member() != QLatin1String("ComposeEmail") || call.arguments().size() != 2)
            return false;
        const QString folder = m_record + QStringLiteral("/%1/").arg(++m_calls);
        QDir().mkpath(folder);
        const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().at(1));
        Write(folder + "subject", options.value("subject").toString().toUtf8());
        Write(folder + "body", options.value("body").toString().toUtf8());
        QList<QDBusUnixFileDescriptor> fds;
        options.value("attachment_fds").value<QDBusArgument>() >> fds;
        for (int k = 0; k < fds.size(); ++k) {
            QByteArray bytes;
            char buffer[65536], name[PATH_MAX] = {};
            for (ssize_t got;
                 (got = pread(fds[k].fileDescriptor(), buffer, sizeof buffer, bytes.size())) > 0;)
                bytes.append(buffer, got);
            readlink(("/proc/self/fd/" + QByteArray::number(fds[k].fileDescriptor())).constData(),
                     name, sizeof name - 1);
            Write(folder + QStringLiteral("%1.bytes").arg(k + 1), bytes);
            Write(folder + QStringLiteral("%1.name").arg(k + 1), name);
        }
        if (m_answer == QLatin1String("error"))
            bus.send(call.createErrorReply(QDBusError::AccessDenied, "not allowed"));
        if (m_answer == QLatin1String("error") || m_answer == QLatin1String("silent"))
            return true;
        const QString handle = "/org/freedesktop/portal/desktop/request/" +
                               call.service().mid(1).replace('.', '_') + "/" +
                               options.value("handle_token").toString();
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        bus.send(QDBusMessage::createTargetedSignal(call.service(), handle,
                                                    "org.freedesktop.portal.Request", "Response")
                 << uint(m_answer.toUInt()) << QVariantMap());
        return true;
    }

  private:
    QString m_record, m_answer;
    int m_calls = 0;
};

// The notification service: every notice is answered 100 ms after it is shown.
class CStandInNotices : public QDBusVirtualObject {
  public:
    CStandInNotices(QString record, QString person) : m_record(record), m_person(person) {}
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        if (call.member() == QLatin1String("GetCapabilities")) {
            bus.send(call.createReply(QStringList{"actions", "body"}));
            return true;
        }
        if (call.member() != QLatin1String("Notify") || call.arguments().size() != 8)
            return false;
        const uint id = ++m_calls;
        const QString folder = m_record + QStringLiteral("/notice-%1/").arg(id);
        QDir().mkpath(folder);
        Write(folder + "summary", call.arguments().at(3).toString().toUtf8());
        Write(folder + "body", call.arguments().at(4).toString().toUtf8());
        Write(folder + "actions", call.arguments().at(5).toStringList().join('\n').toUtf8());
        bus.send(call.createReply(id));
        const QString path = QStringLiteral("/org/freedesktop/Notifications");
        const QString iface = QStringLiteral("org.freedesktop.Notifications");
        QTimer::singleShot(100, [=, this] {
            if (m_person == QLatin1String("open"))
                QDBusConnection::sessionBus().send(
                    QDBusMessage::createSignal(path, iface, "ActionInvoked")
                    << id << call.arguments().at(5).toStringList().value(2));
            if (m_person != QLatin1String("keep"))
                QDBusConnection::sessionBus().send(
                    QDBusMessage::createSignal(path, iface, "NotificationClosed") << id << 2u);
        });
        return true;
    }

  private:
    QString m_record, m_person;
    uint m_calls = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4)
        return 2;
    CStandInPortal portal(argv[1], argv[2]);
    CStandInNotices notices(argv[1], argc == 4 ? argv[3] : "");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (QLatin1String(argv[2]) != QLatin1String("none") &&
        (!bus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal) ||
         !bus.registerService("org.freedesktop.portal.Desktop")))
        return 1;
    if (argc == 4 && (!bus.registerVirtualObject("/org/freedesktop/Notifications", &notices) ||
                      !bus.registerService("org.freedesktop.Notifications")))
        return 1;
    Write(QString(argv[1]) + "/ready", "");
    return app.exec();
}
