#include "app/desktop_notifier.h"

#include <sys/stat.h>

#include <cstdlib>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace morvane::app {

namespace {

constexpr auto kService = "org.freedesktop.Notifications";
constexpr auto kPath = "/org/freedesktop/Notifications";
constexpr unsigned char kUrgencyNormal = 1;
constexpr unsigned char kUrgencyCritical = 2;

} // namespace

std::string sessionBusAddress(const std::function<const char*(const char*)>& environment) {
    if (const char* address = environment("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != 0) {
        return address;
    }
    const char* runtime = environment("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == 0) {
        return {};
    }
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) {
        return {};
    }
    return "unix:path=" + socket;
}

FreedesktopNotifier::FreedesktopNotifier(QString appName, QString desktopEntry, QString busAddress)
    : m_appName(std::move(appName)), m_desktopEntry(std::move(desktopEntry)),
      m_busAddress(std::move(busAddress)),
      m_connectionName(QStringLiteral("morvane-notices-%1").arg(reinterpret_cast<quintptr>(this))) {}

FreedesktopNotifier::~FreedesktopNotifier() {
    if (m_connected) {
        QDBusConnection::disconnectFromBus(m_connectionName);
    }
}

void FreedesktopNotifier::notify(const BatchNotice& notice) {
    if (!m_connected) {
        if (m_busAddress.isEmpty()) {
            m_busAddress = QString::fromStdString(sessionBusAddress(&std::getenv));
        }
        if (m_busAddress.isEmpty()) {
            return; // no session bus: nobody to tell
        }
        m_connected = true;
        QDBusConnection::connectToBus(m_busAddress, m_connectionName);
    }
    auto bus = QDBusConnection(m_connectionName);
    if (!bus.isConnected()) {
        return;
    }
    auto call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                               QLatin1String(kService), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), m_desktopEntry);
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notice.problem ? kUrgencyCritical : kUrgencyNormal));
    call << m_appName << 0U << m_desktopEntry << QString::fromStdString(notice.summary)
         << QString::fromStdString(notice.body) << QStringList() << hints << -1;
    // Nobody waits for the answer, nor for the error when no notification service runs.
    bus.send(call);
}

} // namespace morvane::app
