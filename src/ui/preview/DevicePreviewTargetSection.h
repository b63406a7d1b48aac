#pragma once

#include "core/preview/DevicePreviewRecords.h"

#include <QWidget>

namespace devnook {

class DevicePreviewViewModel;

// One preview target: its name and local URL over its LAN addresses in a
// list box, one row each, or the no-network state when it has none.
class DevicePreviewTargetSection final : public QWidget {
    Q_OBJECT

public:
    DevicePreviewTargetSection(const DevicePreviewTarget &target, DevicePreviewViewModel &model,
                               QWidget *parent = nullptr);
};

} // namespace devnook
