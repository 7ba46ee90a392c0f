#include "image/program_image.h"

namespace quorix::image {

int FindSectionIndex(const ProgramImage& image, std::string_view name) {
    for (size_t i = 0; i < image.sections.size(); ++i) {
        if (image.sections[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

const Section* FindSection(const ProgramImage& image, std::string_view name) {
    const int index = FindSectionIndex(image, name);
    return index < 0 ? nullptr : &image.sections[static_cast<size_t>(index)];
}

uint32_t LibraryRowOffset(const ProgramImage& image, size_t row) {
    uint64_t at = layout::kLibraryTable;
    for (size_t r = 0; r < row && r < image.libraries.size(); ++r) {
        const LibraryRow& l = image.libraries[r];
        at += l.file_name.size() + l.identifier.size() + l.major.size() + l.minor.size() +
              l.description.size() + (layout::kLibraryFields - 1) + 1;
    }
    return static_cast<uint32_t>(at);
}

}  // namespace quorix::image
