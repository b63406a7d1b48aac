// Which of this machine's addresses a phone on the same network can reach.
#include "DevicePreviewService.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewService {

namespace {

// Container bridges, VPNs and tunnels carry addresses a phone cannot reach.
bool isVirtual(const QString &name)
{
    static const QStringList prefixes = {u"tun"_s,   u"tap"_s,  u"wg"_s,    u"docker"_s, u"br-"_s,
                                         u"virbr"_s, u"veth"_s, u"lxcbr"_s, u"podman"_s, u"utun"_s};
    return name == u"lo" || std::any_of(prefixes.begin(), prefixes.end(),
                                        [&name](const QString &p) { return name.startsWith(p); });
}

int rank(const QString &name, const QString &defaultRouteInterface)
{
    if (!defaultRouteInterface.isEmpty() && name == defaultRouteInterface)
        return 0;
    if (name.startsWith(u"en") || name.startsWith(u"eth") || name.startsWith(u"wl"))
        return 1;
    return 2;
}

} // namespace

bool isPrivateIPv4(const QString &address)
{
    QList<int> numbers;
    for (const QString &piece : address.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int number = piece.toInt(&ok, 10);
        if (ok)
            numbers.append(number);
    }
    if (numbers.size() != 4)
        return false;
    return numbers[0] == 10 || (numbers[0] == 192 && numbers[1] == 168) ||
           (numbers[0] == 172 && numbers[1] >= 16 && numbers[1] <= 31);
}

QList<LanInterface> rankedInterfaces(const QList<InterfaceRow> &rows, const QString &defaultRouteInterface)
{
    QList<LanInterface> usable;
    for (const InterfaceRow &row : rows) {
        const bool upAndRunning =
            row.flags.testFlag(QNetworkInterface::IsUp) && row.flags.testFlag(QNetworkInterface::IsRunning);
        if (!upAndRunning || row.flags.testFlag(QNetworkInterface::IsLoopBack) ||
            row.address.protocol() != QAbstractSocket::IPv4Protocol || isVirtual(row.name))
            continue;
        const QString address = row.address.toString();
        const bool seen = std::any_of(usable.begin(), usable.end(), [&address](const LanInterface &entry) {
            return entry.address == address;
        });
        if (isPrivateIPv4(address) && !seen)
            usable.append({row.name, address});
    }
    std::stable_sort(usable.begin(), usable.end(), [&defaultRouteInterface](const auto &a, const auto &b) {
        return rank(a.name, defaultRouteInterface) < rank(b.name, defaultRouteInterface);
    });
    return usable;
}

QString defaultRouteInterface(const QByteArray &procNetRoute)
{
    // Columns: Iface Destination Gateway Flags ...; the default route has
    // destination 00000000 and the up flag (bit 0) set.
    for (const QByteArray &line : procNetRoute.split('\n')) {
        const QList<QByteArray> columns = line.simplified().split(' ');
        if (columns.size() < 4 || columns[1] != "00000000")
            continue;
        bool ok = false;
        const uint flags = columns[3].toUInt(&ok, 16);
        if (ok && (flags & 1u))
            return QString::fromUtf8(columns[0]);
    }
    return {};
}

QList<LanInterface> localIPv4Interfaces()
{
    QList<InterfaceRow> rows;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries)
            rows.append({interface.name(), interface.flags(), entry.ip()});
    }
    QFile routes(u"/proc/net/route"_s);
    const QByteArray routeText = routes.open(QIODevice::ReadOnly) ? routes.readAll() : QByteArray();
    return rankedInterfaces(rows, defaultRouteInterface(routeText));
}

} // namespace devnook::DevicePreviewService
