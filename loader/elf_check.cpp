#include "loader/elf_check.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace quorix::loader {
namespace {

#if UINTPTR_MAX == 0xFFFFFFFFu
using Ehdr = Elf32_Ehdr;
using Phdr = Elf32_Phdr;
constexpr unsigned char kClass = ELFCLASS32;
#else
using Ehdr = Elf64_Ehdr;
using Phdr = Elf64_Phdr;
constexpr unsigned char kClass = ELFCLASS64;
#endif

bool ReadAt(int fd, uint64_t offset, void* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, static_cast<char*>(out) + done, size - done,
                                static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Inside(uint64_t offset, uint64_t length, uint64_t file_size) {
    return offset <= file_size && length <= file_size - offset;
}

}  // namespace

bool IsCompleteSharedObject(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    bool complete = false;
    struct stat st {};
    Ehdr header{};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAt(fd, 0, &header, sizeof header)) {
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        complete = std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
                   header.e_ident[EI_CLASS] == kClass && header.e_type == ET_DYN &&
                   header.e_phentsize == sizeof(Phdr) &&
                   Inside(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Phdr), size) &&
                   Inside(header.e_shoff, uint64_t{header.e_shnum} * header.e_shentsize, size);
        if (complete) {
            std::vector<Phdr> segments(header.e_phnum);
            complete = ReadAt(fd, header.e_phoff, segments.data(), segments.size() * sizeof(Phdr));
            for (const Phdr& p : segments) {
                if (p.p_type == PT_LOAD && !Inside(p.p_offset, p.p_filesz, size)) complete = false;
            }
        }
    }
    close(fd);
    return complete;
}

}  // namespace quorix::loader
