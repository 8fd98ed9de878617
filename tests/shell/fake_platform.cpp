#include "tests/shell/fake_platform.h"

#include <iconv.h>

#include <stdexcept>
#include <vector>

namespace rindou::test {

namespace {
std::string convert(const std::string& in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char* dst = buf.data();
    size_t room = buf.size();
    size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw std::runtime_error("not convertible");
    return std::string(buf.data(), static_cast<size_t>(dst - buf.data()));
}
}  // namespace

std::string cp932(const std::string& utf8_text) { return convert(utf8_text, "CP932", "UTF-8"); }
std::string utf8(const std::string& bytes) { return convert(bytes, "UTF-8", "CP932"); }

}  // namespace rindou::test
