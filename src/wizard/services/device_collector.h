// Fills a device page's view with what a DeviceSource finds, on a worker
// thread, while a busy animation turns over the disabled main window. The
// worker only collects; the user-interface thread fills the view once the
// result comes back. A collector that is destroyed (the page left, the
// program closing) stops waiting and joins its worker first.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <memory>
#include <thread>

#include "controls/image_wnd.h"
#include "wizard/services/device_list_collection.h"

class CDeviceSelectCtrl;
class QWidget;

namespace qm {
class Prompter;
}

class CDeviceCollector : public QObject {
  Q_OBJECT
public:
  CDeviceCollector(DeviceRoad road, DeviceSource& source, CDeviceSelectCtrl* view, QWidget* mainWindow,
                   QObject* parent = nullptr);
  ~CDeviceCollector() override;

  // Starts a fresh collection (the previous one is waited for first).
  void CollectDevices();
  bool IsCollecting() const { return m_worker.joinable() && !m_done; }
  // Waits for the worker's result and fills the view (tests, shutdown).
  void WaitForCollection();
  // Waits for a running worker and drops what it found: the page is left.
  void Cancel();

  // Adds an image file and its row; a refusal is told through the prompter.
  AddImageResult AddImage(const std::string& path, const std::string& description = {},
                          std::uint32_t sourceDeviceType = 255);
  // Removes the selected image; false when the selection is not an image.
  bool RemoveSelectedImage();
  // The record of the selected row; null for none or the previous-recovery entry.
  void* SelectedRecord() const;
  bool IsImageSelected() const;
  bool IsPreviousRecoverySelected() const;

  void SetPrompter(qm::Prompter* prompter) { m_prompter = prompter; }
  // The window disabled while collecting (the page may move to another).
  void SetMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }
  CDeviceListCollection& Collection() { return m_collection; }
  CImageWnd* BusyAnimation() const { return m_busy; }
  // Fills the view again from the collection (afterCollection: the fill
  // that ends a collection, see CDeviceListCollection::Rows).
  void FillView(bool afterCollection = false);

Q_SIGNALS:
  void Collected();

private:
  void OnCollected(std::shared_ptr<CollectedDevices> devices);
  void StopBusy();
  void JoinWorker();

  CDeviceListCollection m_collection;
  DeviceSource& m_source;
  QPointer<CDeviceSelectCtrl> m_view;
  QPointer<QWidget> m_mainWindow;
  QPointer<CImageWnd> m_busy;
  qm::Prompter* m_prompter = nullptr;
  std::thread m_worker;
  std::shared_ptr<CollectedDevices> m_pending;
  bool m_done = true;
};
