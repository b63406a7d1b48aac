#include "ClientColorPicker.h"

#include "FormBlocks.h"
#include "core/form/FormListEditing.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Palette.h"

#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kSwatchSize = 20;
constexpr int kCheckmarkSize = 11;

QColor toColor(FormListEditing::RGB rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

ColorSwatch::ColorSwatch(const QString &hex, QWidget *parent) : QAbstractButton(parent), m_hex(hex)
{
    setCursor(Qt::PointingHandCursor);
    setFixedSize(kSwatchSize, kSwatchSize);
}

void ColorSwatch::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::of(palette()).separator, 1));
    painter.setBrush(toColor(FormListEditing::clientFillColor(m_hex)));
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    if (!m_selected)
        return;
    const QPixmap mark = Icons::pixmap(u"checkmark"_s, toColor(FormListEditing::clientCheckmarkColor(m_hex)),
                                       kCheckmarkSize, devicePixelRatioF());
    const int offset = (kSwatchSize - kCheckmarkSize) / 2;
    painter.drawPixmap(offset, offset, mark);
}

ClientColorPicker::ClientColorPicker(ProjectFormController &form, QWidget *parent) : QWidget(parent)
{
    setObjectName(u"clientColorPicker"_s);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    QList<ColorSwatch *> swatches;
    for (const FormListEditing::ClientColor &color : FormListEditing::clientColorPalette()) {
        const QString hex = QString::fromLatin1(color.hex);
        auto *swatch = new ColorSwatch(hex, this);
        swatch->setObjectName(u"swatch-"_s + hex);
        swatch->setToolTip(L10n::text(QString::fromLatin1(color.nameKey)));
        swatch->setAccessibleName(swatch->toolTip());
        layout->addWidget(swatch);
        swatches.append(swatch);
        connect(swatch, &ColorSwatch::clicked, this, [&form, hex] {
            FormBlocks::editDraft(form, [&](DevProject &d) { d.clientColorHex = hex; });
        });
    }
    const auto mark = [&form, swatches] {
        // Exact text equality: a lower-case value marks no swatch.
        for (ColorSwatch *swatch : swatches)
            swatch->setSelected(swatch->hex() == form.draft().clientColorHex);
    };
    connect(&form, &ProjectFormController::draftChanged, this, mark);
    mark();
}

} // namespace devnook
