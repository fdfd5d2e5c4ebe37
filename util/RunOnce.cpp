#include "util/RunOnce.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

const char *RunOnceMarker::name()
{
    // POSIX shared-memory names start with one slash.
    return "/{E8EFD6DE-BC7A-4FE1-90CC-EB9EB52A7A11}";
}

namespace {

// Whether fd is still the object the name stands for (not one unlinked meanwhile).
bool isNamedObject(const char *name, int fd)
{
    const int again = shm_open(name, O_RDONLY, 0);
    if (again < 0)
        return false;
    struct stat a {}, b {};
    const bool same = fstat(fd, &a) == 0 && fstat(again, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    close(again);
    return same;
}

} // namespace

RunOnceMarker::RunOnceMarker(const char *name) : m_name(name)
{
    // Every instance holds a shared lock on the marker; the last one to leave
    // finds no other lock and removes the name.
    for (int attempt = 0; attempt < 5 && m_fd < 0; ++attempt) {
        m_created = false;
        int fd = shm_open(m_name, O_RDWR, 0600);
        if (fd < 0) {
            fd = shm_open(m_name, O_RDWR | O_CREAT | O_EXCL, 0600);
            if (fd < 0)
                continue; // lost a race with another start
            m_created = true;
            if (ftruncate(fd, sizeof(uint32_t)) != 0) {
                close(fd);
                shm_unlink(m_name);
                return;
            }
        }
        if (flock(fd, LOCK_SH) != 0 || !isNamedObject(m_name, fd)) {
            close(fd); // the last instance removed it while we came up: start over
            continue;
        }
        m_fd = fd;
    }
    if (m_fd < 0)
        return;
    void *v = mmap(nullptr, sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (v == MAP_FAILED) {
        release();
        return;
    }
    m_view = v;
    if (m_created)
        *static_cast<volatile uint32_t *>(m_view) = 0;
}

void RunOnceMarker::release()
{
    if (m_fd < 0)
        return;
    if (flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        shm_unlink(m_name); // no other instance holds it
    close(m_fd);
    m_fd = -1;
}

RunOnceMarker::~RunOnceMarker()
{
    if (m_view)
        munmap(m_view, sizeof(uint32_t));
    release();
}
