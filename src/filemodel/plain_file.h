// A plain file of the host system: open by numeric mode, absolute seek,
// size, whole-buffer write, read, and line-wise text. No operation throws or
// logs; each reports failure through its result (errno holds the reason).
#pragma once

#include <cstdint>

class CPlainFile {
public:
  // Open modes. Every mode lets other openers read and write the file too.
  static constexpr int kRead = 0;           // read, existing file
  static constexpr int kWrite = 1;          // write, existing file
  static constexpr int kReadWrite = 2;      // read and write, existing file
  static constexpr int kCreateAlways = 3;   // read and write, created or truncated
  static constexpr int kOpenAlways = 4;     // read and write, created when missing

  CPlainFile() = default;
  CPlainFile(const char* path, int mode);
  ~CPlainFile();
  CPlainFile(const CPlainFile&) = delete;
  CPlainFile& operator=(const CPlainFile&) = delete;

  // Closes any file held first; non-zero when the new one is open. An
  // unknown mode fails and leaves the object closed.
  int Open(const char* path, int mode);
  void Close();
  int IsOpen() const { return fd_ >= 0; }

  // Absolute offset from the beginning; 0 when closed or on failure.
  int Seek(std::uint64_t offset);
  void Rewind();
  // Moves to the end; the low 32 bits of the new position (0 when closed).
  std::uint32_t SeekToEnd();
  // The current position, or all ones when closed or on failure.
  std::uint64_t GetPosition() const;
  // Non-zero on success; 0 when size is null or the file is closed.
  int GetSize(std::uint64_t* size) const;

  // 1 only when all n bytes were written.
  int Write(const void* buffer, std::uint32_t n);
  // The number of bytes read (fewer than n only at the end of the file).
  std::uint32_t Read(void* buffer, std::uint32_t n);
  // Writes the n bytes, then "\r\n" unless they already end with it. n = 0
  // writes nothing and succeeds.
  int WriteLine(const char* text, std::uint32_t n);
  // Reads at most n bytes, stopping after a line feed (kept, as is a
  // carriage return before it), and terminates them with a 0 byte: the
  // buffer must hold n + 1 bytes. 0 (buffer untouched) when nothing can be
  // read.
  std::uint32_t ReadLine(char* buffer, std::uint32_t n);

private:
  int fd_ = -1;
};
