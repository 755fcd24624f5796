#include "byte_at_a_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace firma::bench {

std::string byte_at_a_time_sign(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("cannot open " + path);
    const auto length = static_cast<std::size_t>(in.tellg());
    std::vector<unsigned char> buffer(length);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(length));
    if (!in) throw std::runtime_error("cannot read " + path);

    std::int32_t a = 0;
    for (const unsigned char b : buffer) {
        const double t = a * 3.141526 + b;
        a = static_cast<std::int32_t>(std::nearbyint(t)) % 268435455;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%07X", static_cast<unsigned>(a));
    return text;
}

}  // namespace firma::bench
