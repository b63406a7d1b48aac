#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <variant>

namespace devnook {

// One LAN address of a preview target.
struct DevicePreviewCandidate {
    QString interfaceName;
    // Dotted-decimal IPv4 address exactly as the interface list gives it.
    QString address;
    QUrl url;

    // interfaceName-address-url: the key of every reachability map.
    QString id() const;

    bool operator==(const DevicePreviewCandidate &) const = default;
};

// One local address of a project that can be previewed on a device.
struct DevicePreviewTarget {
    QString name;
    QUrl localURL;
    // Whether this target's local origin is rewritten inside proxied bodies.
    bool replacesReferences = false;
    QList<DevicePreviewCandidate> candidates;

    // The absolute local URL; targets with one local URL share it.
    QString id() const { return localURL.toString(); }

    bool operator==(const DevicePreviewTarget &) const = default;
};

// Why a LAN address did not answer usefully.
struct DevicePreviewFailureReason {
    enum class Kind {
        httpStatus,
        localServiceUnavailable,
        timeout,
        connectionRefused,
        secureConnectionFailed,
        network
    };

    Kind kind = Kind::network;
    // Only meaningful for httpStatus.
    int status = 0;

    static DevicePreviewFailureReason httpStatus(int code) { return {Kind::httpStatus, code}; }
    static DevicePreviewFailureReason of(Kind kind) { return {kind, 0}; }

    // Localised description; the httpStatus text names the code.
    QString localizedDescription() const;
    // Localised advice; a refused connection and a missing local service share one.
    QString localizedGuidance() const;

    bool operator==(const DevicePreviewFailureReason &other) const
    {
        return kind == other.kind && (kind != Kind::httpStatus || status == other.status);
    }
};

// Whether one LAN URL answers: unavailable (with a reason), checking or available.
struct DevicePreviewReachability {
    enum class State { unavailable, checking, available };

    State state = State::checking;
    // Only meaningful for unavailable.
    DevicePreviewFailureReason reason;

    static DevicePreviewReachability unavailable(DevicePreviewFailureReason why)
    {
        return {State::unavailable, why};
    }
    static DevicePreviewReachability checking() { return {State::checking, {}}; }
    static DevicePreviewReachability available() { return {State::available, {}}; }

    bool operator==(const DevicePreviewReachability &other) const
    {
        return state == other.state && (state != State::unavailable || reason == other.reason);
    }
};

// How many of an active project's LAN URLs answered at its last check, or
// that a check is under way.
struct DevicePreviewHealthSummary {
    bool isChecking = true;
    int available = 0;
    int total = 0;

    static DevicePreviewHealthSummary checking() { return {}; }
    static DevicePreviewHealthSummary result(int available, int total) { return {false, available, total}; }

    bool operator==(const DevicePreviewHealthSummary &other) const
    {
        return isChecking == other.isChecking &&
               (isChecking || (available == other.available && total == other.total));
    }
};

// A local origin and the LAN origin that stands for it, both "scheme://host[:port]".
struct DevicePreviewURLReplacement {
    QString sourceOrigin;
    QString destinationOrigin;
};

} // namespace devnook
