#include "core/preview/DevicePreviewStoreHooks.h"
#include "support/PreviewRig.h"
#include "support/StoreDoubles.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Tooltip.h"
#include "ui/panel/StorePanelAdapter.h"
#include "ui/preview/DevicePreviewView.h"
#include "ui/preview/DevicePreviewWindowController.h"
#include "ui/preview/QRCodeRenderer.h"
#include "ui/preview/QRCodeTile.h"
#include "ui/preview/ReachabilityBadge.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace devnook;
using namespace devnook::test;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// The text zbarimg reads from an image, or why it read none.
QString scanned(const QImage &image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"code.png"_s);
    if (!image.save(path))
        return u"[not saved]"_s;
    QProcess zbar;
    zbar.start(u"zbarimg"_s, {u"--raw"_s, u"-q"_s, path});
    if (!zbar.waitForFinished(10000))
        return u"[zbarimg did not finish]"_s;
    return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}

bool isVisibleLabel(const QWidget *root, const QString &name, const QString &text)
{
    const auto *label = root->findChild<QLabel *>(name);
    return label && label->isVisibleTo(root->window()) && label->text() == text;
}

// The real window controller over the real proxy service and a store.
struct WindowsRig {
    ScriptedStore stored;
    ProjectStore &store = stored.open();
    PreviewRig preview;
    DevicePreviewWindowController windows{
        {store, preview.proxies, preview.probe, preview.clipboard, preview.urls}};

    // Stores the project, as only a project of the catalogue is published.
    bool add(const DevProject &project) { return store.save(project); }
};

// The windows that the store refreshes, reached once they are built over it.
class LaterWindows final : public DevicePreviewWindows {
public:
    void show(const DevProject &project) override { windows->show(project); }
    void refreshIfOpen(const DevProject &project) override { windows->refreshIfOpen(project); }
    DevicePreviewWindows *windows = nullptr;
};

// The code's rectangle in a grab of a tile: the box around its dark pixels;
// empty when some pixel is neither black nor white, which interpolation
// would leave.
QRect codeRect(const QImage &grab)
{
    QRect code;
    for (int y = 0; y < grab.height(); ++y) {
        for (int x = 0; x < grab.width(); ++x) {
            if (qGray(grab.pixel(x, y)) < 128)
                code |= QRect(x, y, 1, 1);
        }
    }
    for (int y = code.top(); y <= code.bottom(); ++y) {
        for (int x = code.left(); x <= code.right(); ++x) {
            const int grey = qGray(grab.pixel(x, y));
            if (grey != 0 && grey != 255)
                return {};
        }
    }
    return code;
}

} // namespace

class DevicePreviewWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(u"en_US"_s)); }

    void windowHeightFollowsTheTargets_data()
    {
        QTest::addColumn<int>("targets");
        QTest::addColumn<std::optional<int>>("screenHeight");
        QTest::addColumn<int>("height");
        QTest::newRow("none") << 0 << std::optional(1000) << 400;
        QTest::newRow("one") << 1 << std::optional(1000) << 400;
        QTest::newRow("two") << 2 << std::optional(1000) << 585;
        QTest::newRow("three") << 3 << std::optional(1000) << 770;
        QTest::newRow("four, at most 800") << 4 << std::optional(1000) << 800;
        QTest::newRow("a short screen") << 3 << std::optional(700) << 620;
        QTest::newRow("a short screen, one target") << 1 << std::optional(700) << 400;
        QTest::newRow("no screen") << 9 << std::optional<int>() << 800;
    }

    void windowHeightFollowsTheTargets()
    {
        QFETCH(int, targets);
        QFETCH(std::optional<int>, screenHeight);
        QFETCH(int, height);
        QCOMPARE(DevicePreviewWindowController::contentSize(targets, screenHeight), QSize(560, height));
    }

    // The codes of the window's rows, grabbed at the screen's pixel ratio
    // (the test also runs with QT_SCALE_FACTOR=2): stretched over 112 × 112
    // without blur on the 8 white around them, and read back.
    void qrCodesOfTheWindowScanBack_data()
    {
        QTest::addColumn<int>("urlLength");
        QTest::newRow("short LAN URL") << 0;
        QTest::newRow("330 characters") << 330;
    }

    void qrCodesOfTheWindowScanBack()
    {
        QFETCH(int, urlLength);
        if (QStandardPaths::findExecutable(u"zbarimg"_s).isEmpty())
            QSKIP("zbarimg (zbar-tools) is not installed");
        QApplication::setPalette(Palette::qtPalette(ColorScheme::light));
        WindowsRig rig;
        DevProject project = makeProject(u"Shop"_s);
        project.localhostURL = rig.preview.server->origin() + u'/';
        if (urlLength > 0)
            project.localhostURL += QString(urlLength - project.localhostURL.size(), u'p');
        QVERIFY(rig.add(project));
        rig.windows.show(project);
        QWidget *window = rig.windows.window(project.id);
        QCoro::waitFor(window->findChild<DevicePreviewView *>()->model().setActive(true));
        QTRY_VERIFY(window->findChild<QRCodeTile *>(u"qrCode"_s));
        auto *tile = window->findChild<QRCodeTile *>(u"qrCode"_s);
        const QString url = window->findChild<QTextEdit *>(u"candidateURL"_s)->toPlainText();
        if (urlLength > 0)
            QCOMPARE(url.size(), urlLength);

        const qreal ratio = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                : 1.0;
        QCOMPARE(tile->devicePixelRatioF(), ratio);
        const QImage grab = tile->grab().toImage();
        QCOMPARE(grab.size(), QSize(128, 128) * ratio);
        const int margin = qRound(8 * ratio);
        QCOMPARE(codeRect(grab), QRect(margin, margin, qRound(112 * ratio), qRound(112 * ratio)));
        QCOMPARE(scanned(grab), url);
        window->close();
    }

    void codeSizesAndTextsWithoutACode()
    {
        // Level M: 26 bytes fill a version-2 code (Q or H would need a larger
        // one), 27 need version 3 (L would still fit version 2).
        QCOMPARE(QRCodeRenderer::modules(QString(26, u'a')).width(), 25);
        QCOMPARE(QRCodeRenderer::modules(QString(27, u'a')).width(), 29);
        QVERIFY(QRCodeRenderer::modules(QString()).isNull());
        QVERIFY(QRCodeRenderer::modules(QString(4000, u'x')).isNull());
        // Under a pixel per module no camera reads the code: it is not drawn.
        // 857 bytes fill a code of 109 modules, 858 need 113.
        QVERIFY(QRCodeTile::fits(QRCodeRenderer::modules(QString(857, u'x'))));
        QVERIFY(!QRCodeTile::fits(QRCodeRenderer::modules(QString(858, u'x'))));
        QVERIFY(!QRCodeTile::fits(QImage()));
    }

    // A long local URL keeps to one line, cut in the middle; a long LAN URL wraps.
    void longAddressesStayReadable()
    {
        WindowsRig rig;
        DevProject project = makeProject(u"Shop"_s);
        const QString path = u"/catalogue"_s.repeated(12) + u"/end-of-path"_s;
        project.localhostURL = rig.preview.server->origin() + path;
        QVERIFY(rig.add(project));
        rig.windows.show(project);
        QWidget *window = rig.windows.window(project.id);
        QCoro::waitFor(window->findChild<DevicePreviewView *>()->model().setActive(true));
        QTRY_VERIFY(window->findChild<QTextEdit *>(u"candidateURL"_s));
        const auto *local = window->findChild<QLabel *>(u"targetLocalURL"_s);
        QTRY_VERIFY(local->text().contains(u'…'));
        QVERIFY(local->text().startsWith(u"http://127.0.0.1:"_s) && local->text().endsWith(u"end-of-path"_s));
        QVERIFY(!local->text().contains(u'\n'));
        const auto *lan = window->findChild<QTextEdit *>(u"candidateURL"_s);
        QVERIFY(lan->toPlainText().endsWith(path));
        QTRY_VERIFY(lan->height() > 2 * QFontMetrics(lan->font()).height());
        window->close();
    }

    // One window per project, sized by its targets, kept when shown again
    // and forgotten on close while the preview stays on.
    void oneWindowPerProject()
    {
        WindowsRig rig;
        DevProject project = makeProject(u"Shop"_s);
        project.localhostURL = rig.preview.server->origin();
        project.services = {{QUuid::createUuid(), u"api"_s, u"run"_s, u"http://localhost:9"_s}};
        QVERIFY(rig.add(project));

        rig.windows.refreshIfOpen(project);
        QVERIFY(!rig.windows.window(project.id));
        rig.windows.show(project);
        QWidget *window = rig.windows.window(project.id);
        QVERIFY(window);
        QCOMPARE(window->size(), QSize(560, 585));
        const QPoint placed = window->pos();
        auto *firstView = window->findChild<DevicePreviewView *>();

        // Shown again: the same window where it is, a fresh view, the size of now.
        project.name = u"Renamed"_s;
        project.services.clear();
        rig.windows.show(project);
        QCOMPARE(rig.windows.window(project.id), window);
        QCOMPARE(window->pos(), placed);
        QCOMPARE(window->windowTitle(), u"Device Preview - Shop"_s);
        QCOMPARE(window->findChildren<DevicePreviewView *>().size(), 1);
        QVERIFY(window->findChild<DevicePreviewView *>() != firstView);
        QCOMPARE(window->size(), QSize(560, 400));

        QCoro::waitFor(window->findChild<DevicePreviewView *>()->model().setActive(true));
        window->close();
        QTRY_VERIFY(!rig.windows.window(project.id));
        QVERIFY(rig.preview.proxies.activeProjectIDs().contains(project.id));
        rig.windows.refreshIfOpen(project);
        QVERIFY(!rig.windows.window(project.id));
    }

    // The whole road on loopback: the switch on, a badge that turns green,
    // the dev server stopped, a click on the badge that turns it red with
    // its guidance; the panel's adapter and the store's hook see it all.
    void switchOnCheckAndStopTheDevServer()
    {
        WindowsRig rig;
        DevicePreviewStoreHooks hooks(rig.preview.proxies, rig.windows);
        StorePanelAdapter panel(rig.store, rig.preview.proxies);
        QSignalSpy panelRepaints(&panel, &PanelStore::devicePreviewChanged);
        DevProject project = makeProject(u"Shop"_s);
        project.localhostURL = rig.preview.server->origin() + u"/page"_s;
        QVERIFY(rig.add(project));

        rig.windows.show(project);
        QWidget *window = rig.windows.window(project.id);
        QVERIFY(isVisibleLabel(window, u"emptyStateTitle"_s, u"Device preview is off"_s));
        auto *toggle = window->findChild<Switch *>(u"previewSwitch"_s);
        QVERIFY(toggle->isEnabled() && !toggle->isChecked());
        QVERIFY(!window->findChild<QWidget *>(u"recheckButton"_s)->isEnabled());

        QTest::mouseClick(toggle, Qt::LeftButton);
        QTRY_VERIFY(window->findChild<ReachabilityBadge *>());
        auto *badge = window->findChild<ReachabilityBadge *>();
        QTRY_COMPARE(badge->text(), u"Available"_s);
        QVERIFY(panel.isDevicePreviewActive(project.id));
        QTRY_COMPARE(panel.devicePreviewHealth(project.id),
                     std::optional(DevicePreviewHealthSummary::result(1, 1)));
        QVERIFY(!panelRepaints.isEmpty());
        QVERIFY(window->findChild<QLabel *>(u"lastChecked"_s)->isVisibleTo(window));
        QVERIFY(!window->findChild<QWidget *>(u"guidance"_s)->isVisibleTo(window));

        rig.preview.server.reset();
        QTest::mouseClick(badge, Qt::LeftButton);
        QTRY_COMPARE(badge->text(), u"Unavailable"_s);
        QVERIFY(isVisibleLabel(window, u"failureGuidance"_s,
                               u"Start the project's dev server, then check again."_s));
        QCOMPARE(badge->badge().tooltip, u"The local dev server refused the connection."_s);
        QTRY_COMPARE(panel.devicePreviewHealth(project.id),
                     std::optional(DevicePreviewHealthSummary::result(0, 1)));

        // The store's refresh rebuilds the open window's view.
        const DevicePreviewView *before = window->findChild<DevicePreviewView *>();
        hooks.refreshIfOpen(project);
        QVERIFY(window->findChild<DevicePreviewView *>() != before);

        QTRY_VERIFY(window->findChild<Switch *>(u"previewSwitch"_s)->isVisible());
        QTest::mouseClick(window->findChild<Switch *>(u"previewSwitch"_s), Qt::LeftButton);
        QTRY_VERIFY(isVisibleLabel(window, u"emptyStateTitle"_s, u"Device preview is off"_s));
        QVERIFY(!panel.isDevicePreviewActive(project.id) && !panel.devicePreviewHealth(project.id));
        window->close();
    }

    void aProjectWithoutURLsCannotBeSwitchedOn()
    {
        WindowsRig rig;
        const DevProject project = makeProject(u"Static"_s);
        rig.windows.show(project);
        QWidget *window = rig.windows.window(project.id);
        auto *toggle = window->findChild<Switch *>(u"previewSwitch"_s);
        QVERIFY(!toggle->isEnabled());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(rig.preview.proxies.activeProjectIDs().isEmpty());
        QVERIFY(window->findChild<QWidget *>(u"device_preview_network_note"_s)->isVisibleTo(window));
        QVERIFY(window->findChild<QWidget *>(u"device_preview_security_note"_s)->isVisibleTo(window));

        // The switch says why, whole: the bubble wraps within the window.
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(toggle, &enter);
        const TooltipRoot *root = TooltipRoot::of(toggle);
        QTRY_VERIFY(root->activePayload().has_value());
        const QString reason = root->activePayload()->text;
        QCOMPARE(reason, u"Add a localhost URL to the project, one of its services or a linked preview URL "
                         u"to share it."_s);
        const QRectF text = root->bubbleRect().adjusted(6, 6, -6, -6);
        QVERIFY(text.contains(QFontMetricsF(Kit::font(12, QFont::Medium))
                                  .boundingRect(text, Qt::AlignCenter | Qt::TextWordWrap, reason)));
        window->close();
    }

    // Deleting the project closes its window and switches its preview off;
    // a window still asked for afterwards cannot switch it on again.
    void deletingTheProjectClosesItsWindow()
    {
        PreviewRig preview;
        LaterWindows later;
        DevicePreviewStoreHooks hooks(preview.proxies, later);
        ScriptedStore stored;
        stored.previewHooks = &hooks;
        DevProject project = makeProject(u"Shop"_s);
        project.localhostURL = preview.server->origin();
        ProjectStore &store = stored.open({project});
        DevicePreviewWindowController windows{
            {store, preview.proxies, preview.probe, preview.clipboard, preview.urls}};
        later.windows = &windows;

        windows.show(project);
        QPointer<QWidget> window = windows.window(project.id);
        QTest::mouseClick(window->findChild<Switch *>(u"previewSwitch"_s), Qt::LeftButton);
        QTRY_VERIFY(window->findChild<ReachabilityBadge *>());
        QVERIFY(preview.proxies.activeProjectIDs().contains(project.id));

        store.deleteProject(project);
        QVERIFY(preview.proxies.activeProjectIDs().isEmpty());
        QVERIFY(!window->isVisible());
        QTRY_VERIFY(!window);
        QVERIFY(!windows.window(project.id));

        // A request that still holds the deleted project.
        windows.show(project);
        window = windows.window(project.id);
        auto *toggle = window->findChild<Switch *>(u"previewSwitch"_s);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(preview.proxies.activeProjectIDs().isEmpty());
        QVERIFY(isVisibleLabel(window, u"emptyStateTitle"_s, u"Device preview is off"_s));
        window->close();
    }
};

QTEST_MAIN(DevicePreviewWindowTest)
#include "DevicePreviewWindowTest.moc"
