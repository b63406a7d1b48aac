#include "DevicePreviewTargetSection.h"

#include "DevicePreviewCandidateRow.h"
#include "DevicePreviewView.h"
#include "core/foundation/L10n.h"
#include "ui/kit/ElidedLabel.h"
#include "ui/kit/Kit.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

DevicePreviewTargetSection::DevicePreviewTargetSection(const DevicePreviewTarget &target,
                                                       DevicePreviewViewModel &model, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"targetSection"_s);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto *header = new QVBoxLayout;
    header->setContentsMargins(4, 0, 4, 0);
    header->setSpacing(3);
    auto *name = new QLabel(target.name, this);
    name->setObjectName(u"targetName"_s);
    name->setTextFormat(Qt::PlainText);
    name->setFont(Kit::font(14, QFont::DemiBold));
    header->addWidget(name);
    // One line, cut in the middle: the host and the end of the path both stay.
    auto *localURL = new ElidedLabel(1, this);
    localURL->setObjectName(u"targetLocalURL"_s);
    localURL->setFont(Kit::font(11));
    localURL->setElideMode(Qt::ElideMiddle);
    Kit::setTextRole(localURL, Kit::TextRole::kTertiary);
    localURL->setFullText(target.localURL.toString());
    header->addWidget(localURL);
    column->addLayout(header);

    if (target.candidates.isEmpty()) {
        column->addWidget(
            DevicePreviewView::makeEmptyState(L10n::text(u"device_preview_no_network_title"_s),
                                              L10n::text(u"device_preview_no_network_message"_s), this));
        return;
    }
    QList<QWidget *> rows;
    for (const DevicePreviewCandidate &candidate : target.candidates)
        rows.append(new DevicePreviewCandidateRow(candidate, model, this));
    QFrame *box = Kit::makeRowList(rows, this);
    box->setObjectName(u"candidateList"_s);
    column->addWidget(box);
}

} // namespace devnook
