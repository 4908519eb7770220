// Atomic output files.
#include "platform/headless/file_output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/headless/png_writer.h"

namespace headless {

std::string partPathFor(const std::string& path) { return path + ".part"; }

bool commitPart(const std::string& part, const std::string& path, std::string& error) {
    std::error_code code;
    std::filesystem::rename(part, path, code);
    if (code) {
        // Some systems refuse to rename over an existing file; a directory in the way stays an error.
        std::error_code removeCode;
        if (std::filesystem::is_regular_file(path, removeCode) && std::filesystem::remove(path, removeCode)) {
            std::filesystem::rename(part, path, code);
        }
    }
    if (code) {
        error = "cannot write " + path + ": " + code.message();
        std::filesystem::remove(part, code);
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const std::string part = partPathFor(path);
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        std::error_code code;
        std::filesystem::remove(part, code);
        return false;
    }
    return commitPart(part, path, error);
}

bool writePngAtomically(const std::string& path, int width, int height, std::span<const std::uint32_t> pixels,
                        std::string& error) {
    std::vector<std::uint8_t> png;
    if (!encodePng(width, height, pixels, png, error)) {
        return false;
    }
    return writeFileAtomically(path, png, error);
}

}  // namespace headless
