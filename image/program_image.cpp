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

}  // namespace quorix::image
