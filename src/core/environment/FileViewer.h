#pragma once

#include "core/foundation/Result.h"

#include <QCoroTask>
#include <QString>

namespace devnook {

// The desktop's file manager, asked to show where an item is.
class FileViewer {
public:
    virtual ~FileViewer() = default;

    // Shows the file manager with the item at the absolute path selected;
    // where no file manager can select it, opens the item itself with the
    // desktop's default handler. Fails, with the reason, only when neither
    // could be done.
    virtual QCoro::Task<Result<void>> reveal(QString path) = 0;
};

} // namespace devnook
