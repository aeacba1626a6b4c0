#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quorvel::fuzz {

// Stops the run at a broken property. The fuzzer keeps the input that did it; the corpus
// replay fails its test.
inline void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// Takes values off the front of a fuzz input. Past the end every value reads as zero bytes,
// so any input decodes to some sequence.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }

    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    std::int32_t Int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v = (v << 8) | Byte();
        }
        std::int32_t out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }

    double Double() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            v = (v << 8) | Byte();
        }
        double out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }

    // Up to `max` bytes; fewer at the end of the input.
    std::string Bytes(std::size_t max) {
        const std::size_t n = std::min(max, m_size - std::min(m_pos, m_size));
        std::string out(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return out;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace quorvel::fuzz
