#pragma once

#include "core/projects/ProjectLink.h"
#include "core/projects/ProjectService.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <algorithm>
#include <array>
#include <optional>

namespace devnook::FormListEditing {

// Rows address their record by id, not position, so a row keeps editing its
// own record while the list is reordered or shortened.

// The field of the first record with that id; a default value when none has it.
template <typename Record, typename Field>
Field fieldOf(const QList<Record> &records, const QUuid &id, Field Record::*field)
{
    const auto it =
        std::find_if(records.cbegin(), records.cend(), [&](const Record &r) { return r.id == id; });
    return it == records.cend() ? Field{} : (*it).*field;
}

// Writes the field of the first record with that id; false when none has it.
template <typename Record, typename Field>
bool setFieldOf(QList<Record> &records, const QUuid &id, Field Record::*field, const Field &value)
{
    const auto it = std::find_if(records.begin(), records.end(), [&](const Record &r) { return r.id == id; });
    if (it == records.end())
        return false;
    (*it).*field = value;
    return true;
}

// Removes every record with that id, keeping the others in order.
template <typename Record> void removeById(QList<Record> &records, const QUuid &id)
{
    records.removeIf([&](const Record &r) { return r.id == id; });
}

// One step of a drag: the dragged record lands at the position of the row the
// pointer entered. False (and nothing moved) when either is missing or they
// are the same record.
template <typename Record>
bool moveDragged(QList<Record> &records, const QUuid &draggedID, const QUuid &destinationID)
{
    if (draggedID.isNull() || draggedID == destinationID)
        return false;
    const auto indexOf = [&](const QUuid &id) {
        const auto it =
            std::find_if(records.cbegin(), records.cend(), [&](const Record &r) { return r.id == id; });
        return it == records.cend() ? qsizetype(-1) : qsizetype(it - records.cbegin());
    };
    const qsizetype from = indexOf(draggedID);
    const qsizetype to = indexOf(destinationID);
    if (from < 0 || to < 0)
        return false;
    records.move(from, to);
    return true;
}

// Moves a record one place up (-1) or down (+1); false at either end.
template <typename Record> bool moveByOne(QList<Record> &records, const QUuid &id, int step)
{
    const auto it =
        std::find_if(records.cbegin(), records.cend(), [&](const Record &r) { return r.id == id; });
    if (it == records.cend())
        return false;
    const qsizetype from = it - records.cbegin();
    const qsizetype to = from + step;
    if (to < 0 || to >= records.size())
        return false;
    records.move(from, to);
    return true;
}

// The name of a service added to the list: "frontend_service" for the first,
// "dev_command_number" with the count plus one after that.
QString suggestedServiceName(const QList<ProjectService> &services);

// Appends a service with a fresh id and the suggested name; returns its id.
QUuid addService(QList<ProjectService> &services);

// Appends an empty preview URL with a fresh id; returns its id.
QUuid addPreviewLinkedURL(QList<ProjectPreviewLinkedURL> &linkedURLs);

// Appends an empty custom link with a fresh id; returns its id.
QUuid addCustomLink(QList<ProjectLink> &links);

// The custom links (links without a kind), in their order.
QList<ProjectLink> customLinks(const QList<ProjectLink> &links);

// The URL of the first link of a kind; "" when there is none.
QString kindURL(const QList<ProjectLink> &links, WorkspaceLinkKind kind);

// Typing into a kind's row: a blank text removes the kind's link, other text
// is stored as typed, creating the link at the end when there is none.
void setKindURL(QList<ProjectLink> &links, WorkspaceLinkKind kind, const QString &url);

// The open-with-workspace switch of the first link of a kind; false without one.
bool kindOpensWithWorkspace(const QList<ProjectLink> &links, WorkspaceLinkKind kind);

// Sets the switch of the first link of a kind; nothing without one.
void setKindOpensWithWorkspace(QList<ProjectLink> &links, WorkspaceLinkKind kind, bool open);

// A URL as an unfocused field shows it: without "https://www.", "http://www.",
// "https://" and "http://", wherever they stand.
QString shortenedURL(const QString &url);

// One entry of the client colour palette: a localisation key and six
// upper-case hexadecimal digits.
struct ClientColor {
    const char *nameKey;
    const char *hex;
};

// The client colours the form offers, in order.
const std::array<ClientColor, 9> &clientColorPalette();

// Red, green and blue from 0 to 255.
struct RGB {
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const RGB &) const = default;
};

// The colour a swatch is filled with: the lowest 24 bits of the text read as
// hexadecimal, or grey 228 when it does not read.
RGB clientFillColor(const QString &hex);

// The checkmark drawn on a swatch: white on dark colours, grey 33 otherwise.
RGB clientCheckmarkColor(const QString &hex);

} // namespace devnook::FormListEditing
