#pragma once
// Shared by the fuzz targets: reading structured choices out of the raw input,
// and a check that stops the run loudly (libFuzzer then keeps the input).
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s (%s)\n", __FILE__, __LINE__,      \
                         what, #cond);                                                             \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : d_(data), n_(size) {}

    bool empty() const { return pos_ >= n_; }
    size_t left() const { return n_ - pos_; }

    uint8_t byte() { return empty() ? 0 : d_[pos_++]; }
    uint16_t u16()
    {
        const uint16_t hi = byte();
        return uint16_t(hi << 8 | byte());
    }
    // A number in [0, bound).
    unsigned pick(unsigned bound) { return bound ? byte() % bound : 0; }

    // Up to max bytes, its length taken from the input first.
    QByteArray bytes(size_t max)
    {
        size_t len = byte();
        if (len > max)
            len = max;
        return take(len);
    }
    QByteArray take(size_t len)
    {
        if (len > left())
            len = left();
        QByteArray out(reinterpret_cast<const char *>(d_ + pos_), qsizetype(len));
        pos_ += len;
        return out;
    }
    QByteArray rest() { return take(left()); }

private:
    const uint8_t *d_;
    size_t n_;
    size_t pos_ = 0;
};
