#include "support/scratch_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace qm {

std::filesystem::path ScratchPath(const std::string& name) {
  const char* binary = std::getenv("QM_BINARY_DIR");
  std::filesystem::path folder = (binary != nullptr && binary[0] != '\0')
                                     ? std::filesystem::path(binary) / "scratch"
                                     : std::filesystem::temp_directory_path() / "qm-scratch";
  // The shards of one test program run at once under the same names.
  const char* shard = std::getenv("GTEST_SHARD_INDEX");
  if (shard != nullptr && shard[0] != '\0') folder /= std::string("shard-") + shard;
  std::filesystem::create_directories(folder);
  return folder / name;
}

std::string ScratchTag() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("tests") : self.filename().string();
}

std::filesystem::path MakeSparseImage(const std::string& name, std::uint64_t bytes) {
  const std::filesystem::path path = ScratchPath(name);
  std::filesystem::remove(path);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("cannot make " + path.string());
  }
  ::close(fd);
  return path;
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::filesystem::path>
MakeImagesWithTools(const std::vector<std::pair<std::string, std::string>>& jobs, std::uint64_t bytes) {
  std::string script;
  std::vector<std::filesystem::path> paths;
  for (const auto& [name, command] : jobs) {
    paths.push_back(MakeSparseImage(name, bytes));
    std::string line = command;
    const std::string path = paths.back().string();
    for (std::size_t at = line.find("%s"); at != std::string::npos; at = line.find("%s", at + path.size()))
      line.replace(at, 2, path);
    const auto done = paths.back().string() + ".ok";
    std::filesystem::remove(done);
    script += "( ( " + line + " ) >/dev/null 2>&1 && touch " + done + " ) & ";
  }
  RunCommand(script + "wait");
  for (auto& path : paths)
    if (!std::filesystem::exists(path.string() + ".ok")) path.clear();
  return paths;
}

void WriteFileBytes(const std::filesystem::path& path, std::uint64_t offset,
                    const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path.string());
  const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  ::close(fd);
  if (n != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  // One read of the whole size: byte-wise stream iterators take seconds
  // over a disk image in a sanitizer build.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

} // namespace qm
