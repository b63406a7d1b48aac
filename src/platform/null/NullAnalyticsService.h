#pragma once

#include "core/analytics/AnalyticsService.h"

namespace devnook {

// Analytics that send nothing.
class NullAnalyticsService final : public AnalyticsService {
public:
    void configureIfNeeded() override {}
    void signal(AnalyticsEvent, const QHash<QString, QString> &) override {}
};

} // namespace devnook
