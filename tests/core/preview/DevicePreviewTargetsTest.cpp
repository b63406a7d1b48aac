#include "core/preview/DevicePreviewService.h"

#include <QTest>

using namespace devnook;
using namespace Qt::StringLiterals;
using DevicePreviewService::InterfaceRow;
using DevicePreviewService::LanInterface;

namespace {

constexpr QNetworkInterface::InterfaceFlags kUp = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;

// Interfaces up and running, written "name=address name=address".
QList<InterfaceRow> upRows(const QString &list)
{
    QList<InterfaceRow> rows;
    for (const QString &entry : list.split(u' '))
        rows.append({entry.section(u'=', 0, 0), kUp, QHostAddress(entry.section(u'=', 1))});
    return rows;
}

QString names(const QList<LanInterface> &interfaces)
{
    QStringList list;
    for (const LanInterface &interface : interfaces)
        list.append(interface.name + u'=' + interface.address);
    return list.join(u' ');
}

} // namespace

class DevicePreviewTargetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void privateAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("isPrivate");
        const QList<std::pair<QString, bool>> rows = {{u"172.15.0.1"_s, false},    {u"172.16.0.1"_s, true},
                                                      {u"172.31.255.255"_s, true}, {u"172.32.0.1"_s, false},
                                                      {u"10.0.0"_s, false},        {u"10.x.1.2.3"_s, true},
                                                      {u"192.168.1.20"_s, true},   {u"8.8.8.8"_s, false}};
        for (const auto &[address, isPrivate] : rows)
            QTest::newRow(qPrintable(address)) << address << isPrivate;
    }

    void privateAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, isPrivate);
        QCOMPARE(DevicePreviewService::isPrivateIPv4(address), isPrivate);
    }

    void ranking()
    {
        QList<InterfaceRow> rows = upRows(
            u"docker0=172.17.0.1 zt0=10.147.17.3 wlp2s0=192.168.1.20 br-1a2b=172.18.0.1 usb0=10.42.0.2 "
            u"enp3s0=192.168.1.21 enp3s0=fe80::1 eth1=192.168.1.20 wg0=10.8.0.2 tun0=10.9.0.2 "
            u"veth12=10.0.3.1 virbr0=192.168.122.1 enx1=81.2.3.4"_s);
        rows.prepend({u"lo"_s, kUp | QNetworkInterface::IsLoopBack, QHostAddress(u"127.0.0.1"_s)});
        rows.insert(9, {u"eth2"_s, QNetworkInterface::IsUp, QHostAddress(u"192.168.7.2"_s)});
        QCOMPARE(names(DevicePreviewService::rankedInterfaces(rows, u"enp3s0"_s)),
                 u"enp3s0=192.168.1.21 wlp2s0=192.168.1.20 zt0=10.147.17.3 usb0=10.42.0.2"_s);
        QCOMPARE(names(DevicePreviewService::rankedInterfaces(rows, QString())),
                 u"wlp2s0=192.168.1.20 enp3s0=192.168.1.21 zt0=10.147.17.3 usb0=10.42.0.2"_s);
    }

    void defaultRoute()
    {
        const QByteArray routes = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                  "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\n"
                                  "wlp2s0\t00000000\t0101A8C0\t0002\t0\t0\t600\t00000000\n"
                                  "enp3s0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n";
        QCOMPARE(DevicePreviewService::defaultRouteInterface(routes), u"enp3s0"_s);
        QCOMPARE(DevicePreviewService::defaultRouteInterface("Iface\tDestination\n"), QString());
    }

    void targets()
    {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Shop"_s;
        project.localhostURL = u"localhost:3000"_s;
        const ProjectService same{QUuid::createUuid(), u"web"_s, u"npm run dev"_s,
                                  u"http://localhost:3000"_s};
        const ProjectService blank{QUuid::createUuid(), u"  "_s, QString(),
                                   u"http://localhost:5173/app?x=1"_s};
        const ProjectService remote{QUuid::createUuid(), u"api"_s, QString(), u"http://devbox.lan:8080"_s};
        project.services = {same, blank, remote};
        project.previewLinkedURLs = {{QUuid::createUuid(), QString(), u"127.0.0.1:9000/docs"_s}};
        const QHash<QString, QString> effective = {
            {u"service:"_s + blank.id.toString(QUuid::WithoutBraces).toUpper(),
             u"http://127.0.0.1:5174/app?x=1"_s}};
        const QList<LanInterface> interfaces = {{u"wlan0"_s, u"192.168.1.20"_s}, {u"eth0"_s, u" "_s}};

        const QList<DevicePreviewTarget> targets =
            DevicePreviewService::targets(project, effective, interfaces);
        QCOMPARE(targets.size(), 4);
        QCOMPARE(targets[0].name, u"Shop"_s);
        QCOMPARE(targets[1].name, u"Service"_s);
        QCOMPARE(targets[1].localURL, QUrl(u"http://127.0.0.1:5174/app?x=1"_s));
        const QList<DevicePreviewCandidate> candidates = {
            {u"wlan0"_s, u"192.168.1.20"_s, QUrl(u"http://192.168.1.20:5174/app?x=1"_s)}};
        QCOMPARE(targets[1].candidates, candidates);
        QVERIFY(targets[2].candidates.isEmpty()); // not this machine
        QCOMPARE(targets[3].name, u"Linked local URL"_s);
        QVERIFY(targets[3].replacesReferences && !targets[0].replacesReferences);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewTargetsTest)
#include "DevicePreviewTargetsTest.moc"
