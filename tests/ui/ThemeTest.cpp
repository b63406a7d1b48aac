#include "core/foundation/KeyValueStore.h"
#include "core/projects/AppSettings.h"
#include "platform/null/NullAnalyticsService.h"
#include "platform/null/NullLoginItemService.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/ThemeApplier.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace devnook;

class ThemeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void switchingThemeRecoloursInPlaceAndKeepsViewState()
    {
        MemoryKeyValueStore defaults;
        NullLoginItemService loginItem;
        NullAnalyticsService analytics;
        AppSettings settings(defaults, loginItem, analytics);
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
        auto *tall = new QWidget;
        tall->setFixedHeight(2000);
        scroll->setWidget(tall);
        layout->addWidget(draft);
        layout->addWidget(card);
        layout->addWidget(scroll);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::keyClicks(draft, u"half-typed name"_s);
        draft->setCursorPosition(4);
        scroll->verticalScrollBar()->setValue(700);
        QCOMPARE(card->grab().toImage().pixelColor(30, 30), QColor(242, 242, 242));

        settings.setTheme(AppTheme::dark);
        QCOMPARE(Palette::schemeOf(window.palette()), ColorScheme::dark);
        QCOMPARE(card->grab().toImage().pixelColor(30, 30), QColor(44, 44, 46));
        QCOMPARE(draft->text(), u"half-typed name"_s);
        QCOMPARE(draft->cursorPosition(), 4);
        QCOMPARE(scroll->verticalScrollBar()->value(), 700);
        QCOMPARE(window.findChild<QLineEdit *>(), draft);
    }

    void systemSwitchOnlyMattersUnderTheSystemTheme()
    {
        MemoryKeyValueStore defaults;
        NullLoginItemService loginItem;
        NullAnalyticsService analytics;
        AppSettings settings(defaults, loginItem, analytics, false);
        ThemeApplier applier(settings);
        QCOMPARE(Palette::schemeOf(QApplication::palette()), ColorScheme::light);

        settings.systemAppearanceChanged(true);
        QCOMPARE(Palette::schemeOf(QApplication::palette()), ColorScheme::dark);

        settings.setTheme(AppTheme::light);
        QSignalSpy changes(&settings, &AppSettings::themeDidChange);
        settings.systemAppearanceChanged(false);
        settings.systemAppearanceChanged(true);
        QVERIFY(changes.isEmpty());
        QCOMPARE(Palette::schemeOf(QApplication::palette()), ColorScheme::light);
    }

    void paletteTablesDifferWhereTheyMust()
    {
        const ThemePalette &light = Palette::forScheme(ColorScheme::light);
        const ThemePalette &dark = Palette::forScheme(ColorScheme::dark);
        QCOMPARE(light.groupedBackground, QColor(242, 242, 242));
        QCOMPARE(dark.groupedBackground, QColor(44, 44, 46));
        QCOMPARE(qRound(dark.chartGridLine.alphaF() * 100), 55);
        QCOMPARE(qRound(light.chartGridLine.alphaF() * 100), 70);
        // Each table is recognised from the Qt palette made from it.
        QCOMPARE(Palette::schemeOf(Palette::qtPalette(ColorScheme::dark)), ColorScheme::dark);
        QCOMPARE(Palette::schemeOf(Palette::qtPalette(ColorScheme::light)), ColorScheme::light);
    }
};

QTEST_MAIN(ThemeTest)
#include "ThemeTest.moc"
