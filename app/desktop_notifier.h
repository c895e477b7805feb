#pragma once

// Desktop notifications, behind a small interface that tests replace: the freedesktop notification
// service over the session bus here.

#include <functional>
#include <string>

#include <QString>

#include "app/batch_progress.h"

namespace morvane::app {

// Shows a notice on the desktop. Never waits for the desktop and never complains: a desktop without a
// notification service simply shows nothing.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const BatchNotice& notice) = 0;
};

// The session bus to use, from the environment: DBUS_SESSION_BUS_ADDRESS, else the user's bus socket
// in XDG_RUNTIME_DIR; empty when there is none (then nothing is started to make one).
std::string sessionBusAddress(const std::function<const char*(const char*)>& environment);

// Sends org.freedesktop.Notifications.Notify without waiting for the answer.
class FreedesktopNotifier final : public DesktopNotifier {
public:
    // `busAddress` empty: the session bus of the environment, looked up at the first notice.
    FreedesktopNotifier(QString appName, QString desktopEntry, QString busAddress = {});
    ~FreedesktopNotifier() override;
    FreedesktopNotifier(const FreedesktopNotifier&) = delete;
    FreedesktopNotifier& operator=(const FreedesktopNotifier&) = delete;

    void notify(const BatchNotice& notice) override;

private:
    QString m_appName;
    QString m_desktopEntry;
    QString m_busAddress;
    QString m_connectionName;
    bool m_connected = false;
};

} // namespace morvane::app
