#include "app/RunOnce.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

const char *RunOnceMarker::name()
{
    // POSIX shared-memory names start with one slash.
    return "/{E8EFD6DE-BC7A-4FE1-90CC-EB9EB52A7A11}";
}

RunOnceMarker::RunOnceMarker(const char *name) : m_name(name)
{
    m_fd = shm_open(m_name, O_RDWR, 0600);
    if (m_fd < 0) {
        m_fd = shm_open(m_name, O_RDWR | O_CREAT | O_EXCL, 0600);
        if (m_fd < 0)
            m_fd = shm_open(m_name, O_RDWR, 0600); // lost a race with another start
        else
            m_created = true;
        if (m_fd >= 0 && m_created && ftruncate(m_fd, sizeof(uint32_t)) != 0) {
            close(m_fd);
            m_fd = -1;
            return;
        }
    }
    if (m_fd < 0)
        return;
    void *v = mmap(nullptr, sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (v == MAP_FAILED) {
        close(m_fd);
        m_fd = -1;
        return;
    }
    m_view = v;
    if (m_created)
        *static_cast<volatile uint32_t *>(m_view) = 0;
}

RunOnceMarker::~RunOnceMarker()
{
    if (m_view)
        munmap(m_view, sizeof(uint32_t));
    if (m_fd >= 0)
        close(m_fd);
    // The creator removes the name so that no stale object outlives the
    // last run; a later instance that still maps it keeps its view.
    if (m_created)
        shm_unlink(m_name);
}
