#pragma once
// Instance marker: a named shared-memory block of one 32-bit value that exists
// for as long as any instance runs. Nothing reads it; failures are silent.
class RunOnceMarker {
public:
    explicit RunOnceMarker(const char *name = RunOnceMarker::name());
    ~RunOnceMarker();
    RunOnceMarker(const RunOnceMarker &) = delete;
    RunOnceMarker &operator=(const RunOnceMarker &) = delete;

    bool held() const { return m_view != nullptr; }
    bool createdHere() const { return m_created; }
    static const char *name();

private:
    void release();

    const char *m_name;
    int m_fd = -1;
    void *m_view = nullptr;
    bool m_created = false;
};
