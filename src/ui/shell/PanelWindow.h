#pragma once

#include <QWidget>
#include <optional>

class QToolButton;

namespace devnook {

// The floating panel: a frameless, always-on-top tool window with its own
// close button, moved by dragging its background and resized at its edges.
class PanelWindow final : public QWidget {
    Q_OBJECT

public:
    explicit PanelWindow(QWidget *parent = nullptr);

    // Puts the root view into the panel, under the close button.
    void setContent(QWidget *content);

    // Whether a drag on the background moves the panel.
    void setMovableByBackground(bool movable) { m_movableByBackground = movable; }

    // The user pressed a resize edge: the window manager resizes from here.
    void startUserResize(Qt::Edges edges);

    // Sets the frame for the owner; the sizes that follow are not the
    // user's, even when the window manager reports them late.
    void setFrame(const QRect &frame);

Q_SIGNALS:
    // Emitted when the close button is pressed or the window asked to close;
    // the panel is never really closed, only hidden by its owner.
    void hideRequested();
    // Emitted after a change of size that follows the user's press on a
    // resize edge, until the owner sets the frame or the panel hides.
    void resizedByUser(const QSize &size);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void layoutChrome();
    void updateCloseIcon();

    QWidget *m_content = nullptr;
    QToolButton *m_closeButton = nullptr;
    QList<QWidget *> m_edgeHandles;
    bool m_movableByBackground = true;
    bool m_isUserResizing = false;
    // Set while the window manager offers no move and the panel follows the
    // pointer itself.
    std::optional<QPoint> m_dragOffset;
};

} // namespace devnook
