#include "EnvFileRow.h"

#include "core/foundation/DateTexts.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kMinimumHeight = 48;
constexpr int kIconSize = 13;
constexpr int kIconColumn = 18;

QLabel *makeLabel(const QString &objectName, const QString &text, const QFont &font, const char *textRole,
                  QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    // File and profile names come from the folder, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    if (textRole)
        Kit::setTextRole(label, textRole);
    return label;
}

} // namespace

EnvFileRow::EnvFileRow(const ProjectEnvFileInfo &file, bool isPrimary, QWidget *parent) : QWidget(parent)
{
    setObjectName(u"envFileRow"_s);
    setMinimumHeight(kMinimumHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    m_icon = new QLabel(this);
    m_icon->setFixedWidth(kIconColumn);
    m_icon->setAlignment(Qt::AlignCenter);
    row->addWidget(m_icon);
    updateIcon();

    auto *names = new QVBoxLayout;
    names->setSpacing(3);
    names->setAlignment(Qt::AlignVCenter);
    auto *nameLine = new QHBoxLayout;
    nameLine->setSpacing(8);
    nameLine->addWidget(makeLabel(u"fileName"_s, file.fileName, Kit::font(14, QFont::Medium), nullptr, this));
    if (isPrimary) {
        QLabel *badge = makeLabel(u"baseFileBadge"_s, L10n::text(u"env_detail_base_file_badge"_s),
                                  Kit::font(11, QFont::DemiBold), nullptr, this);
        badge->setContentsMargins(7, 3, 7, 3);
        Kit::setRole(badge, Kit::Role::kOutlined);
        nameLine->addWidget(badge);
    }
    nameLine->addStretch();
    names->addLayout(nameLine);
    names->addWidget(makeLabel(u"profileName"_s,
                               L10n::format(u"env_detail_profile_label"_s, {file.profileName}), Kit::font(12),
                               Kit::TextRole::kSecondary, this));
    row->addLayout(names, 1);

    auto *facts = new QVBoxLayout;
    facts->setSpacing(3);
    facts->setAlignment(Qt::AlignVCenter);
    QLabel *size =
        makeLabel(u"fileSize"_s, formatSize(file.sizeInBytes), Kit::font(12, QFont::Medium), nullptr, this);
    size->setAlignment(Qt::AlignRight);
    facts->addWidget(size);
    QLabel *date = makeLabel(u"fileDate"_s, formatModifiedDate(file.modifiedAt), Kit::font(12),
                             Kit::TextRole::kSecondary, this);
    date->setAlignment(Qt::AlignRight);
    facts->addWidget(date);
    row->addLayout(facts);
}

QString EnvFileRow::formatModifiedDate(const std::optional<Timestamp> &date)
{
    if (!date)
        return L10n::text(u"env_detail_unknown_modified_date"_s);
    return DateTexts::mediumDateTime(*date);
}

QString EnvFileRow::formatSize(qint64 sizeInBytes)
{
    return QLocale().formattedDataSize(sizeInBytes, 1, QLocale::DataSizeSIFormat);
}

void EnvFileRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcon();
}

void EnvFileRow::updateIcon()
{
    m_icon->setPixmap(
        Icons::pixmap(u"doc.text"_s, Palette::of(palette()).secondaryLabel, kIconSize, devicePixelRatioF()));
}

} // namespace devnook
