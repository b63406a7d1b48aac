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
    auto *box = new QFrame(this);
    box->setObjectName(u"candidateList"_s);
    Kit::setRole(box, Kit::Role::kCard);
    auto *rows = new QVBoxLayout(box);
    rows->setContentsMargins(16, 8, 16, 8);
    rows->setSpacing(0);
    for (qsizetype i = 0; i < target.candidates.size(); ++i) {
        if (i > 0)
            rows->addWidget(Kit::makeDivider(box));
        rows->addWidget(new DevicePreviewCandidateRow(target.candidates[i], model, box));
    }
    column->addWidget(box);
}

} // namespace devnook
