#include "realtime/RealtimeKit.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <algorithm>
#include <optional>
#include <sys/resource.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString Path = QStringLiteral("/org/freedesktop/RealtimeKit1");
// The refresh thread waits for this answer before its first pass.
constexpr int TimeoutMs = 2000;

struct Answer {
    QVariant value;
    std::string error; // empty when the call succeeded
};

Answer call(const QDBusMessage& message) {
    const QDBusMessage reply = QDBusConnection::systemBus().call(message, QDBus::Block, TimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return {{}, reply.errorMessage().toStdString()};
    return {reply.arguments().value(0), {}};
}

Answer property(const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        Service, Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << Service << name;
    Answer answer = call(get);
    answer.value = answer.value.value<QDBusVariant>().variant();
    return answer;
}

// rtkit checks the hard limit; the soft one is set alike, as sound servers do.
std::string limitRealtimeRun(long long maxUsec) {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return "cannot read RLIMIT_RTTIME";
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= rlim_t(maxUsec))
        return {};
    limit.rlim_cur = limit.rlim_max = rlim_t(maxUsec);
    if (setrlimit(RLIMIT_RTTIME, &limit) != 0)
        return "cannot lower RLIMIT_RTTIME";
    return {};
}

} // namespace

namespace RealtimeKit {

std::string makeThreadRealtime(long tid, int priority) {
    if (!QDBusConnection::systemBus().isConnected())
        return "no system bus";
    const Answer maxPriority = property(QStringLiteral("MaxRealtimePriority"));
    if (!maxPriority.error.empty())
        return maxPriority.error;
    const Answer maxRun = property(QStringLiteral("RTTimeUSecMax"));
    if (!maxRun.error.empty())
        return maxRun.error;
    if (std::string why = limitRealtimeRun(maxRun.value.toLongLong()); !why.empty())
        return why;
    QDBusMessage make = QDBusMessage::createMethodCall(Service, Path, Service,
                                                       QStringLiteral("MakeThreadRealtime"));
    make << QVariant::fromValue(qulonglong(tid))
         << QVariant::fromValue(uint(std::min(priority, maxPriority.value.toInt())));
    return call(make).error;
}

} // namespace RealtimeKit
