#pragma once

#include "core/preview/DevicePreviewRecords.h"

#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;
class QVariantAnimation;

namespace devnook {

class DevicePreviewViewModel;
class ReachabilityBadge;

// One LAN address of a target: its QR code, the URL with its reachability
// badge, Open and Copy with the copied mark, and under an unreachable
// address why and what to do.
class DevicePreviewCandidateRow final : public QWidget {
    Q_OBJECT

public:
    // How long the copied mark takes to fade in or out.
    static constexpr int kCopiedFadeMs = 150;

    DevicePreviewCandidateRow(DevicePreviewCandidate candidate, DevicePreviewViewModel &model,
                              QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeCopiedMark();
    QWidget *makeGuidance();
    void showReachability(const QString &candidateID);
    void showCopied();
    void updateSymbols();

    const DevicePreviewCandidate m_candidate;
    DevicePreviewViewModel &m_model;
    ReachabilityBadge *m_badge = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_copy = nullptr;
    QWidget *m_copied = nullptr;
    QLabel *m_copiedSymbol = nullptr;
    QLabel *m_copiedTitle = nullptr;
    bool m_showsCopied = false;
    QGraphicsOpacityEffect *m_copiedOpacity = nullptr;
    QVariantAnimation *m_copiedFade = nullptr;
    QWidget *m_guidance = nullptr;
    QLabel *m_failure = nullptr;
    QLabel *m_advice = nullptr;
};

} // namespace devnook
