#include "StoreFormCatalogue.h"

#include "core/store/ProjectStore.h"

namespace devnook {

QList<DevProject> StoreFormCatalogue::projects() const
{
    return m_store.projects();
}

bool StoreFormCatalogue::save(const DevProject &project)
{
    return m_store.save(project);
}

std::optional<QString> StoreFormCatalogue::lastError() const
{
    return m_store.lastError();
}

} // namespace devnook
