// Deterministic damage for reader tests: a fixed seed, then bytes flipped,
// inserted, deleted, duplicated and cut, or replaced by pure noise. The
// iteration count can be raised with VD_HOSTILE_SCALE for long local hunts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace vd::test {

inline int HostileIterations(int base) {
    const char* s = std::getenv("VD_HOSTILE_SCALE");
    long scale = s ? std::strtol(s, nullptr, 10) : 1;
    if (scale < 1) scale = 1;
    return static_cast<int>(base * scale);
}

class ByteMutator {
public:
    explicit ByteMutator(uint32_t seed, std::vector<std::string> tokens = {})
        : rng_(seed), tokens_(std::move(tokens)) {
        for (const char* t : {",", "\"", "\r\n", "\n", "\r", " ", "\t", "-", ".", "E", "D", "&H", "&O",
                              "1E39", "-1E39", "1e-50", "99999999999999999999", "32768", "-1", "0"})
            tokens_.emplace_back(t);
        tokens_.emplace_back(std::string(1, '\0'));
        tokens_.emplace_back(std::string(1, '\x1A'));
        tokens_.emplace_back(std::string(1, '\xB3'));
        tokens_.emplace_back(std::string(1, '\xFF'));
    }

    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }
    char byte() { return static_cast<char>(below(256)); }

    // A few damage steps on a copy of s.
    std::string mutate(const std::string& s) {
        std::string out = s;
        int steps = 1 + static_cast<int>(below(4));
        for (int k = 0; k < steps; ++k) step(out);
        return out;
    }

    // Pure noise, sometimes printable only, sometimes one very long line.
    std::string noise() {
        std::string out;
        uint32_t kind = below(4);
        uint32_t n = kind == 3 ? 20000 + below(50000) : below(400);
        for (uint32_t i = 0; i < n; ++i) {
            if (kind == 1) out.push_back(static_cast<char>(0x20 + below(95)));
            else if (kind == 2) out.push_back("0123456789.,-+E \r\n\""[below(19)]);
            else if (kind == 3) out.push_back(static_cast<char>('0' + below(10)));
            else out.push_back(byte());
        }
        return out;
    }

    std::mt19937& rng() { return rng_; }

private:
    void step(std::string& s) {
        const uint32_t pos = below(static_cast<uint32_t>(s.size()) + 1);
        switch (below(9)) {
        case 0:
            if (!s.empty() && pos < s.size()) s[pos] = static_cast<char>(s[pos] ^ (1 << below(8)));
            break;
        case 1:
            if (pos < s.size()) s[pos] = byte();
            break;
        case 2: s.insert(pos, 1 + below(8), byte()); break;
        case 3: s.erase(pos, 1 + below(40)); break;
        case 4: {
            uint32_t len = below(200);
            std::string part = s.substr(pos, len);
            s.insert(below(static_cast<uint32_t>(s.size()) + 1), part);
            break;
        }
        case 5: s.resize(pos); break;
        case 6: s.insert(pos, tokens_[below(static_cast<uint32_t>(tokens_.size()))]); break;
        case 7: s.insert(pos, std::string(1000 + below(20000), static_cast<char>(0x20 + below(95)))); break;
        default: {
            // A whole row repeated, as a copy-and-paste slip would.
            std::size_t a = s.rfind('\n', pos == 0 ? 0 : pos - 1);
            a = a == std::string::npos ? 0 : a + 1;
            std::size_t b = s.find('\n', pos);
            b = b == std::string::npos ? s.size() : b + 1;
            if (a < b) s.insert(a, s.substr(a, b - a));
        }
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> tokens_;
};

}  // namespace vd::test
