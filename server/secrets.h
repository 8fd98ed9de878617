// Unguessable values: seat secrets, invitations and game ids, drawn from the
// operating system's random source.
#pragma once

#include <string>

namespace rindou::server {

// `bytes` random bytes from the kernel (getrandom); throws when none can be had.
std::string random_bytes(size_t bytes);
// URL-safe base64 without padding.
std::string base64url(const std::string& bytes);
// A secret of 144 random bits (24 characters of URL-safe base64).
std::string new_secret();
// A game id: 8 letters or digits.
std::string new_game_id();
bool is_game_id(const std::string& text);
// Compares two secrets in a time that does not depend on where they differ.
bool same_secret(const std::string& a, const std::string& b);

}  // namespace rindou::server
