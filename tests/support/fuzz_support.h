// What the fuzz tests share: the seeded generator (splitmix64, small and fixed, the same sequence
// everywhere for a seed), their numbers from the environment and their counts.
#ifndef KORVID_FUZZ_SUPPORT_H
#define KORVID_FUZZ_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

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

// Every count a run prints, by name, in name order.
typedef std::map<std::string, unsigned long> FuzzCounts;

// "<what>: N <units> in T s, R per second", then every count; bench/fuzz.sh reads these lines.
inline void PrintFuzzCounts(const char *what, const char *units, const FuzzCounts &counts,
                            DWORD elapsedMs)
{
    unsigned long iterations = counts.count("iterations") ? counts.at("iterations") : 0;
    printf("%s: %lu %s in %.1f s, %.1f per second\n", what, iterations, units, elapsedMs / 1000.0,
           elapsedMs ? iterations * 1000.0 / elapsedMs : 0.0);
    for (const auto &count : counts)
        printf("  %-34s %lu\n", count.first.c_str(), count.second);
    fflush(stdout);
}

#endif
