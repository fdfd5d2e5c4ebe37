// Where the files go: beside the executable, else in the user's configuration directory.
#include "config/ConfigDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ConfigDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        saved = qgetenv("XDG_CONFIG_HOME");
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    }
    void TearDown() override
    {
        if (had)
            qputenv("XDG_CONFIG_HOME", saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    bool had = false;
    QByteArray saved;
    QTemporaryDir home;
};

} // namespace

TEST_F(ConfigDirTest, WritableExecutableDirectoryIsUsed)
{
    QTemporaryDir exe;
    EXPECT_TRUE(DirIsWritable(exe.path()));
    EXPECT_EQ(ConfigDirFor(exe.path()), exe.path());
    EXPECT_TRUE(QDir(exe.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // probe cleaned up
    EXPECT_FALSE(QFileInfo::exists(home.filePath("dtu-config")));
}

TEST_F(ConfigDirTest, OtherwiseTheUserDirectoryIsCreatedAndUsed)
{
    QTemporaryDir exe;
    const QString plain = exe.filePath("plain");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (const QString &bad : {plain + "/bin", plain, exe.filePath("missing"), QString()}) {
        EXPECT_FALSE(DirIsWritable(bad)) << bad.toStdString();
        const QString dir = ConfigDirFor(bad);
        EXPECT_EQ(dir, home.filePath("dtu-config"));
        EXPECT_TRUE(QFileInfo(dir).isDir());
    }
}

TEST_F(ConfigDirTest, InstalledProgramUsesTheUserDirectoryEvenWhenRootCouldWriteThere)
{
    EXPECT_TRUE(IsSystemProgramDir("/usr/bin"));
    EXPECT_TRUE(IsSystemProgramDir("/usr/local/bin/"));
    EXPECT_FALSE(IsSystemProgramDir("/usrlocal/bin"));
    EXPECT_FALSE(IsSystemProgramDir("/home/me/dtu-config/build/app"));
    EXPECT_EQ(ConfigDirFor("/usr/bin"), home.filePath("dtu-config"));
}

TEST_F(ConfigDirTest, FilesBesideTheProgramSeedTheUserDirectoryOnce)
{
    QTemporaryDir exe, user;
    auto write = [](const QString &path, const QByteArray &b) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
    };
    auto read = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    ASSERT_TRUE(write(exe.filePath("a.ini"), "[System]\r\nLanguage=0\r\n"));
    ASSERT_TRUE(write(user.filePath("b.txt"), "mine"));
    ASSERT_TRUE(write(exe.filePath("b.txt"), "shipped"));
    SeedConfigFiles(exe.path(), user.path(), {"a.ini", "b.txt", "c.missing"});
    EXPECT_EQ(read(user.filePath("a.ini")), "[System]\r\nLanguage=0\r\n");
    EXPECT_EQ(read(user.filePath("b.txt")), "mine") << "a per-user file is never replaced";
    EXPECT_FALSE(QFileInfo::exists(user.filePath("c.missing")));
    // Later edits beside the program no longer matter.
    ASSERT_TRUE(write(exe.filePath("a.ini"), "changed"));
    SeedConfigFiles(exe.path(), user.path(), {"a.ini"});
    EXPECT_EQ(read(user.filePath("a.ini")), "[System]\r\nLanguage=0\r\n");
}

TEST_F(ConfigDirTest, AReadOnlyFileBesideTheProgramSeedsAWritableCopy)
{
    QTemporaryDir exe, user;
    QFile shipped(exe.filePath("a.ini"));
    ASSERT_TRUE(shipped.open(QIODevice::WriteOnly) && shipped.write("[System]\r\n") == 10);
    shipped.close();
    ASSERT_TRUE(shipped.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    SeedConfigFiles(exe.path(), user.path(), {"a.ini"});
    EXPECT_EQ(QFileInfo(user.filePath("a.ini")).size(), 10);
    EXPECT_TRUE(QFileInfo(user.filePath("a.ini")).permissions() & QFileDevice::WriteOwner);
}
