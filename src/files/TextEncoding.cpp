#include "files/TextEncoding.h"

#include <iconv.h>

#include <cerrno>

namespace kestrane {

namespace {

// One conversion descriptor for one conversion, closed however it ends.
class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(descriptor_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

}  // namespace

std::optional<std::string> utf8FromGb18030(std::string_view text) {
    Converter converter("UTF-8", "GB18030");
    if (!converter.valid()) return std::nullopt;
    // A GB18030 character of n bytes is at most n + 1 bytes of UTF-8.
    std::string utf8(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* out = utf8.data();
    std::size_t outLeft = utf8.size();
    for (;;) {
        if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) return std::nullopt;  // EILSEQ or EINVAL: not GB18030
        const std::size_t written = utf8.size() - outLeft;
        utf8.resize(utf8.size() * 2);
        out = utf8.data() + written;
        outLeft = utf8.size() - written;
    }
    utf8.resize(utf8.size() - outLeft);
    return utf8;
}

}  // namespace kestrane
