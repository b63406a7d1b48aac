#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QUuid>
#include <functional>

class QVBoxLayout;

namespace devnook {

class ProjectFormController;
class Switch;
struct DevProject;

// How strongly a symbol or text stands out.
enum class Tone { label, secondary, tertiary };

// A symbol drawn in a tone of the current theme, redrawn when the theme changes.
class SymbolLabel : public QLabel {
    Q_OBJECT

public:
    SymbolLabel(const QString &symbolName, int size, Tone tone, QWidget *parent = nullptr);

    // Turns the symbol about its centre, in degrees.
    void setRotation(int degrees);

protected:
    void changeEvent(QEvent *event) override;

private:
    void redraw();

    QString m_symbolName;
    int m_size;
    Tone m_tone;
    int m_rotation = 0;
};

// A plain or outlined button with a symbol in a tone of the current theme.
class SymbolButton final : public QPushButton {
    Q_OBJECT

public:
    SymbolButton(const QString &symbolName, int symbolSize, Tone tone, const QString &text = {},
                 QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void redraw();

    QString m_symbolName;
    int m_symbolSize;
    Tone m_tone;
};

// A borderless one-line field inside a form row. Unfocused, a text too wide
// for it loses characters in its middle so that both ends stay visible.
class InlineField final : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A rounded box on the grouped background that stacks rows and draws a
// divider, inset 10 points, under every row but the last (and rows marked
// with setDrawsNoDivider).
class FormGroup : public QFrame {
    Q_OBJECT

public:
    explicit FormGroup(QWidget *parent = nullptr);

    QVBoxLayout *rows() const { return m_rows; }
    // Marks a row that draws no divider under itself.
    static void setDrawsNoDivider(QWidget *row);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *m_rows;
};

// A labelled row: a title column of fixed width, the content against the
// right edge; at least 42 points high.
class FormRow final : public QWidget {
    Q_OBJECT

public:
    // The title column is the form's usual width.
    FormRow(const QString &title, QWidget *content, QWidget *parent = nullptr);
    FormRow(const QString &title, int titleWidth, QWidget *content, QWidget *parent = nullptr);
};

// A row with a title, a wrapping description and a switch.
class FormToggleRow final : public QWidget {
    Q_OBJECT

public:
    FormToggleRow(const QString &title, const QString &description, QWidget *parent = nullptr);

    Switch *toggle() const { return m_switch; }

private:
    Switch *m_switch;
};

namespace FormBlocks {

inline constexpr int kTitleWidth = 104;

// The title column's width that shows each of the titles whole, and never
// less than kTitleWidth: the column is sized for the design's font, and
// another font or language can need more.
int titleColumnWidth(const QStringList &titles);

// The ids of a list's records, in order.
template <typename Record> QList<QUuid> idsOf(const QList<Record> &records)
{
    QList<QUuid> ids;
    for (const Record &record : records)
        ids.append(record.id);
    return ids;
}

// Changes the draft in one step.
void editDraft(ProjectFormController &form, const std::function<void(DevProject &)> &change);

// Keeps a field and a text of the draft in step: typing writes the draft at
// once, and a change of the draft from elsewhere shows in the field.
void bindText(QLineEdit *field, ProjectFormController &form, std::function<QString(const DevProject &)> read,
              std::function<void(DevProject &, const QString &)> write);

// A borderless one-line field, text against the right edge.
QLineEdit *makeInlineField(const QString &placeholder, QWidget *parent);
// A borderless one-line field of a fixed width, text against the left edge.
QLineEdit *makeNameField(const QString &placeholder, int width, QWidget *parent);
// A wrapping hint in the secondary tone, 12 points.
QLabel *makeHint(const QString &text, QWidget *parent);
// The outlined "plus" button that adds a row to a list, 34 points high.
QPushButton *makeAddButton(const QString &text, QWidget *parent);
// The trash button that deletes a row, 24 by 28 points.
QPushButton *makeDeleteButton(QWidget *parent);
// A heading of a symbol and a title, 15 points semibold.
QWidget *makeHeading(const QString &symbolName, const QString &title, QWidget *parent);

} // namespace FormBlocks

} // namespace devnook
