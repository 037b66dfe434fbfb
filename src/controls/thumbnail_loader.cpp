#include "controls/thumbnail_loader.h"

#include <QtGui/QImageReader>

#include <atomic>
#include <chrono>

#include "controls/preview_views.h"
#include "filemodel/file_node.h"
#include "filemodel/file_recover_callback.h"
#include "filemodel/file_saver.h"
#include "platform/log.h"
#include "platform/out_of_memory.h"
#include "platform/worker_thread.h"
#include "preview/temp_path_names.h"

namespace qm {
namespace {

// Thumbnail copies show no progress; they stop when the list goes away or
// shows other rows.
class SilentCallback : public IFileRecoverCallback {
public:
  SilentCallback(const std::atomic<bool>& stop, const std::atomic<std::uint64_t>& generation,
                 std::uint64_t mine)
      : stop_(stop), generation_(generation), mine_(mine) {}
  int OnBegin(std::uint32_t, std::uint64_t) override { return Poll(); }
  int OnFileDone(std::uint32_t) override { return 0; }
  int OnBytesWritten(std::uint64_t) override { return Poll(); }
  int OnBytesTakenBack(std::uint32_t) override { return Poll(); }
  int OnFileBegin(const char*) override { return Poll(); }
  int Poll() override { return stop_ || generation_ != mine_ ? -1 : 0; }

private:
  const std::atomic<bool>& stop_;
  const std::atomic<std::uint64_t>& generation_;
  std::uint64_t mine_;
};

} // namespace

QSize ThumbnailSize(QSize picture) {
  const int w = picture.width();
  const int h = picture.height();
  if (w <= 0 || h <= 0) return {};
  if (w < kThumbnailSide && h < kThumbnailSide) return picture;
  if (w >= h)
    return QSize(kThumbnailSide,
                 std::max(1, static_cast<int>(static_cast<long long>(h) * kThumbnailSide / w)));
  return QSize(std::max(1, static_cast<int>(static_cast<long long>(w) * kThumbnailSide / h)), kThumbnailSide);
}

QImage MakeThumbnail(const QString& path) {
  QImageReader::setAllocationLimit(kImageAllocationLimitMiB);
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (size.isValid()) {
    const QSize target = ThumbnailSize(size);
    if (target.isEmpty()) return {};
    // Decoders that can scale while decoding (JPEG) never make the full
    // picture.
    reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.size() != target) image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
  }
  QImage image = reader.read();
  if (image.isNull()) return {};
  const QSize target = ThumbnailSize(image.size());
  if (target.isEmpty()) return {};
  return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent) {
  worker_ = StartWorker([this] { Run(); });
}

ThumbnailLoader::~ThumbnailLoader() {
  {
    std::lock_guard guard(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ThumbnailLoader::SetSource(IStorageDevice* source) {
  std::lock_guard guard(lock_);
  source_ = source;
}

void ThumbnailLoader::SetRows(std::vector<CFileNode*> rows) {
  std::unique_lock guard(lock_);
  rows_ = std::move(rows);
  entries_.clear();
  queue_.Clear();
  ++generation_;
  // The old rows' nodes may be freed as soon as this returns: a copy of
  // one of them still running is stopped (its callback sees the new
  // generation) and waited for.
  idle_.wait(guard, [this] { return !busy_; });
}

void ThumbnailLoader::ClearThumbnails() {
  std::lock_guard guard(lock_);
  entries_.clear();
  queue_.Clear();
  ++generation_;
}

void ThumbnailLoader::Request(int first, int last) {
  {
    std::lock_guard guard(lock_);
    if (rows_.empty()) return;
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(rows_.size()) - 1);
    // The row being made now is not asked for again.
    queue_.Request(first, last,
                   [this](int row) { return entries_.count(row) != 0 || (busy_ && row == loading_); });
  }
  wake_.notify_all();
}

bool ThumbnailLoader::HasEntry(int row) const {
  std::lock_guard guard(lock_);
  return entries_.count(row) != 0;
}

QImage ThumbnailLoader::Thumbnail(int row) const {
  std::lock_guard guard(lock_);
  const auto it = entries_.find(row);
  return it == entries_.end() ? QImage() : it->second.picture;
}

std::vector<int> ThumbnailLoader::Waiting() const {
  std::lock_guard guard(lock_);
  return {queue_.Rows().begin(), queue_.Rows().end()};
}

bool ThumbnailLoader::WaitIdle(int timeoutMs) const {
  std::unique_lock guard(lock_);
  return idle_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                        [this] { return queue_.Empty() && !busy_; });
}

int ThumbnailLoader::RecoveredCount() const {
  std::lock_guard guard(lock_);
  return recovered_;
}

void ThumbnailLoader::Run() {
  std::unique_lock guard(lock_);
  for (;;) {
    wake_.wait(guard, [this] { return stop_ || !queue_.Empty(); });
    if (stop_) break;
    const int row = *queue_.Take();
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
      if (queue_.Empty()) idle_.notify_all();
      continue;
    }
    CFileNode* node = rows_[static_cast<std::size_t>(row)];
    IStorageDevice* source = source_;
    const std::uint64_t generation = generation_;
    busy_ = true;
    loading_ = row;
    // The copy and the scaling run without the lock: the list may refill
    // meanwhile, and a result for rows that are gone is dropped.
    guard.unlock();
    QImage picture = Load(node, source, generation);
    guard.lock();
    busy_ = false;
    loading_ = -1;
    idle_.notify_all();
    if (generation == generation_ && !stop_) {
      entries_[row] = Entry{node, std::move(picture)};
      guard.unlock();
      Q_EMIT ThumbnailReady(row);
      guard.lock();
    }
    if (queue_.Empty()) idle_.notify_all();
  }
  busy_ = false;
  idle_.notify_all();
}

QImage ThumbnailLoader::Load(CFileNode* node, IStorageDevice* source, std::uint64_t generation) {
  IFileProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
  if (properties == nullptr) return {};
  // Large and encrypted files show their type icon.
  if (properties->GetSize() > kThumbnailMaxFileSize || (properties->GetAttributes() & kAttrEncrypted) != 0)
    return {};
  auto& names = CTempPathNameSignle::GetInstance();
  const std::string path = names.MakeTempName();
  if (path.empty()) return {};
  QImage picture;
  try {
    SilentCallback callback(stop_, generation_, generation);
    if (StartSaveSelectedFiles(&callback, source, node, path.c_str(), nullptr) != 0) {
      {
        std::lock_guard guard(lock_);
        ++recovered_;
      }
      picture = MakeThumbnail(QString::fromStdString(path));
      if (picture.isNull()) LogInfo("No thumbnail for %s: not a picture", properties->GetName());
    } else {
      LogInfo("Recover file failed for the thumbnail of %s", properties->GetName());
    }
  } catch (const OutOfMemoryException&) {
    throw; // the memory crash, reported by the worker's handler
  } catch (const std::exception& error) {
    LogError("Thumbnail of %s failed: %s", properties->GetName(), error.what());
    picture = QImage();
  }
  names.DeleteTempFile(path);
  return picture;
}

} // namespace qm
