#pragma once

#include "ProjectPersisting.h"

#include <QString>

namespace devnook {

class CatalogueReadAhead;
class Clock;

// The catalogue as "projects.json" in <data home>/Devnook, copied once from
// <data home>/Quarrylin when only that earlier catalogue exists.
class JSONProjectPersistence final : public ProjectPersisting {
public:
    // dataHome is the user's data folder ($XDG_DATA_HOME); the clock dates the
    // copy of an unreadable catalogue. The first load takes what readAhead
    // read, when the file is still the one it read.
    JSONProjectPersistence(QString dataHome, const Clock &clock, CatalogueReadAhead *readAhead = nullptr);

    // The data folder of the session: $XDG_DATA_HOME, else ~/.local/share.
    static QString defaultDataHome();

    static QString catalogueFilePath(const QString &dataHome);
    QString catalogueFilePath() const;
    QString legacyCatalogueFilePath() const;

    // Reads the catalogue. A catalogue that exists but cannot be read whole is
    // copied aside first, so the next save cannot destroy the user's
    // projects; every project that still reads is returned. Projects whose id
    // repeats an earlier one get a new id, and the catalogue, once copied
    // aside, is written back with them. A data folder that is a file fails.
    Result<LoadedCatalogue> loadProjects() override;
    // The catalogue file at path, decoded; nothing is kept aside or renumbered.
    static Result<LoadedCatalogue> readCatalogue(const QString &path);
    Result<void> saveProjects(const QList<DevProject> &projects) override;

private:
    Result<void> migrateLegacyProjectsIfNeeded(const QString &targetPath) const;
    Result<void> checkDataFolder(const QString &path) const;
    // Returns how many projects were given a new id.
    static int giveRepeatedIdsNewOnes(QList<DevProject> &projects);

    // Returns the copy's path.
    Result<QString> keepCatalogueAside(const QString &path);

    QString m_dataHome;
    const Clock &m_clock;
    CatalogueReadAhead *m_readAhead;
    // Set while a damaged or renumbered catalogue could not be copied aside;
    // saving then retries the copy and refuses to overwrite the file until it
    // succeeds.
    bool m_catalogueAtRisk = false;
};

} // namespace devnook
