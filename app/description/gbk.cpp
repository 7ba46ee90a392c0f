#include "app/description/gbk.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>

namespace quorix::app {

std::string ToGbk(std::string_view utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("iconv_open GB18030");
        std::abort();
    }
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* dst = out.data();
    size_t out_left = out.size();
    if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) {
        std::fprintf(stderr, "cannot convert to GB18030: %.*s\n", static_cast<int>(utf8.size()),
                     utf8.data());
        std::abort();
    }
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace quorix::app
