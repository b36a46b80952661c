#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
// No mkdtemp on Windows: try random names until one is new.
static std::string MakeUniqueDir(const std::filesystem::path& parent) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto dir = parent / ("travik-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) return dir.string();
    }
    throw std::runtime_error("cannot create a temporary folder");
}
#else
static std::string MakeUniqueDir(const std::filesystem::path& parent) {
    std::string pattern = (parent / "travik-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}
#endif

TempDir::TempDir() : path_(MakeUniqueDir(std::filesystem::temp_directory_path())) {}

TempDir::~TempDir() {
    std::error_code ignored;
    // Give back write permission first, in case a test took it away.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}
