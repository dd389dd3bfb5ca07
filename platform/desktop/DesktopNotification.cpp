#include "platform/desktop/DesktopNotification.h"

#include "platform/desktop/ShownNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <set>
#include <utility>

namespace plat {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kActionKey = QStringLiteral("open");
// A service that does not answer in this time is taken to be absent.
constexpr int kCallMs = 3000;

// The notices that are still on the desktop.
std::set<CShownNotice*>& Shown() {
    static std::set<CShownNotice*> shown;
    return shown;
}

QEventLoop* g_waiting = nullptr;

// A service that shows markup takes "&", "<" and ">" in a body as markup.
QString EscapeMarkup(const QString& text) {
    return text.toHtmlEscaped().replace(QStringLiteral("&quot;"), QStringLiteral("\""));
}

} // namespace

CShownNotice::CShownNotice(std::function<void()> onAction) : m_onAction(std::move(onAction)) {
    static int count = 0;
    m_connection = QStringLiteral("vtl-notice-%1").arg(++count);
}

CShownNotice::~CShownNotice() {
    QDBusConnection::disconnectFromBus(m_connection);
}

bool CShownNotice::Send(const Notice& notice) {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    QDBusConnection bus =
        address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connection)
                          : QDBusConnection::connectToBus(address, m_connection);
    if (!bus.isConnected())
        return false;
    // Heard from before the call: a service may answer the notice at once.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnClosed(uint, uint)));

    const QDBusMessage capabilities =
        bus.call(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                QStringLiteral("GetCapabilities")),
                 QDBus::Block, kCallMs);
    if (capabilities.type() != QDBusMessage::ReplyMessage || capabilities.arguments().isEmpty())
        return false;
    const QStringList can = capabilities.arguments().first().toStringList();
    QString body = QString::fromStdString(notice.body);
    if (can.contains(QStringLiteral("body-markup")))
        body = EscapeMarkup(body);
    QStringList actions;
    if (!notice.action.empty()) {
        const QString label = QString::fromStdString(notice.action);
        actions = {QStringLiteral("default"), label, kActionKey, label};
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Vantrel") << uint(0) << QStringLiteral("vantrel")
         << QString::fromStdString(notice.summary) << body << actions
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("vantrel")}} << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    m_id = reply.arguments().first().toUInt();
    return true;
}

void CShownNotice::OnActionInvoked(uint id, const QString& key) {
    if (id != m_id || !Shown().contains(this))
        return;
    if ((key == kActionKey || key == QLatin1String("default")) && m_onAction)
        m_onAction();
    Finish();
}

void CShownNotice::OnClosed(uint id, uint) {
    if (id == m_id && Shown().contains(this))
        Finish();
}

void CShownNotice::Finish() {
    Shown().erase(this);
    if (g_waiting && Shown().empty())
        g_waiting->quit();
    deleteLater();
}

bool ShowNotice(const Notice& notice, std::function<void()> onAction) {
    auto* shown = new CShownNotice(std::move(onAction));
    if (!shown->Send(notice)) {
        delete shown;
        return false;
    }
    Shown().insert(shown);
    return true;
}

void WaitForNotices(std::chrono::milliseconds most) {
    if (Shown().empty())
        return;
    QEventLoop loop;
    g_waiting = &loop;
    QTimer::singleShot(most, &loop, &QEventLoop::quit);
    loop.exec();
    g_waiting = nullptr;
    for (CShownNotice* shown : std::exchange(Shown(), {}))
        delete shown;
}

} // namespace plat
