#include "app/desktop_notifier.h"

#include <signal.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/process.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

TEST(DesktopNotifier, TheSessionBusComesFromTheEnvironmentAndIsNeverMadeUp) {
    test::TempDir runtime;
    std::map<std::string, std::string> env;
    const auto lookup = [&](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(sessionBusAddress(lookup), "");
    env["XDG_RUNTIME_DIR"] = runtime.path();
    EXPECT_EQ(sessionBusAddress(lookup), "") << "no socket, no bus";
    test::writeFile(runtime.file("bus"), "");
    EXPECT_EQ(sessionBusAddress(lookup), "") << "a plain file is no bus";
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/run/user/1000/bus";
    EXPECT_EQ(sessionBusAddress(lookup), "unix:path=/run/user/1000/bus");
}

// The notification service as the desktop runs it, reduced to remembering each Notify call.
class FakeNotificationService final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("Notify")) {
            return false;
        }
        calls.push_back(message.arguments());
        connection.send(message.createReply(QVariant::fromValue(static_cast<uint>(calls.size()))));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
    std::vector<QList<QVariant>> calls;
};

// A private bus of this test's own; skipped where dbus-daemon is not installed.
class PrivateBus {
public:
    PrivateBus() {
        if (!std::filesystem::exists("/usr/bin/dbus-daemon")) {
            return;
        }
        test::writeFile(m_dir.file("bus.conf"),
                        "<busconfig><type>session</type><listen>unix:path=" + m_dir.file("bus") +
                            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                            "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                            "<allow own=\"*\"/></policy></busconfig>\n");
        platform::SpawnOptions options;
        options.stdoutMode = platform::StdStream::Pipe;
        m_daemon =
            platform::ChildProcess::spawn({"/usr/bin/dbus-daemon", "--config-file=" + m_dir.file("bus.conf"),
                                           "--nofork", "--print-address"},
                                          options);
        char buffer[512];
        for (ssize_t n; address.find('\n') == std::string::npos &&
                        (n = m_daemon.readStdout(buffer, sizeof buffer)) > 0;) {
            address.append(buffer, static_cast<std::size_t>(n));
        }
        address = address.substr(0, address.find('\n'));
    }
    ~PrivateBus() {
        if (m_daemon.valid()) {
            m_daemon.kill(SIGTERM);
            m_daemon.wait();
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    std::string address;

private:
    test::TempDir m_dir;
    platform::ChildProcess m_daemon;
};

TEST(DesktopNotifier, NotifiesTheServiceOnTheBusAndIsQuietWithoutOne) {
    PrivateBus bus;
    if (bus.address.empty()) {
        GTEST_SKIP() << "dbus-daemon is not installed: no private bus to notify on";
    }
    const auto address = QString::fromStdString(bus.address);
    FakeNotificationService service;
    {
        auto connection = QDBusConnection::connectToBus(address, QStringLiteral("fake-notifications"));
        ASSERT_TRUE(connection.isConnected());
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(
            connection.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
    }
    FreedesktopNotifier notifier(QStringLiteral("Morvane"), QStringLiteral("org.morvane.Morvane"), address);
    notifier.notify(BatchNotice{"Conversion failed", "1 file converted, 1 failed", true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.calls.empty(); }, 5000));
    const auto& args = service.calls.front();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0].toString(), QStringLiteral("Morvane"));
    EXPECT_EQ(args[3].toString(), QStringLiteral("Conversion failed"));
    EXPECT_EQ(args[4].toString(), QStringLiteral("1 file converted, 1 failed"));
    const auto hints = qdbus_cast<QVariantMap>(args[6]);
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("org.morvane.Morvane"));
    EXPECT_EQ(hints.value(QStringLiteral("urgency")).toInt(), 2) << "a failure is urgent";

    // Once nobody serves notifications, and where there is no bus at all, a notice is sent into the
    // void at once.
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    FreedesktopNotifier nowhere(QStringLiteral("Morvane"), QStringLiteral("org.morvane.Morvane"),
                                QStringLiteral("unix:path=/nonexistent/bus"));
    QElapsedTimer timer;
    timer.start();
    notifier.notify(BatchNotice{"Conversion finished", "2 files converted", false});
    nowhere.notify(BatchNotice{"Conversion finished", "2 files converted", false});
    EXPECT_LT(timer.elapsed(), 1000);
    QTest::qWait(100);
    EXPECT_EQ(service.calls.size(), 1U);
}

} // namespace
} // namespace morvane::app
