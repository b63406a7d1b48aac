#pragma once

#include "ProjectPersisting.h"

#include <QString>
#include <future>
#include <optional>
#include <sys/stat.h>

namespace devnook {

// The catalogue file read and decoded on a thread of its own from the start
// of the process, while the application connects to the display: a catalogue
// of hundreds of projects takes milliseconds to decode. The first load takes
// the result when the file is still the one that was read.
class CatalogueReadAhead {
public:
    // Starts reading the file at once. Made on the main thread, before the
    // application object when it is made first.
    explicit CatalogueReadAhead(QString path);
    // Waits for the read to end.
    ~CatalogueReadAhead() = default;

    CatalogueReadAhead(const CatalogueReadAhead &) = delete;
    CatalogueReadAhead &operator=(const CatalogueReadAhead &) = delete;

    // The decoded file, once, when path is the file read and it has not been
    // replaced or written since; otherwise nothing, and the caller reads it.
    std::optional<Result<LoadedCatalogue>> take(const QString &path);

private:
    // What tells one version of the file from the next: an atomic save gives
    // a new inode, a write in place a new modification time.
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Stamp &other) const;
    };
    struct Read {
        Stamp stamp;
        Result<LoadedCatalogue> catalogue;
    };
    static std::optional<Stamp> stampOf(const QString &path);
    static std::optional<Read> read(const QString &path);

    QString m_path;
    std::future<std::optional<Read>> m_read;
};

} // namespace devnook
