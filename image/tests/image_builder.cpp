#include "image/tests/image_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/bytes.h"

namespace quorix::image::testing {

std::vector<LibraryRow> SupportLibraries() {
    return {
        // 系统核心支持库
        {"krnln", "d09f2340818511d396f6aaf844c7e325", "5", "0",
         "\xcf\xb5\xcd\xb3\xba\xcb\xd0\xc4\xd6\xa7\xb3\xd6\xbf\xe2"},
        // 扩展界面支持库一
        {"iext", "27bb20fdd3e145e4bee3db39ddd6e64c", "2", "0",
         "\xc0\xa9\xd5\xb9\xbd\xe7\xc3\xe6\xd6\xa7\xb3\xd6\xbf\xe2\xd2\xbb"},
        // 扩展界面支持库三
        {"iext3", "{B6F7542F-B8FE-46a8-9605-98856A687097}", "3", "0",
         "\xc0\xa9\xd5\xb9\xbd\xe7\xc3\xe6\xd6\xa7\xb3\xd6\xbf\xe2\xc8\xfd"},
        // 扩展界面支持库二
        {"iext2", "AF6AD80AA4244A59AFB3D83ECF5173CC", "2", "0",
         "\xc0\xa9\xd5\xb9\xbd\xe7\xc3\xe6\xd6\xa7\xb3\xd6\xbf\xe2\xb6\xfe"},
        // 超文本浏览框支持库
        {"HtmlView", "5014D8FA6DCA40b68FA626D8183666EB", "2", "0",
         "\xb3\xac\xce\xc4\xb1\xbe\xe4\xaf\xc0\xc0\xbf\xf2\xd6\xa7\xb3\xd6\xbf\xe2"},
        // 正则表达式支持库
        {"RegEx", "684944CB04624eb7BD5412A519421D34", "2", "0",
         "\xd5\xfd\xd4\xf2\xb1\xed\xb4\xef\xca\xbd\xd6\xa7\xb3\xd6\xbf\xe2"},
    };
}

namespace {

Section Stored(const char* name, uint32_t flags, uint32_t size, uint8_t fill) {
    Section s;
    s.name = name;
    s.flags = flags;
    s.memory_size = size;
    s.data.resize(size);
    for (uint32_t i = 0; i < size; ++i) s.data[i] = static_cast<uint8_t>(fill + i);
    return s;
}

// The relocations in site order, kinds interleaved: site i gets kinds[(i * 37) % n], a
// permutation of the kind multiset whenever n is not a multiple of 37.
std::vector<Relocation> SpreadRelocations(const Shape& shape) {
    std::vector<RelocationKind> kinds;
    for (uint32_t k = 0; k < 4; ++k) {
        kinds.insert(kinds.end(), shape.relocations_per_kind[k], static_cast<RelocationKind>(k));
    }
    const size_t n = kinds.size();
    std::vector<Relocation> relocations;
    if (n == 0) return relocations;
    const uint32_t step = (shape.code_size - 4) / static_cast<uint32_t>(n);
    for (size_t i = 0; i < n; ++i) {
        // The last site is the last whole word of the code, as the service stubs' jumps are.
        const uint32_t site = i + 1 == n ? shape.code_size - 4 : static_cast<uint32_t>(i) * step;
        relocations.push_back({site, kinds[(i * 37) % n]});
    }
    return relocations;
}

}  // namespace

ProgramImage BuildImage(const Shape& shape) {
    ProgramImage image;
    image.libraries = SupportLibraries();
    image.sections.push_back(Stored("const", 1, 110, 0x10));
    image.sections.push_back(Stored("form", 1, shape.form_size, 0x40));
    Section help = Stored("help", 1, 52, 0);
    std::fill(help.data.begin(), help.data.end(), 0);
    image.sections.push_back(help);
    Section code = Stored("code", 5, shape.code_size, 0x90);
    code.relocations = SpreadRelocations(shape);
    image.sections.push_back(code);
    Section var;
    var.name = "var";
    var.flags = 0x13;
    var.memory_size = 28;
    var.stored = false;
    image.sections.push_back(var);

    // List 1 ascending, lists 3 and 4 not ordered; every site a whole word inside the code.
    const uint32_t words = shape.code_size - 3;
    for (size_t l = 0; l < 4; ++l) {
        for (uint32_t i = 0; i < shape.fixup_counts[l]; ++i) {
            const uint32_t site = l == 0 ? (i * 7) % words : (words - 1 - i * 13 % words);
            image.fixups.sites[l].push_back(site);
        }
    }
    if (!image.fixups[FixupList::UnitIds].empty())
        std::sort(image.fixups[FixupList::UnitIds].begin(), image.fixups[FixupList::UnitIds].end());
    uint32_t true_size = 0;
    for (uint32_t count : shape.fixup_counts) true_size += 4 + 4 * count;
    image.fixup_stated_size =
        static_cast<uint32_t>(static_cast<int64_t>(true_size) + shape.stated_size_delta);

    const Result<void> laid_out = LayOutImage(image);
    EXPECT_TRUE(laid_out.ok()) << laid_out.error().message;
    if (laid_out.ok()) image.entry_offset = image.data_offsets[kCode];
    return image;
}

std::vector<uint8_t> WriteValid(ProgramImage& image) {
    Result<std::vector<uint8_t>> bytes = WriteImage(image);
    EXPECT_TRUE(bytes.ok()) << bytes.error().message;
    return bytes.ok() ? std::move(bytes).value() : std::vector<uint8_t>{};
}

void PatchU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    StoreU32(bytes.data() + offset, value);
}

uint32_t ReadU32At(const std::vector<uint8_t>& bytes, size_t offset) {
    EXPECT_LE(offset + 4, bytes.size());
    return offset + 4 <= bytes.size() ? LoadU32(bytes.data() + offset) : 0;
}

}  // namespace quorix::image::testing
