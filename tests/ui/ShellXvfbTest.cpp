#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

// Runs the real application on the X server that xvfb-run started and drives
// it from outside with xdotool, as a user's desktop would.
class ShellXvfbTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<QProcess> m_app;

    std::unique_ptr<QProcess> launch() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"HOME"_s, m_home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
        env.insert(u"XDG_CACHE_HOME"_s, m_home.filePath(u"cache"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, m_home.filePath(u"runtime"_s));
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QStringLiteral(DEVNOOK_APP_PATH), {});
        return process;
    }

    // The tool's output, or nothing when it failed.
    static std::optional<QByteArray> xdotool(const QStringList &arguments)
    {
        QProcess tool;
        tool.start(u"xdotool"_s, arguments);
        if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return std::nullopt;
        return tool.readAllStandardOutput().trimmed();
    }

    static bool panelIsVisible()
    {
        return xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Devnook$"_s}).has_value();
    }

    static bool panelHasFocus() { return xdotool({u"getwindowfocus"_s, u"getwindowname"_s}) == "Devnook"; }

    // Escape hides the panel only while it has the keyboard.
    static bool pressEscapeInPanel()
    {
        return QTest::qWaitFor(panelHasFocus, 5000) && xdotool({u"key"_s, u"Escape"_s}) &&
               QTest::qWaitFor([] { return !panelIsVisible(); }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("Needs an X server; ctest runs this under xvfb-run");
        QVERIFY(m_home.isValid());
        QVERIFY(QDir().mkpath(m_home.filePath(u"runtime"_s)));
        QFile::setPermissions(m_home.filePath(u"runtime"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_app = launch();
        QVERIFY(m_app->waitForStarted(5000));
        QVERIFY(QTest::qWaitFor(panelIsVisible, 15000)); // open right after launch
    }

    void escapeHidesAndTheHotKeyShowsThePanel()
    {
        QVERIFY(pressEscapeInPanel());
        QVERIFY(xdotool({u"key"_s, u"ctrl+shift+l"_s}));
        QVERIFY(QTest::qWaitFor(panelIsVisible, 5000));
    }

    void secondLaunchShowsTheFirstsPanelAndExits()
    {
        QVERIFY(pressEscapeInPanel());
        const std::unique_ptr<QProcess> second = launch();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(QTest::qWaitFor(panelIsVisible, 5000));
        QCOMPARE(m_app->state(), QProcess::Running);
    }

    void terminationSignalQuitsCleanly()
    {
        m_app->terminate();
        QVERIFY(m_app->waitForFinished(10000));
        QCOMPARE(m_app->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_app->exitCode(), 0);
    }

    void cleanupTestCase()
    {
        if (m_app && m_app->state() != QProcess::NotRunning) {
            m_app->kill();
            m_app->waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(ShellXvfbTest)
#include "ShellXvfbTest.moc"
