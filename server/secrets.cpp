#include "server/secrets.h"

#include <sys/random.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace rindou::server {

std::string random_bytes(size_t bytes) {
    std::string out(bytes, '\0');
    size_t got = 0;
    while (got < bytes) {
        const ssize_t n = getrandom(out.data() + got, bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        got += static_cast<size_t>(n);
    }
    return out;
}

std::string base64url(const std::string& bytes) {
    static const char* ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    unsigned bits = 0;
    int held = 0;
    for (unsigned char b : bytes) {
        bits = (bits << 8) | b;
        held += 8;
        while (held >= 6) {
            held -= 6;
            out += ALPHABET[(bits >> held) & 63];
        }
    }
    if (held > 0) out += ALPHABET[(bits << (6 - held)) & 63];
    return out;
}

std::string new_secret() { return base64url(random_bytes(18)); }

std::string new_game_id() {
    static const char* ALPHANUMERIC = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string id;
    while (id.size() < 8) {
        // 62 letters and digits: bytes of 248 and above would favour some.
        for (unsigned char b : random_bytes(16))
            if (b < 248 && id.size() < 8) id += ALPHANUMERIC[b % 62];
    }
    return id;
}

bool is_game_id(const std::string& text) {
    if (text.size() != 8) return false;
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

bool same_secret(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace rindou::server
