#pragma once

#include "DevicePreviewRecords.h"
#include "core/projects/DevProject.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QString>

namespace devnook::DevicePreviewService {

// A LAN address of this machine that a phone on the same network can reach.
struct LanInterface {
    QString name;
    // Dotted-decimal IPv4 address.
    QString address;

    bool operator==(const LanInterface &) const = default;
};

// One address of one interface as the system lists it.
struct InterfaceRow {
    QString name;
    QNetworkInterface::InterfaceFlags flags;
    QHostAddress address;
};

// True for four decimal numbers (non-numeric pieces are skipped) in 10/8,
// 172.16/12 or 192.168/16.
bool isPrivateIPv4(const QString &address);

// The usable rows: up, running, not loopback, private IPv4, not a container
// bridge, VPN or tunnel; each address once, under its first interface.
// Ordered: the default-route interface, then wired and wireless ("en*",
// "eth*", "wl*"), then the rest, each rank in the system's order.
QList<LanInterface> rankedInterfaces(const QList<InterfaceRow> &rows, const QString &defaultRouteInterface);

// The interface of the IPv4 default route in /proc/net/route text; empty when there is none.
QString defaultRouteInterface(const QByteArray &procNetRoute);

// rankedInterfaces of this machine, read afresh on every call; any thread.
QList<LanInterface> localIPv4Interfaces();

// The hosts that stand for this machine in a local URL.
bool isLocalHost(const QString &host);

// The project's preview targets: its own URL, each service's and each linked
// preview URL (only these replace references), each taken from the effective
// local URLs ("project:" and "service:" keys) when there, normalised, the
// first target of a given address winning; each with one candidate per
// interface when its host is this machine.
QList<DevicePreviewTarget> targets(const DevProject &project,
                                   const QHash<QString, QString> &effectiveLocalURLs,
                                   const QList<LanInterface> &interfaces);

} // namespace devnook::DevicePreviewService
