#include "image/form_types.h"

#include "image/bytes.h"

namespace quorix::form {

using image::ByteReader;
using image::ByteWriter;

namespace {
std::span<const uint8_t> Span(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
void CountedText(ByteWriter& w, const std::string& s) {
    w.U32(static_cast<uint32_t>(s.size()));
    w.Bytes(Span(s));
}
}  // namespace

std::string EncodeWindow(const WindowProps& props) {
    ByteWriter w;
    for (uint32_t v : props.options) w.U32(v);
    w.Zeros(8 * 4);
    CountedText(w, props.caption);
    w.U32(0);
    return std::string(w.bytes().begin(), w.bytes().end());
}

image::Result<WindowProps> DecodeWindow(const std::string& type_block) {
    WindowProps props;
    if (type_block.empty()) return props;
    ByteReader r(Span(type_block), "window type block");
    for (uint32_t& v : props.options) {
        auto word = r.ReadU32("window option word");
        if (!word) return word.error();
        v = *word;
    }
    if (auto skip = r.Skip(8 * 4, "window zero words"); !skip) return skip.error();
    auto length = r.ReadU32("window caption length");
    if (!length) return length.error();
    auto caption = r.ReadArray(*length, 1, "window caption length");
    if (!caption) return caption.error();
    props.caption.assign(caption->begin(), caption->end());
    return props;
}

}  // namespace quorix::form
