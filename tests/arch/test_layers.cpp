// The layers of the architecture document hold in the code: every #include "dir/..." of a
// product folder names its own folder or one the table lets it include.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using Layers = QMap<QString, QStringList>; // folder -> folders it may include

// Rows of the form "| `folder/` | ... | `a/`, `b/` |" (or "nothing of ours").
Layers parseTable(const QString &doc)
{
    static const QRegularExpression row(QStringLiteral("^\\| `([a-z/-]+/)` \\|.*\\|([^|]*)\\|\\s*$"));
    static const QRegularExpression folder(QStringLiteral("`([a-z/-]+/)`"));
    Layers out;
    for (const QString &line : doc.split(QLatin1Char('\n'))) {
        const auto m = row.match(line);
        if (!m.hasMatch())
            continue;
        QStringList allowed;
        for (auto it = folder.globalMatch(m.captured(2)); it.hasNext();)
            allowed << it.next().captured(1);
        out.insert(m.captured(1), allowed);
    }
    return out;
}

// The table's folder that holds a path (the longest prefix), or empty.
QString folderOf(const Layers &layers, const QString &path)
{
    QString best;
    for (const QString &f : layers.keys())
        if (path.startsWith(f) && f.size() > best.size())
            best = f;
    return best;
}

// "file:line: text" for every include that breaks the table.
QStringList violations(const Layers &layers, const QString &file, const QString &source)
{
    static const QRegularExpression inc(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""));
    const QString own = folderOf(layers, file);
    QStringList out;
    const QStringList lines = source.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const auto m = inc.match(lines[n]);
        if (!m.hasMatch() || !m.captured(1).contains(QLatin1Char('/')))
            continue; // a header beside the file (generated ones among them)
        const QString target = folderOf(layers, m.captured(1));
        if (target != own && !layers.value(own).contains(target))
            out << QStringLiteral("%1:%2: %3").arg(file).arg(n + 1).arg(lines[n].trimmed());
    }
    return out;
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(Layers, EveryIncludeFollowsTheTable)
{
    const QDir root(QStringLiteral(DTU_SOURCE_DIR));
    const Layers layers = parseTable(readText(root.filePath("docs/ARCHITECTURE.md")));
    ASSERT_GE(layers.size(), 9) << "the layer table of docs/ARCHITECTURE.md was not found";
    QStringList broken;
    int files = 0;
    for (const QString &folder : layers.keys()) {
        QDirIterator it(root.filePath(folder), {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString rel = root.relativeFilePath(it.next());
            if (folderOf(layers, rel) != folder)
                continue; // a nested folder with a row of its own
            broken += violations(layers, rel, readText(root.filePath(rel)));
            ++files;
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_TRUE(broken.isEmpty()) << broken.join(QLatin1Char('\n')).toStdString();
}

TEST(Layers, AnIncludeAgainstTheTableIsFound)
{
    const Layers layers = parseTable(QStringLiteral("| `util/` | x | y | nothing of ours |\n"
                                                    "| `comm/` | x | y | `util/` |\n"));
    ASSERT_EQ(layers.size(), 2);
    const QString source = QStringLiteral("#include \"util/Gbk.h\"\n#include \"comm/SPComm.h\"\n#include \"local.h\"\n");
    EXPECT_TRUE(violations(layers, "comm/PortList.cpp", source).isEmpty());
    EXPECT_EQ(violations(layers, "util/Gbk.cpp", source), QStringList{"util/Gbk.cpp:2: #include \"comm/SPComm.h\""});
}
