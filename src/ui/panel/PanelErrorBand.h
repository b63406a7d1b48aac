#pragma once

#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;

namespace devnook {

// The band under the panel's header that tells what went wrong: the whole
// text, wrapped, in the caption font and the error colour, with each line of
// the text on lines of its own. The text can be selected and copied (a path
// to a copy set aside, say). Its close button dismisses it.
class PanelErrorBand final : public QWidget {
    Q_OBJECT

public:
    explicit PanelErrorBand(QWidget *parent = nullptr);

    // Shows the text, as plain text; hides the band when there is none.
    void setText(const std::optional<QString> &text);

Q_SIGNALS:
    // Emitted when the user closes the band.
    void dismissed();

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateSymbol();

    QLabel *m_line = nullptr;
    QToolButton *m_dismiss = nullptr;
};

} // namespace devnook
