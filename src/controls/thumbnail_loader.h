// The thumbnails of a file list, made on a worker thread: each picture file
// the list shows is recovered to a temporary copy of its own, scaled to at
// most 80 pixels on its longer side, and the copy deleted. Only the rows
// the list asks for are made, the newest request first, at most 40
// waiting.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QSize>
#include <QtGui/QImage>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "preview/thumbnail_queue.h"

class CFileNode;
class IStorageDevice;

namespace qm {

// Files larger than this (15 MiB) are never recovered for a thumbnail.
inline constexpr std::uint64_t kThumbnailMaxFileSize = 15728640;
inline constexpr int kThumbnailSide = 80;

// A picture's thumbnail size: its own when both sides are below 80, else
// the longer side 80 and the other scaled alike (at least 1).
QSize ThumbnailSize(QSize picture);

// Decodes a picture file (allocation-limited) straight to its thumbnail
// size; a null image when it is not a picture.
QImage MakeThumbnail(const QString& path);

class ThumbnailLoader : public QObject {
  Q_OBJECT
public:
  explicit ThumbnailLoader(QObject* parent = nullptr);
  // Stops the worker and waits for it.
  ~ThumbnailLoader() override;

  void SetSource(IStorageDevice* source);
  // New rows: the thumbnails and the waiting requests of the old ones go.
  // Returns once no copy of an old row runs, so their nodes may be freed.
  void SetRows(std::vector<CFileNode*> rows);
  // Forgets every thumbnail made (the list switched to this view again).
  void ClearThumbnails();
  // The list shows rows first..last: those without a thumbnail are queued.
  void Request(int first, int last);

  // Whether the row was tried, and its thumbnail (null when none).
  bool HasEntry(int row) const;
  QImage Thumbnail(int row) const;
  std::vector<int> Waiting() const;
  // Waits until nothing waits and the worker is idle; false on time-out.
  bool WaitIdle(int timeoutMs) const;
  // How many files were recovered for thumbnails (tests).
  int RecoveredCount() const;

Q_SIGNALS:
  // Sent from the worker: the row has its entry now.
  void ThumbnailReady(int row);

private:
  struct Entry {
    CFileNode* node = nullptr;
    QImage picture;
  };
  void Run();
  QImage Load(CFileNode* node, IStorageDevice* source, std::uint64_t generation);

  mutable std::mutex lock_;
  mutable std::condition_variable wake_;
  mutable std::condition_variable idle_;
  std::vector<CFileNode*> rows_;
  std::map<int, Entry> entries_;
  ThumbnailQueue queue_;
  IStorageDevice* source_ = nullptr;
  std::atomic<std::uint64_t> generation_{0}; // bumped whenever rows or entries are reset
  bool busy_ = false;
  int loading_ = -1; // the row being made while busy
  std::atomic<bool> stop_{false};
  int recovered_ = 0;
  std::thread worker_;
};

} // namespace qm
