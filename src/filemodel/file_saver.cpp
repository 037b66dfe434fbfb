#include "filemodel/file_saver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <system_error>
#include <map>
#include <span>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "filemodel/data_run_list.h"
#include "filemodel/efs_backup.h"
#include "filemodel/file_node.h"
#include "filemodel/file_properties.h"
#include "filemodel/file_recover_callback.h"
#include "filemodel/file_stream_source.h"
#include "filemodel/file_system_node.h"
#include "filemodel/lznt1.h"
#include "filemodel/target_names.h"
#include "platform/log.h"
#include "platform/message_pump.h"
#include "platform/worker_thread.h"
#include "storage/bad_sector_set.h"
#include "storage/storage_device.h"

namespace {

constexpr std::uint32_t kCopyBufferBytes = 65536;
constexpr std::uint32_t kMaxResidentBytes = 4096;
constexpr std::uint64_t kUnitClusters = 16; // NTFS compression unit
// FILETIME of the Unix epoch, in 100-ns units.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ull;

std::atomic<std::uint32_t> g_lastResult{qm::kSaveDone};
std::mutex g_lastSummaryLock;
qm::SaveSummary g_lastSummary;

bool IsCancel(int value) { return value == -1; }

// What the callback says, or 0 without one.
template <typename Call>
int Tell(IFileRecoverCallback* callback, Call call) {
  return callback != nullptr ? call(*callback) : 0;
}

// Writes every byte that the copy loops produce into the target's
// descriptor and keeps their count. Holes are skipped over, not written,
// so that a sparse file stays sparse on the target; Finish gives the file
// its length when it ends in a hole.
struct TargetWriter {
  int fd;
  IFileRecoverCallback* callback;
  std::uint64_t written = 0;
  bool endsInHole = false;

  // kSaveDone, kSaveFailed on a write error, kSaveCancelled.
  std::uint32_t Put(const std::uint8_t* bytes, std::uint32_t n) {
    if (n == 0) return qm::kSaveDone;
    if (!WriteAll(bytes, n)) return qm::kSaveFailed;
    written += n;
    return Progress(n);
  }

  // Bytes that are not the file's own (a backup's header): neither counted
  // nor reported.
  bool WriteAll(const std::uint8_t* bytes, std::uint32_t n) {
    for (std::uint32_t done = 0; done < n;) {
      const ssize_t wrote = ::write(fd, bytes + done, n - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      done += static_cast<std::uint32_t>(wrote);
    }
    endsInHole = false;
    return true;
  }

  std::uint32_t Hole(std::uint64_t n) {
    if (n == 0) return qm::kSaveDone;
    if (n > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - written ||
        ::lseek(fd, static_cast<off_t>(n), SEEK_CUR) < 0)
      return qm::kSaveFailed;
    written += n;
    endsInHole = true;
    return Progress(n);
  }

  bool Finish() const { return !endsInHole || ::ftruncate(fd, static_cast<off_t>(written)) == 0; }

private:
  std::uint32_t Progress(std::uint64_t n) {
    if (IsCancel(Tell(callback, [&](IFileRecoverCallback& c) { return c.OnBytesWritten(n); })))
      return qm::kSaveCancelled;
    return qm::kSaveDone;
  }
};

// A descriptor closed when it goes.
class Descriptor {
public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

private:
  int fd_;
};

// The copy buffers of this thread, made once: a job saves many small
// files, and a new 64 KiB buffer for each would cost more than its copy.
std::span<std::uint8_t> CopyBuffer(int which) {
  thread_local std::vector<std::uint8_t> buffers[2];
  std::vector<std::uint8_t>& buffer = buffers[which];
  if (buffer.size() != kCopyBufferBytes) buffer.assign(kCopyBufferBytes, 0);
  return buffer;
}

// Reads sectors of a run: device sector base + cluster x sectors per
// cluster + offset. The arithmetic is checked, and a range outside the
// device is a failed read. A failed read is retried sector by sector:
// sectors that still fail are zeros in the buffer, logged, and the piece
// counts as lost.
bool ReadRunPiece(IStorageDevice* device, const qm::SaveContext& context, std::uint64_t cluster,
                  std::uint64_t sectorOffset, std::uint32_t sectors, std::uint8_t* buffer, std::size_t bufferBytes) {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
  const bool overflow = __builtin_mul_overflow(cluster, context.sectorsPerCluster, &first) ||
                        __builtin_add_overflow(first, context.baseSector, &first) ||
                        __builtin_add_overflow(first, sectorOffset, &first) ||
                        __builtin_add_overflow(first, sectors, &end);
  if (overflow || end > device->GetSectorCount()) {
    std::memset(buffer, 0, bufferBytes);
    return false;
  }
  if (device->ReadSectors(buffer, first, sectors)) return true;
  // Salvage what can be read: sector by sector, zeros where a sector fails.
  const std::size_t sectorSize = static_cast<std::size_t>(device->GetSectorSize());
  std::uint32_t unreadable = 0;
  std::uint64_t firstUnreadable = 0;
  for (std::uint32_t i = 0; i < sectors; ++i) {
    std::uint8_t* at = buffer + i * sectorSize;
    if (!device->ReadSectors(at, first + i, 1)) {
      std::memset(at, 0, sectorSize);
      if (unreadable++ == 0) firstUnreadable = first + i;
    }
  }
  // Every sector read on its own: the data is whole after all.
  if (unreadable == 0) return true;
  LogError("Unreadable sectors written as zeros: %u of the %u from sector %llu, the first at sector %llu", unreadable,
           sectors, static_cast<unsigned long long>(first), static_cast<unsigned long long>(firstUnreadable));
  return false;
}

// Copies the runs of a list into the target until amount bytes are
// written. In hole mode a run starting at 0 is a hole, as a sparse run is.
// Runs that end before amount leave the file short: *dataLost.
std::uint32_t CopyByRuns(const qm::SaveContext& context, IStorageDevice* device, IDataRunList& list,
                         std::uint64_t amount, bool holeMode, TargetWriter& out, bool& dataLost) {
  const std::uint32_t sectorSize = static_cast<std::uint32_t>(device->GetSectorSize());
  if (sectorSize == 0 || sectorSize > kCopyBufferBytes || context.sectorsPerCluster == 0) return qm::kSaveFailed;
  const std::uint32_t piecesSectors = kCopyBufferBytes / sectorSize;
  std::span<std::uint8_t> buffer = CopyBuffer(0);
  for (const DataRunEntry& run : list.Runs()) {
    if (amount == 0) break;
    std::uint64_t runSectors = 0;
    if (__builtin_mul_overflow(run.count, context.sectorsPerCluster, &runSectors)) return qm::kSaveFailed;
    if (run.IsSparse() || (holeMode && run.start == 0)) {
      std::uint64_t runBytes = 0;
      if (__builtin_mul_overflow(runSectors, sectorSize, &runBytes)) runBytes = ~std::uint64_t{0};
      const std::uint64_t n = std::min(runBytes, amount);
      if (const std::uint32_t code = out.Hole(n); code != qm::kSaveDone) return code;
      amount -= n;
      continue;
    }
    for (std::uint64_t done = 0; done < runSectors && amount > 0;) {
      const std::uint32_t sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(piecesSectors, runSectors - done));
      const std::uint32_t bytes = sectors * sectorSize;
      // A failed read leaves zeros (ReadRunPiece clears what it cannot read).
      if (!ReadRunPiece(device, context, run.start, done, sectors, buffer.data(), bytes)) dataLost = true;
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, amount));
      if (const std::uint32_t code = out.Put(buffer.data(), n); code != qm::kSaveDone) return code;
      amount -= n;
      done += sectors;
    }
  }
  if (amount > 0) dataLost = true;
  return qm::kSaveDone;
}

// A piece of a compressed file's runs, cut along compression units.
struct UnitPiece {
  std::uint64_t start;
  std::uint64_t count;
  int kind; // 0 stored as it is, 1 part of a compressed unit, 2 a unit of zeros
  bool IsSparse() const { return start == qm::kSparseRunStart; }
};

// The pieces of one compression unit: each piece holds at least one
// cluster, so a unit has at most 16.
struct Unit {
  std::array<UnitPiece, kUnitClusters> pieces;
  std::size_t count = 0;
};

// Cuts the runs along unit borders, one unit at a time, so that runs of
// any length (damaged extents claim billions of clusters) cost no memory.
// A unit that ends in a sparse part is compressed (its pieces kind 1), a
// unit that is all sparse is zeros (kind 2), any other unit is stored as
// it is (kind 0), and so is what is left pending after the last run.
class UnitSplitter {
public:
  explicit UnitSplitter(const std::vector<DataRunEntry>& runs) : runs_(runs) {}

  // The next unit; false after the last.
  bool Next(Unit& unit) {
    for (; run_ < runs_.size(); ++run_, used_ = 0) {
      const DataRunEntry& run = runs_[run_];
      const std::uint64_t remaining = run.count - used_;
      if (remaining >= room_) {
        const int kind = !run.IsSparse() ? 0 : (room_ == kUnitClusters ? 2 : 1);
        unit = pending_;
        for (std::size_t i = 0; i < unit.count; ++i) unit.pieces[i].kind = kind;
        unit.pieces[unit.count++] = {PieceStart(run), room_, kind};
        used_ += room_;
        pending_.count = 0;
        room_ = kUnitClusters;
        if (used_ == run.count) {
          ++run_;
          used_ = 0;
        }
        return true;
      }
      if (remaining > 0) {
        pending_.pieces[pending_.count++] = {PieceStart(run), remaining, 0};
        room_ -= remaining;
      }
    }
    if (pending_.count == 0) return false;
    unit = pending_;
    pending_.count = 0;
    return true;
  }

private:
  std::uint64_t PieceStart(const DataRunEntry& run) const {
    return run.IsSparse() ? qm::kSparseRunStart : run.start + used_;
  }

  const std::vector<DataRunEntry>& runs_;
  std::size_t run_ = 0;
  std::uint64_t used_ = 0; // clusters of runs_[run_] already cut
  Unit pending_;
  std::uint64_t room_ = kUnitClusters;
};

std::uint32_t CopyCompressed(const qm::SaveContext& context, IStorageDevice* device, IDataRunList& list,
                             std::uint64_t amount, TargetWriter& out, bool& dataLost, const char* name) {
  const std::uint32_t sectorSize = static_cast<std::uint32_t>(device->GetSectorSize());
  const std::uint64_t clusterBytes = static_cast<std::uint64_t>(sectorSize) * context.sectorsPerCluster;
  if (sectorSize == 0 || clusterBytes == 0 || clusterBytes * kUnitClusters > kCopyBufferBytes) return qm::kSaveFailed;
  const auto unitBytes = static_cast<std::uint32_t>(clusterBytes * kUnitClusters);
  std::span<std::uint8_t> buffer = CopyBuffer(0);
  std::span<std::uint8_t> decoded = CopyBuffer(1);
  auto readPiece = [&](const UnitPiece& piece, std::uint8_t* at) {
    // A piece never exceeds a unit, so it fits the buffer and its sector
    // count fits 32 bits.
    const auto sectors = static_cast<std::uint32_t>(piece.count * context.sectorsPerCluster);
    if (!ReadRunPiece(device, context, piece.start, 0, sectors, at, static_cast<std::size_t>(piece.count * clusterBytes)))
      dataLost = true;
  };
  UnitSplitter splitter(list.Runs());
  Unit unit;
  while (amount > 0 && splitter.Next(unit)) {
    // Every piece of a unit has the unit's kind.
    const int kind = unit.pieces[0].kind;
    if (kind == 0) { // stored as it is, sparse parts as holes
      for (std::size_t i = 0; i < unit.count && amount > 0; ++i) {
        const UnitPiece& piece = unit.pieces[i];
        const auto bytes = static_cast<std::uint32_t>(piece.count * clusterBytes);
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, amount));
        if (piece.IsSparse()) {
          if (const std::uint32_t code = out.Hole(n); code != qm::kSaveDone) return code;
          amount -= n;
          continue;
        }
        readPiece(piece, buffer.data());
        if (const std::uint32_t code = out.Put(buffer.data(), n); code != qm::kSaveDone) return code;
        amount -= n;
      }
      continue;
    }
    // A unit of zeros, or a compressed one: either stands for 16 clusters
    // of the file however little it holds, so that the next unit lands in
    // its own place.
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(unitBytes, amount));
    if (kind == 2) {
      if (const std::uint32_t code = out.Hole(n); code != qm::kSaveDone) return code;
      amount -= n;
      continue;
    }
    std::size_t length = 0;
    if (kind == 1) {
      // The stored clusters of the unit, before its sparse tail; together
      // with the tail they are the unit, so they fit the buffer.
      std::size_t gathered = 0;
      for (std::size_t i = 0; i < unit.count; ++i) {
        if (unit.pieces[i].IsSparse()) continue;
        readPiece(unit.pieces[i], buffer.data() + gathered);
        gathered += static_cast<std::size_t>(unit.pieces[i].count * clusterBytes);
      }
      if (qm::ByteView(buffer.data(), gathered).le16(0) == 0) { // stored without compression
        length = std::min<std::size_t>(gathered, n);
        std::memcpy(decoded.data(), buffer.data(), length);
      } else if (const auto produced =
                     qm::Lznt1DecompressUnit(qm::ByteView(buffer.data(), gathered), std::span(decoded.data(), n))) {
        length = *produced;
      } else {
        // A unit that does not decode is written as zeros: the rest of the
        // file is still worth having, and the file is reported as failed.
        LogError("Bad compressed data in %s", name);
        dataLost = true;
      }
    }
    std::memset(decoded.data() + length, 0, n - length);
    if (const std::uint32_t code = out.Put(decoded.data(), n); code != qm::kSaveDone) return code;
    amount -= n;
  }
  if (amount > 0) dataLost = true;
  return qm::kSaveDone;
}

// Applies attributes and times to an open target; Linux keeps no creation
// time, and of the attributes only read-only has a counterpart (the write
// bits).
void ApplyAttributesAndTimes(int fd, const IFileProperties& properties) {
  const std::uint16_t attributes = properties.GetAttributes() & static_cast<std::uint16_t>(~qm::kAttrHidden);
  const std::uint32_t valid = properties.GetValidFields();
  auto toTimespec = [](qm::FileTime time) {
    timespec spec{};
    const std::int64_t units = static_cast<std::int64_t>(time - kUnixEpochFileTime);
    std::int64_t seconds = units / 10000000;
    std::int64_t rest = units % 10000000;
    if (rest < 0) {
      rest += 10000000;
      --seconds;
    }
    spec.tv_sec = static_cast<time_t>(seconds);
    spec.tv_nsec = static_cast<long>(rest * 100);
    return spec;
  };
  timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  // A time of 0 is one the file system never set: leave the target's own,
  // as the platform's file-time call does for a zero time.
  qm::FileTime value = 0;
  if ((valid & qm::kValidLastAccessTime) && *properties.GetLastAccessTime(&value) != 0) times[0] = toTimespec(value);
  if ((valid & qm::kValidLastWriteTime) && *properties.GetLastWriteTime(&value) != 0) times[1] = toTimespec(value);
  if (::futimens(fd, times) != 0) LogError("Failed to set file time");
  if ((valid & qm::kValidAttributes) && (attributes & qm::kAttrReadOnly)) {
    struct stat info{};
    if (::fstat(fd, &info) == 0) ::fchmod(fd, info.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
  }
}

void ApplyAttributesAndTimes(const std::string& path, const IFileProperties& properties) {
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    LogError("Failed to set file time");
    return;
  }
  ApplyAttributesAndTimes(fd.Get(), properties);
}

// Process-wide locks keyed by name, standing for the named mutex that keeps
// two saves of one node apart.
class NamedLocks {
public:
  std::shared_ptr<std::mutex> Get(const std::string& name) {
    std::lock_guard guard(lock_);
    auto& weak = locks_[name];
    std::shared_ptr<std::mutex> mutex = weak.lock();
    if (!mutex) {
      mutex = std::make_shared<std::mutex>();
      weak = mutex;
    }
    return mutex;
  }
  void Drop(const std::string& name) {
    std::lock_guard guard(lock_);
    auto found = locks_.find(name);
    if (found != locks_.end() && found->second.expired()) locks_.erase(found);
  }

private:
  std::mutex lock_;
  std::map<std::string, std::weak_ptr<std::mutex>> locks_;
};

// Runs job on a worker thread while this thread keeps the user interface
// alive; false when the thread could not be started.
bool RunOnWorkerPumping(const std::function<void()>& job) {
  std::atomic<bool> done{false};
  std::thread worker;
  try {
    worker = qm::StartWorker([&] {
      job();
      done = true;
    });
  } catch (const std::system_error&) {
    return false;
  }
  qm::WaitPumping([&] { return done.load(); });
  worker.join();
  return true;
}

NamedLocks& FileLocks() {
  static NamedLocks locks;
  return locks;
}

} // namespace

namespace qm {

IStorageDevice* DeviceForNode(IStorageDevice* device, CFileNode* node) {
  if (device == nullptr || node == nullptr) return device;
  const std::uint32_t state = node->GetVolumeState();
  if (state == kVolumeExt2 || state == kVolumeExt3) return device->Get512ByteSectorDevice();
  return device;
}

} // namespace qm

std::uint32_t SaveResult::GetCode() { return g_lastResult.load(); }
qm::SaveSummary SaveResult::GetSummary() {
  std::lock_guard guard(g_lastSummaryLock);
  return g_lastSummary;
}
void SaveResult::Reset() { Set(qm::kSaveDone, {}); }
void SaveResult::Set(std::uint32_t code) { g_lastResult = code; }
void SaveResult::Set(std::uint32_t code, const qm::SaveSummary& summary) {
  std::lock_guard guard(g_lastSummaryLock);
  g_lastSummary = summary;
  g_lastResult = code;
}

namespace {

// Saves a node into the open target fd (created or truncated for it) at
// targetPath; the descriptor stays the caller's.
std::uint32_t SaveNodeInto(qm::SaveContext& context, CFileNode* node, IFileProperties* properties,
                           const std::string& targetPath, int fd) {
  // Sectors that cannot be read must show as such, never as good zeros.
  const qm::ExactReadScope exact;
  IFileRecoverCallback* callback = context.callback;
  IStorageDevice* device = context.device;
  const std::uint16_t attributes = properties->GetAttributes();
  const bool compressed = (attributes & qm::kAttrCompressed) != 0;
  const bool encrypted = (attributes & qm::kAttrEncrypted) != 0;
  const std::uint64_t size = properties->GetSize();
  std::uint64_t amount = size;
  TargetWriter out{fd, callback};
  bool dataLost = false;
  bool efsHeaderWritten = false;
  std::uint32_t code = qm::kSaveDone;
  auto* streams = dynamic_cast<IFileStreamSource*>(properties);

  if (properties->GetTypeCode() == qm::kPropertiesExt2 && (attributes & qm::kAttrSparse)) {
    std::unique_ptr<IDataRunList> list = properties->GetDataRunList();
    if (list)
      code = CopyByRuns(context, device, *list, amount, true, out, dataLost);
    else if (size != 0)
      code = qm::kSaveFailed;
  } else {
    if (encrypted && streams != nullptr) {
      std::vector<std::uint8_t> metadata(qm::kEfsPieceBytes);
      std::uint32_t length = 0;
      if (streams->ReadEncryptionMetadata(node, device, &length, metadata.data(), qm::kEfsPieceBytes) &&
          length <= qm::kEfsPieceBytes) {
        const auto header = qm::MakeEfsFileHeader(length);
        if (!out.WriteAll(header.data(), static_cast<std::uint32_t>(header.size())) ||
            !out.WriteAll(metadata.data(), length))
          code = qm::kSaveFailed;
        efsHeaderWritten = true;
        const std::uint64_t sector = static_cast<std::uint64_t>(device->GetSectorSize());
        // A damaged size so large that rounding would wrap stays as it is.
        if (sector != 0 && amount <= ~std::uint64_t{0} - (sector - 1))
          amount = (amount + sector - 1) / sector * sector;
      }
    }
    std::unique_ptr<IDataRunList> list = code == qm::kSaveDone ? properties->GetDataRunList() : nullptr;
    if (code != qm::kSaveDone) {
    } else if (!list) {
      if (size != 0) code = qm::kSaveFailed;
    } else if (list->IsResident()) {
      std::uint8_t resident[kMaxResidentBytes];
      std::uint32_t length = 0;
      if (streams == nullptr || !streams->ReadResidentData(node, device, &length, resident, kMaxResidentBytes) ||
          length > kMaxResidentBytes)
        code = qm::kSaveFailed;
      else
        code = out.Put(resident, length);
    } else if (!compressed) {
      code = CopyByRuns(context, device, *list, amount, false, out, dataLost);
    } else if (context.sectorsPerCluster < 9) {
      code = CopyCompressed(context, device, *list, amount, out, dataLost, properties->GetName());
    } else {
      code = qm::kSaveFailed;
    }
  }
  if (code == qm::kSaveDone && !out.Finish()) code = qm::kSaveFailed;
  if (code != qm::kSaveDone) return code;

  if (efsHeaderWritten) {
    // The import stops with 0 when the user cancels in it; that ends the
    // whole job like any other cancel, not as one failed file.
    if (!ImportEfsRaw(targetPath, size, callback))
      return IsCancel(Tell(callback, [](IFileRecoverCallback& c) { return c.Poll(); })) ? qm::kSaveCancelled
                                                                                       : qm::kSaveFailed;
    ApplyAttributesAndTimes(targetPath + ".EFS", *properties);
  } else {
    ApplyAttributesAndTimes(fd, *properties);
  }
  context.fileComplete = true;
  const std::uint64_t extra = out.written > size ? out.written - size : 0;
  if (IsCancel(Tell(callback, [&](IFileRecoverCallback& c) { return c.OnBytesTakenBack(static_cast<std::uint32_t>(extra)); })))
    return qm::kSaveCancelled;
  if (IsCancel(Tell(callback, [&](IFileRecoverCallback& c) { return c.OnFileDone(1); }))) return qm::kSaveCancelled;
  // Unreadable sectors and undecodable units were written as zeros, and a
  // damaged file's extents end before its size: the file is there, but it
  // is not what the disk held, and the user must know.
  const bool damaged = (properties->GetState() & qm::kStateDamaged) != 0;
  return dataLost || damaged ? qm::kSaveFailed : qm::kSaveDone;
}

// What SaveOneFile checks before a target is touched: kSaveDone to go on.
std::uint32_t BeginSave(qm::SaveContext& context, CFileNode* node) {
  context.fileComplete = false;
  if (node == nullptr) return qm::kSaveFailed;
  if (!node->GetVolumeGeometry(&context.baseSector, &context.sectorsPerCluster)) {
    LogError("Failed to get file system info.");
    return qm::kSaveFailed;
  }
  IFileProperties* properties = node->GetProperties();
  if (properties == nullptr) return qm::kSaveFailed;
  if (properties->IsFolder()) {
    LogError("It is a directory.Not valid!");
    return qm::kSaveFailed;
  }
  if (IsCancel(Tell(context.callback, [&](IFileRecoverCallback& c) { return c.OnFileBegin(properties->GetName()); })))
    return qm::kSaveCancelled;
  if (context.device == nullptr) return qm::kSaveFailed;
  const std::uint64_t clusterBytes =
      static_cast<std::uint64_t>(context.device->GetSectorSize()) * context.sectorsPerCluster;
  // A compression unit of 16 clusters must fit the 64 KiB copy buffer.
  if ((properties->GetAttributes() & qm::kAttrCompressed) && clusterBytes > 4096) return qm::kSaveFailed;
  return qm::kSaveDone;
}

// The path of a node in the tree, from the root's name down.
std::string TreePath(const CFileNode* node) {
  std::vector<const char*> names;
  for (const CFileNode* at = node; at != nullptr; at = at->GetParent())
    names.push_back(at->GetProperties() != nullptr ? at->GetProperties()->GetName() : "");
  std::string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (name != names.rbegin()) path += '/';
    path += *name;
  }
  return path;
}

} // namespace

std::uint32_t SaveOneFile(qm::SaveContext& context, CFileNode* node, const std::string& targetPath, int fd) {
  if (const std::uint32_t code = BeginSave(context, node); code != qm::kSaveDone) return code;
  if (fd < 0) return qm::kSaveFailed;
  return SaveNodeInto(context, node, node->GetProperties(), targetPath, fd);
}

std::uint32_t SaveOneFile(qm::SaveContext& context, CFileNode* node, const std::string& targetPath) {
  if (const std::uint32_t code = BeginSave(context, node); code != qm::kSaveDone) return code;
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  Descriptor fd(::open(targetPath.c_str(), flags, 0666));
  if (fd.Get() < 0) {
    ::unlink(targetPath.c_str());
    fd.Reset(::open(targetPath.c_str(), flags, 0666));
    if (fd.Get() < 0) return qm::kSaveFailed;
  }
  return SaveNodeInto(context, node, node->GetProperties(), targetPath, fd.Get());
}

std::uint32_t SaveFolderContents(qm::SaveContext& context, const std::string& baseFolder, CFileNode* node,
                                 const std::string& currentFolder, qm::SaveSummary* summary) {
  // An explicit stack: damaged file systems give trees thousands of levels
  // deep.
  struct Level {
    CFileNode* child;
    std::string folder;
  };
  qm::SaveSummary tally;
  std::vector<Level> stack;
  stack.push_back({node->GetFirstChild(), currentFolder});
  std::uint32_t result = qm::kSaveDone;
  while (!stack.empty()) {
    Level& level = stack.back();
    CFileNode* child = level.child;
    if (child == nullptr) {
      stack.pop_back();
      continue;
    }
    level.child = child->GetNextSibling();
    IFileProperties* properties = child->GetProperties();
    if (properties == nullptr || properties->GetCheckState() == qm::kUnchecked) continue;
    const std::string name = qm::SanitizeEntryName(properties->GetName());
    if (properties->IsFolder()) {
      std::string folder;
      if (!level.folder.empty()) {
        folder = level.folder + "/" + name;
        if (!CreateUniqueDirectory(folder)) folder.clear();
      }
      stack.push_back({child->GetFirstChild(), folder});
      continue;
    }
    ++tally.files;
    std::string path;
    std::uint32_t code = qm::kSaveFailed;
    int created = -1;
    if (PrepareTargetFile(baseFolder, level.folder.empty() ? baseFolder : level.folder, name, path, &created)) {
      const Descriptor fd(created);
      code = SaveOneFile(context, child, path, fd.Get());
    }
    if (code == qm::kSaveCancelled) {
      // A file cut short is neither kept nor counted: a truncated copy
      // would pass for a recovered file. The target was made for this save
      // (exclusively), so it is ours to remove.
      if (!context.fileComplete) {
        if (!path.empty()) ::unlink(path.c_str());
        --tally.files;
      }
      tally.stopped = true;
      result = code;
      break;
    }
    if (code == qm::kSaveFailed) {
      ++tally.failed;
      LogError("Failed to recover file: %s", TreePath(child).c_str());
    }
  }
  if (result == qm::kSaveDone && tally.failed != 0) result = qm::kSaveFailed;
  if (summary != nullptr) {
    summary->files += tally.files;
    summary->failed += tally.failed;
    summary->stopped = summary->stopped || tally.stopped;
  }
  return result;
}

std::uint32_t SaveCheckedTree(qm::SaveContext& context, CFileNode* root, const std::string& targetFolder,
                              std::string* createdFolder, qm::SaveSummary* summary) {
  std::string base = targetFolder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::error_code ignored;
  std::filesystem::create_directories(base, ignored);
  if (root == nullptr || root->GetProperties() == nullptr || root->GetProperties()->GetCheckState() == qm::kUnchecked)
    return qm::kSaveDone;
  std::string folder = base + "/" + qm::SanitizeRootName(root->GetProperties()->GetName());
  if (!CreateUniqueDirectory(folder)) folder.clear();
  const std::uint32_t code = SaveFolderContents(context, base, root, folder, summary);
  if (createdFolder != nullptr) *createdFolder = folder;
  return code;
}

int StartSaveFiles(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* root, const char* targetFolder,
                   char* createdFolder, std::size_t createdFolderSize) {
  if (root == nullptr || root->GetProperties() == nullptr || root->GetProperties()->GetCheckState() == qm::kUnchecked ||
      targetFolder == nullptr)
    return 0;
  std::string created;
  qm::SaveContext context{callback, qm::DeviceForNode(device, root)};
  const std::string target = targetFolder;
  qm::SaveSummary summary;
  if (!RunOnWorkerPumping([&] {
        const std::uint32_t code = SaveCheckedTree(context, root, target, &created, &summary);
        SaveResult::Set(code, summary);
      }))
    return 0;
  if (createdFolder != nullptr && createdFolderSize > 0) {
    const std::string cut = qm::CutUtf8(created, createdFolderSize - 1);
    std::memcpy(createdFolder, cut.c_str(), cut.size() + 1);
  }
  return 1;
}

int SaveSingleFileJob(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                      const std::string& targetPath) {
  char name[32];
  std::snprintf(name, sizeof name, "File%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(node)));
  std::uint32_t code = qm::kSaveFailed;
  {
    std::shared_ptr<std::mutex> lock = FileLocks().Get(name);
    std::lock_guard guard(*lock);
    qm::SaveContext context{callback, qm::DeviceForNode(device, node)};
    code = SaveOneFile(context, node, targetPath);
    if (code == qm::kSaveFailed) LogError("Failed to recover file :%s", targetPath.c_str());
  }
  FileLocks().Drop(name);
  return code == qm::kSaveDone ? 1 : 0;
}

int StartSaveSelectedFiles(IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                           const char* targetPath, void* dialog) {
  if (targetPath == nullptr) return 0;
  const std::string path = targetPath;
  if (dialog == nullptr) return SaveSingleFileJob(callback, device, node, path);
  int result = 0;
  if (!RunOnWorkerPumping([&] { result = SaveSingleFileJob(callback, device, node, path); })) return 0;
  return result;
}
