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
