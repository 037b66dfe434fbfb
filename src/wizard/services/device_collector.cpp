#include "wizard/services/device_collector.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtWidgets/QWidget>

#include "app/prompter.h"
#include "app/zorv_app.h"
#include "controls/device_select_ctrl.h"
#include "controls/image_wnd.h"
#include "platform/log.h"
#include "platform/worker_thread.h"

CDeviceCollector::CDeviceCollector(DeviceRoad road, DeviceSource& source, CDeviceSelectCtrl* view,
                                   QWidget* mainWindow, QObject* parent)
    : QObject(parent), m_collection(road), m_source(source), m_view(view), m_mainWindow(mainWindow) {}

CDeviceCollector::~CDeviceCollector() {
  // The worker fills only its own result; once joined nothing it holds is
  // touched again, and the result it posted is dropped with this object.
  JoinWorker();
  if (m_mainWindow) m_mainWindow->setEnabled(true);
}

void CDeviceCollector::JoinWorker() {
  if (m_worker.joinable()) m_worker.join();
}

void CDeviceCollector::CollectDevices() {
  JoinWorker();
  QWidget* host = m_mainWindow ? m_mainWindow.data() : (m_view ? m_view->window() : nullptr);
  if (!m_busy && host) {
    m_busy = new CImageWnd(host);
    m_busy->LoadFrames(QPixmap(), 12, 120, true);
  }
  if (m_busy) {
    m_busy->CenterAt(-1, -1);
    m_busy->show();
    m_busy->Play();
  }
  if (m_mainWindow) m_mainWindow->setEnabled(false);
  if (m_view) m_view->DeleteAllItems();

  m_done = false;
  auto result = std::make_shared<CollectedDevices>();
  m_pending = result;
  const bool withVolumes = true;
  m_worker = qm::StartWorker([this, result, withVolumes] {
    m_source.Collect(*result, withVolumes);
    // Back to the user-interface thread; dropped when the collector is gone.
    QMetaObject::invokeMethod(
        this, [this, result] { OnCollected(result); }, Qt::QueuedConnection);
  });
}

void CDeviceCollector::WaitForCollection() {
  while (!m_done) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
}

void CDeviceCollector::Cancel() {
  JoinWorker();
  m_pending.reset(); // its queued answer is dropped
  if (!m_done) {
    m_done = true;
    StopBusy();
    if (m_mainWindow) m_mainWindow->setEnabled(true);
  }
}

void CDeviceCollector::OnCollected(std::shared_ptr<CollectedDevices> devices) {
  if (devices != m_pending) return; // an older collection's late answer
  JoinWorker();
  m_pending.reset();
  m_collection.TakeCollected(std::move(*devices));
  StopBusy();
  FillView(true);
  if (!m_collection.UnreadableReason().empty()) LogInfo("%s", m_collection.UnreadableReason().c_str());
  m_done = true;
  if (m_mainWindow) {
    m_mainWindow->setEnabled(true);
    m_mainWindow->activateWindow();
  }
  Q_EMIT Collected();
}

void CDeviceCollector::StopBusy() {
  if (m_busy && !m_busy->IsStopped()) {
    m_busy->Stop();
    m_busy->hide();
  }
}

void CDeviceCollector::FillView(bool afterCollection) {
  if (!m_view) return;
  m_view->DeleteAllItems();
  // A machine whose disks cannot be opened says so, under the images.
  m_view->SetNotice(m_collection.UnreadableReason().empty() ? QString()
                                                            : tr(m_collection.UnreadableReason().c_str()));
  for (const DeviceRow& row : m_collection.Rows(afterCollection)) {
    DEVICE_ITEM item;
    item.iconKind = row.iconKind;
    item.name = QString::fromStdString(row.caption);
    item.sectorCount = row.sectorCount;
    item.bytesPerSector = row.bytesPerSector;
    item.information = QString::fromStdString(row.information);
    item.itemData = row.record;
    m_view->AddItem(item);
  }
}

AddImageResult CDeviceCollector::AddImage(const std::string& path, const std::string& description,
                                          std::uint32_t sourceDeviceType) {
  const AddImageResult result = m_collection.AddImage(path, description, sourceDeviceType);
  QString text;
  switch (result) {
  case AddImageResult::kAdded:
    FillView();
    break;
  case AddImageResult::kAlreadyOpen:
    text = tr("This image file is open!");
    break;
  case AddImageResult::kInvalid:
    text = tr("This is an invalid image file, please check it!");
    break;
  case AddImageResult::kDestroyed:
    text = tr("This image has been destroyed. ");
    break;
  }
  if (!text.isEmpty()) {
    qm::Prompter& prompter = m_prompter ? *m_prompter : qm::DefaultPrompter();
    prompter.Inform(nullptr, text, qm::ProgramTitle(), qm::PromptIcon::Warning);
  }
  return result;
}

void* CDeviceCollector::SelectedRecord() const {
  if (!m_view) return nullptr;
  return m_view->GetItemData(m_view->GetCurSel());
}

bool CDeviceCollector::IsImageSelected() const { return m_collection.IsImage(SelectedRecord()); }

bool CDeviceCollector::IsPreviousRecoverySelected() const {
  return m_view && m_view->GetCurSel() >= 0 && SelectedRecord() == nullptr;
}

bool CDeviceCollector::RemoveSelectedImage() {
  if (!m_view) return false;
  const int sel = m_view->GetCurSel();
  void* record = m_view->GetItemData(sel);
  if (!m_collection.IsImage(record)) return false;
  // The rows of the image's volumes go with it.
  const bool removed = m_collection.RemoveImage(record);
  FillView();
  return removed;
}
