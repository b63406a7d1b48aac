#include "ShellDoubles.h"
#include "core/projects/InstallationIdentityService.h"
#include "support/PlainTextLabels.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Switch.h"
#include "ui/kit/ThemeApplier.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

class SettingsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::SettingsRig> m_rig;

    QWidget *openWindow()
    {
        m_rig->windows.show(SettingsDestination::top);
        return QTest::qWaitForWindowExposed(m_rig->windows.window()) ? m_rig->windows.window() : nullptr;
    }

    template <typename T> T *find(const QString &name)
    {
        return m_rig->windows.window()->findChild<T *>(name);
    }

private Q_SLOTS:
    void init() { m_rig = std::make_unique<test::SettingsRig>(); }
    void cleanup() { m_rig.reset(); }

    void oneWindowCentredScrolledToTopAndForgottenWhenClosed()
    {
        QWidget *first = openWindow();
        QVERIFY(first);
        QScrollBar *bar = find<QScrollArea>(u"settingsScroll"_s)->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        first->move(0, 0);
        m_rig->windows.show(SettingsDestination::top);
        QCOMPARE(m_rig->windows.window(), first);
        QCOMPARE(first->frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());
        QTRY_COMPARE(bar->value(), 0);

        first->close();
        QTRY_VERIFY(!m_rig->windows.window());
        QVERIFY(openWindow());
    }

    void controlsWriteTheSettingsAndAFailedSwitchSpringsBack()
    {
        QVERIFY(openWindow());
        auto *toggle = find<Switch>(u"launchAtLoginSwitch"_s);
        auto *error = find<QLabel>(u"settingsLastError"_s);
        QVERIFY(!error->isVisible());

        m_rig->loginItem.fail = true;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!toggle->isChecked());
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), u"The autostart folder is read-only"_s);

        m_rig->loginItem.fail = false;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QVERIFY(!error->isVisible());

        auto *picker = find<QComboBox>(u"themePicker"_s);
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(m_rig->defaults.stringValue(AppSettings::kThemeKey), u"light"_s);
        QTest::mouseClick(find<Switch>(u"idlePauseSwitch"_s), Qt::LeftButton);
        QVERIFY(m_rig->settings.pauseUsageTrackingWhenIdle());
        QTest::mouseClick(find<Switch>(u"analyticsSwitch"_s), Qt::LeftButton);
        QCOMPARE(m_rig->defaults.value(AppSettings::kAnalyticsKey), QVariant(false));
        QVERIFY(!find<QPushButton>(u"checkForUpdatesButton"_s)->isEnabled()); // no updater on Linux
    }

    void feedbackAndDiagnosticsCarryTheInstallationID()
    {
        QVERIFY(openWindow());
        const QString id = InstallationIdentityService::installationID(m_rig->defaults);
        QGuiApplication::clipboard()->setText(u"something else"_s);
        QTest::mouseClick(find<QPushButton>(u"copyDiagnosticsButton"_s), Qt::LeftButton);
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.startsWith(u"Devnook diagnostics\nVersion: "_s) && copied.contains(u"\nOS: "_s));
        QVERIFY(copied.endsWith(u"\nInstall ID: "_s + id));

        QTest::mouseClick(find<QPushButton>(u"requestFeatureButton"_s), Qt::LeftButton);
        QCOMPARE(m_rig->urls.opened.size(), 1);
        const QString body =
            QUrlQuery(m_rig->urls.opened.constFirst()).queryItemValue(u"body"_s, QUrl::FullyDecoded);
        QVERIFY(body.endsWith(u"\n\n\n---\n"_s + copied));

        // No mail client: the error line names the address, never the text,
        // and shows the description as it is, never as markup.
        m_rig->urls.failure = u"<b>xdg-open</b> could not be started"_s;
        QTest::mouseClick(find<QPushButton>(u"reportBugButton"_s), Qt::LeftButton);
        const QLabel *error = find<QLabel>(u"settingsLastError"_s);
        QVERIFY(error->isVisible());
        QVERIFY2(
            error->text().contains(u"mailto:support@devnook.app: <b>xdg-open</b> could not be started"_s) &&
                !error->text().contains(id) && !error->text().contains(u"subject"_s),
            qPrintable(error->text()));
        const QString problem = test::plainTextProblem(error->window(), m_rig->urls.failure);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void installationIDShowsWholeWhenFocused()
    {
        m_rig->defaults.setValue(InstallationIdentityService::kInstallationIDKey, u"X"_s.repeated(300));
        QVERIFY(openWindow());
        auto *field = find<QLineEdit>(u"installationIdField"_s);
        QVERIFY(field->text().contains(QChar(0x2026))); // shortened in the middle
        field->setFocus();
        QTRY_COMPARE(field->text(), u"X"_s.repeated(300));
    }

    void switchingThemeRecoloursInPlaceAndKeepsViewState()
    {
        AppSettings &settings = m_rig->settings;
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
        QCOMPARE(Palette::schemeOf(QApplication::palette()), ColorScheme::light);
        settings.systemAppearanceChanged(true);
        QCOMPARE(Palette::schemeOf(QApplication::palette()), ColorScheme::dark);
        QCOMPARE(cardColour(), Palette::forScheme(ColorScheme::dark).groupedBackground);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
