// The floor of the start-up and memory figures: a bare Qt Widgets tray app
// built with Devnook's flags, holding what Devnook shows at launch at its
// least: a tray icon with a menu, and a frameless panel with a search field
// and a 500-row list, shown at launch and hidden by Escape.
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QStringListModel>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(4, 4, 14, 14, Qt::darkGreen);
    QMenu menu;
    menu.addAction(u"Open"_s);
    QObject::connect(menu.addAction(u"Quit"_s), &QAction::triggered, &app, &QApplication::quit);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setContextMenu(&menu);
    tray.show();

    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.setWindowTitle(u"Bare"_s);
    auto *column = new QVBoxLayout(&panel);
    column->addWidget(new QLineEdit(&panel));
    QStringList rows;
    for (int i = 0; i < 500; ++i)
        rows.append(u"Project %1"_s.arg(i));
    QStringListModel model(rows);
    auto *list = new QListView(&panel);
    list->setModel(&model);
    column->addWidget(list);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), &panel), &QShortcut::activated, &panel,
                     &QWidget::hide);
    panel.resize(420, 560);
    panel.show();
    panel.raise();
    panel.activateWindow();
    return app.exec();
}
