// The desktop integration as `cmake --install` lays it out: every file under the one id, icons
// of the right pixel sizes, and the desktop file and metainfo passing the freedesktop validators.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kAppId = QStringLiteral(QUILBO_APP_ID);

struct Outcome {
    int exitCode = -1;
    QString output;
};

// Runs a program with a bound on its run time; a program that cannot start or hangs fails.
Outcome run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForStarted(10000)) {
        outcome.output = program + QStringLiteral(" did not start");
        return outcome;
    }
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        outcome.output = program + QStringLiteral(" did not finish");
        return outcome;
    }
    outcome.output = QString::fromUtf8(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
    }
    return outcome;
}

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// Installs the desktop component into a fresh folder laid out like a system root (<root>/usr).
class DesktopFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        const Outcome install = run(QStringLiteral(QUILBO_CMAKE_COMMAND),
                                    {QStringLiteral("--install"), QStringLiteral(QUILBO_BINARY_DIR),
                                     QStringLiteral("--prefix"), usr(),
                                     QStringLiteral("--component"), QStringLiteral("desktop")});
        ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    }

    QString usr() const { return m_root.filePath(QStringLiteral("usr")); }
    QString share(const QString& path) const { return usr() + QStringLiteral("/share/") + path; }

    QTemporaryDir m_root;
};

TEST_F(DesktopFilesTest, InstallsEveryFileUnderTheOneId) {
    const QString desktop = readText(share(QStringLiteral("applications/%1.desktop").arg(kAppId)));
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nIcon=%1\n").arg(kAppId)))
        << desktop.toStdString();
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nExec=quilbo\n")));

    const QString metainfo =
        readText(share(QStringLiteral("metainfo/%1.metainfo.xml").arg(kAppId)));
    EXPECT_TRUE(metainfo.contains(QStringLiteral("<id>%1</id>").arg(kAppId)));
    EXPECT_TRUE(metainfo.contains(
        QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(kAppId)));
    EXPECT_FALSE(metainfo.contains(QLatin1Char('@'))) << "a setting was left unfilled";

    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QString icon =
            share(QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId));
        QImageReader reader(icon);
        EXPECT_EQ(reader.format(), QByteArray("png"));
        EXPECT_EQ(reader.size(), QSize(size, size));
    }
    const QString svg =
        readText(share(QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(kAppId)));
    EXPECT_TRUE(svg.contains(QStringLiteral("<svg")));
}

TEST_F(DesktopFilesTest, PassesTheFreedesktopValidators) {
    const Outcome check = run(QStringLiteral("desktop-file-validate"),
                              {share(QStringLiteral("applications/%1.desktop").arg(kAppId))});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    EXPECT_FALSE(check.output.contains(QStringLiteral("error"), Qt::CaseInsensitive))
        << check.output.toStdString();
    EXPECT_FALSE(check.output.contains(QStringLiteral("warning"), Qt::CaseInsensitive))
        << check.output.toStdString();

    const Outcome file = run(QStringLiteral("appstreamcli"),
                             {QStringLiteral("validate"), QStringLiteral("--no-net"),
                              share(QStringLiteral("metainfo/%1.metainfo.xml").arg(kAppId))});
    EXPECT_EQ(file.exitCode, 0) << file.output.toStdString();

    // The whole tree: the metainfo's launchable must match the installed desktop file and icon.
    const Outcome tree =
        run(QStringLiteral("appstreamcli"),
            {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), m_root.path()});
    EXPECT_EQ(tree.exitCode, 0) << tree.output.toStdString();
    EXPECT_FALSE(tree.output.contains(QStringLiteral("W: "))) << tree.output.toStdString();
}

}  // namespace
