#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace devnook::test {

// Empty when some label under root shows the text and every such label shows
// it as plain text; otherwise what is wrong. A label left to guess its format
// renders a user's "<i>Shop</i>" in italics.
inline QString plainTextProblem(const QWidget *root, const QString &text)
{
    int showing = 0;
    for (const QLabel *label : root->findChildren<QLabel *>()) {
        if (!label->text().contains(text))
            continue;
        ++showing;
        if (label->textFormat() != Qt::PlainText)
            return QStringLiteral("the label \"%1\" may show \"%2\" as markup")
                .arg(label->objectName(), text);
    }
    return showing > 0 ? QString() : QStringLiteral("no label shows \"%1\"").arg(text);
}

} // namespace devnook::test
