// The seeded generator of the fuzz tests: splitmix64, small and fixed, the same sequence
// everywhere for a seed.
#ifndef KORVID_SEEDED_PRNG_H
#define KORVID_SEEDED_PRNG_H

#include <windows.h>

#include <cstdint>
#include <cstdlib>

class Prng {
public:
    explicit Prng(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // The generator of one round: rounds are numbered from 0 in a run of a seed, and each
    // draws from its own stream, so that any one can be replayed alone.
    static Prng OfRound(uint64_t seed, unsigned long round) { return Prng(Prng(seed).Next() + round); }
    DWORD Below(DWORD bound) { return bound ? (DWORD)(Next() % bound) : 0; }
    bool OneIn(DWORD n) { return Below(n) == 0; }

private:
    uint64_t state_;
};

// A number from the environment (decimal or 0x hex), or the fallback when it is not set.
inline unsigned long EnvNumber(const char *name, unsigned long fallback)
{
    const char *text = getenv(name);
    return text && *text ? strtoul(text, NULL, 0) : fallback;
}

#endif
