#include "ShellDoubles.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace devnook;

class ThemeTest : public QObject {
    Q_OBJECT

private:
    static ColorScheme appScheme() { return Palette::schemeOf(QApplication::palette()); }

private Q_SLOTS:
    void switchingThemeRecoloursInPlaceAndKeepsViewState()
    {
        test::SettingsRig rig;
        AppSettings &settings = rig.settings;
        settings.setTheme(AppTheme::light);
        ThemeApplier applier(settings);

        QWidget window;
        window.resize(300, 300);
        auto *layout = new QVBoxLayout(&window);
        auto *draft = new QLineEdit(&window);
        auto *card = new QFrame(&window);
        Kit::setRole(card, Kit::Role::kCard);
        card->setFixedHeight(60);
        auto *scroll = new QScrollArea(&window);
        scroll->setWidget(new QWidget);
        scroll->widget()->setFixedHeight(2000);
        layout->addWidget(draft);
        layout->addWidget(card);
        layout->addWidget(scroll);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::keyClicks(draft, u"half-typed name"_s);
        draft->setCursorPosition(4);
        scroll->verticalScrollBar()->setValue(700);
        const auto cardColour = [card] { return card->grab().toImage().pixelColor(30, 30); };
        QCOMPARE(cardColour(), Palette::forScheme(ColorScheme::light).groupedBackground);

        settings.setTheme(AppTheme::dark);
        QCOMPARE(Palette::schemeOf(window.palette()), ColorScheme::dark);
        QCOMPARE(cardColour(), Palette::forScheme(ColorScheme::dark).groupedBackground);
        QCOMPARE(draft->text(), u"half-typed name"_s);
        QCOMPARE(draft->cursorPosition(), 4);
        QCOMPARE(scroll->verticalScrollBar()->value(), 700);
        QCOMPARE(window.findChild<QLineEdit *>(), draft);

        // Under "System" the desktop's switch recolours too.
        settings.setTheme(AppTheme::system);
        QCOMPARE(appScheme(), ColorScheme::light);
        settings.systemAppearanceChanged(true);
        QCOMPARE(appScheme(), ColorScheme::dark);
        QCOMPARE(cardColour(), Palette::forScheme(ColorScheme::dark).groupedBackground);
    }
};

QTEST_MAIN(ThemeTest)
#include "ThemeTest.moc"
