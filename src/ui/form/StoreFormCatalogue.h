#pragma once

#include "core/form/ProjectFormSeams.h"

namespace devnook {

class ProjectStore;

// The project store as the form's catalogue.
class StoreFormCatalogue final : public ProjectFormCatalogue {
public:
    explicit StoreFormCatalogue(ProjectStore &store) : m_store(store) {}

    QList<DevProject> projects() const override;
    bool save(const DevProject &project) override;
    std::optional<QString> lastError() const override;

private:
    ProjectStore &m_store;
};

} // namespace devnook
