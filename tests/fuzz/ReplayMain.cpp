// Runs a fuzz target without libFuzzer (any compiler): every file of the seed
// corpus, then a fixed number of pseudo-random mutations of them, so the
// ordinary sanitizer build keeps the targets compiling and their checks true.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

// As in the test mains: allocations system libraries keep for the life of the process.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libglib-2.0\nleak:libdbus-1\nleak:libX11\nleak:libxcb\n";
}

namespace {

// The input being run, kept where the abort handler can write it out.
QByteArray g_current;

void saveInput(int sig)
{
    const int fd = ::open("fuzz-failure.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] auto n = ::write(fd, g_current.constData(), size_t(g_current.size()));
        ::close(fd);
        static const char msg[] = "failing input written to fuzz-failure.bin\n";
        [[maybe_unused]] auto m = ::write(2, msg, sizeof msg - 1);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void runOne(const QByteArray &input)
{
    g_current = input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int mutations = 2000;
    std::vector<QByteArray> seeds;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--mutations=")) {
            mutations = arg.mid(12).toInt();
            continue;
        }
        QDirIterator it(QString::fromLocal8Bit(arg), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                seeds.push_back(f.readAll());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed files found\n");
        return 2;
    }
    std::signal(SIGABRT, saveInput);
    for (const QByteArray &s : seeds)
        runOne(s);

    std::mt19937 rng(17);
    for (int i = 0; i < mutations; ++i) {
        QByteArray m = seeds[rng() % seeds.size()];
        const int edits = 1 + int(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const unsigned kind = rng() % 4;
            const qsizetype at = m.isEmpty() ? 0 : qsizetype(rng() % size_t(m.size()));
            if (kind == 0 && !m.isEmpty())
                m[at] = char(rng());
            else if (kind == 1)
                m.insert(at, char(rng()));
            else if (kind == 2 && !m.isEmpty())
                m.remove(at, 1 + qsizetype(rng() % 4));
            else
                m.insert(at, seeds[rng() % seeds.size()].left(qsizetype(rng() % 64)));
        }
        runOne(m);
    }
    std::printf("%zu seeds and %d mutations passed\n", seeds.size(), mutations);
    return 0;
}
