#include "wizard/pages/device_select_page.h"

#include <QtGui/QCursor>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QMenu>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>

#include "app/language.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/zorv_app.h"
#include "controls/device_select_ctrl.h"
#include "dialogs/partition_dialogs.h"
#include "filemodel/state_file_bundle.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "storage/partition_search_callbacks.h"
#include "wizard/pages/device_page_menus.h"
#include "wizard/services/scan_result_export.h"
#include "wizard/services/wizard_services.h"
#include "wizard/services/wizard_state_files.h"
#include "wizard/steps/device_step.h"

namespace qm {
namespace {

const QColor kFrameColour(203, 212, 219);

QFont UiFont(const QFont& base, int points, bool bold)
{
    QFont font = base;
    font.setFamilies({QString::fromLatin1(GetUIFontName()), base.family()});
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

QString MenuText(const std::string& text) { return QCoreApplication::translate("DevicePageMenus", text.c_str()); }

// The import's refusal comes from the state-file engine in English; the
// same text here puts it into the translation files.
[[maybe_unused]] constexpr const char* kImportMessages[] = {
    QT_TRANSLATE_NOOP("CDeviceListPage",
                      "The imported file (rsf) does not match the current version. Please import it with the "
                      "previous version or scan the disk again."),
};

void AddEntries(QMenu& menu, const std::vector<MenuEntry>& entries)
{
    for (const MenuEntry& entry : entries) {
        QAction* action = menu.addAction(MenuText(entry.text));
        action->setData(entry.command);
        action->setEnabled(entry.enabled);
    }
}

const QString kToolStyle = QStringLiteral(
    "QToolButton { background: transparent; border: 1px solid transparent; border-radius: 3px; padding: 3px 8px;"
    " color: #1d3b5c; }"
    "QToolButton:hover { background: #eaf3fd; border-color: #9fc3e7; }"
    "QToolButton:disabled { color: #a0a8b0; }"
    "QToolButton::menu-indicator { subcontrol-position: right center; right: 3px; }");

}  // namespace

CDeviceSelectPage::CDeviceSelectPage(int index, bool withCheckBox, QWidget* parent)
    : CWizardPage(parent), index_(index)
{
    setObjectName(QStringLiteral("page%1").arg(index));
    regularFont_ = font();
    regularFont_.setFamilies({QString::fromLatin1(GetUIFontName()), regularFont_.family()});
    regularFont_.setPixelSize(15);
    regularFont_.setWeight(QFont::Normal);
    if (withCheckBox) {
        fullScanBox_ = new QCheckBox(LoadAppString(438), this);
        fullScanBox_->setObjectName(QStringLiteral("fullScanBox"));
        fullScanBox_->setFont(UiFont(font(), 9, false));
        fullScanBox_->setFocusPolicy(Qt::TabFocus);
        fullScanBox_->setStyleSheet(QStringLiteral("QCheckBox { background: white; color: #333333; }"));
        fullScanBox_->hide();
        connect(fullScanBox_, &QCheckBox::clicked, this,
                [this](bool checked) { OnCheckBoxClicked(fullScanBox_, checked); });
    }
    ctrl_ = new CDeviceSelectCtrl(this);
    ctrl_->setObjectName(QStringLiteral("deviceCtrl"));
    ctrl_->SetDeviceBitmap(DefaultDeviceBitmaps());
    connect(ctrl_, &CDeviceSelectCtrl::SelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(ctrl_, &CDeviceSelectCtrl::DoubleClicked, this, [this] { OnDoubleClicked(); });
    connect(ctrl_, &CDeviceSelectCtrl::RightClicked, this, [this] { OnRightClicked(); });
}

bool CDeviceSelectPage::IsPreviousRecoverySelected() const
{
    const int selected = ctrl_->GetCurSel();
    return selected >= 0 && ctrl_->GetItemData(selected) == nullptr;
}

QRect CDeviceSelectPage::ControlRect() const { return ctrl_->geometry(); }

void CDeviceSelectPage::OnSizeContent(int width, int height)
{
    LogInfo("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", width, height);
    const QRect& sub = rects_.subtitle;
    const QRect& bottom = rects_.bottom;
    QRect control(QPoint(sub.left(), sub.bottom() + 1), QPoint(sub.right(), bottom.bottom()));
    // The box takes the bottom line only where it shows.
    if (fullScanBox_ != nullptr && !fullScanBox_->isHidden()) {
        QRect box = bottom.adjusted(0, bottom.height() / 3, -50, 0);
        fullScanBox_->setGeometry(box);
        control.setBottom(bottom.top() - 1);
    }
    ctrl_->setGeometry(control);
}

void CDeviceSelectPage::OnDrawContent(QPainter& painter)
{
    const QRect control = ctrl_->geometry();
    const QRect frame = control.adjusted(-1, -1, 0, 0);
    painter.setPen(kFrameColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    painter.save();
    OnDrawExtra(painter);
    painter.restore();
}

void CDeviceSelectPage::showEvent(QShowEvent* event)
{
    CWizardPage::showEvent(event);
    if (fullScanBox_ != nullptr && shared_ != nullptr) {
      fullScanBox_->setChecked(shared_->settings.bPageOption != 0);
    }
}

void CDeviceSelectPage::OnDoubleClicked()
{
    if (IWizardPageController* controller = GetController()) {
        controller->Next();
    }
}

void CDeviceSelectPage::OnCheckBoxClicked(QCheckBox*, bool checked)
{
    // The tick lets the user choose among the partitions a scan finds.
    if (shared_ != nullptr) {
      shared_->settings.bPageOption = checked ? 1 : 0;
    }
}

void CDeviceSelectPage::RunMenu(QMenu& menu)
{
    if (menu.isEmpty()) {
        return;
    }
    if (QAction* chosen = menu.exec(QCursor::pos())) {
        OnCommand(chosen->data().toInt());
    }
}

CDeviceListPage::CDeviceListPage(int index, DevicePageCommands commands, int ctrlStyle, int helpId, QWidget* parent)
    : CDeviceSelectPage(index, index != kPageDeleteRecoveryDevice, parent), commands_(commands), helpId_(helpId)
{
    // The partition-selection box shows on the complete and partition roads.
    if (fullScanBox_ != nullptr) {
        fullScanBox_->show();
    }
    refresh_ = new QToolButton(this);
    refresh_->setObjectName(QStringLiteral("refreshButton"));
    refresh_->setText(tr("Refresh"));
    refresh_->setToolTip(tr("Look for disks and volumes again"));
    refresh_->setIcon(ThemeIcon("view-refresh", QStyle::SP_BrowserReload));
    refresh_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    refresh_->setStyleSheet(kToolStyle);
    connect(refresh_, &QToolButton::clicked, this, [this] { OnCommand(commands_.refresh); });

    strip_ = new QWidget(this);
    strip_->setObjectName(QStringLiteral("strip"));
    auto* layout = new QHBoxLayout(strip_);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    diskImage_ = new QToolButton(strip_);
    diskImage_->setObjectName(QStringLiteral("diskImageButton"));
    diskImage_->setText(tr("Disk Image"));
    diskImage_->setIcon(ThemeIcon("media-optical", QStyle::SP_DriveCDIcon));
    diskImage_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    diskImage_->setStyleSheet(kToolStyle);
    connect(diskImage_, &QToolButton::clicked, this, [this] { OnCommand(commands_.diskImageMenu); });
    layout->addWidget(diskImage_);
    if (commands_.importResult != 0) {
        import_ = new QToolButton(strip_);
        import_->setObjectName(QStringLiteral("importButton"));
        import_->setText(tr("Import Scan Result"));
        import_->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
        import_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        import_->setStyleSheet(kToolStyle);
        connect(import_, &QToolButton::clicked, this, [this] { OnCommand(commands_.importResult); });
        layout->addWidget(import_);
    }
    layout->addStretch(1);
    options_ = new QToolButton(strip_);
    options_->setObjectName(QStringLiteral("optionsButton"));
    options_->setText(tr("Options"));
    options_->setIcon(ThemeIcon("preferences-system", QStyle::SP_FileDialogDetailedView));
    options_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    options_->setStyleSheet(kToolStyle);
    connect(options_, &QToolButton::clicked, this, [this] {
        if (controller_ != nullptr) {
            controller_->ShowAdvancedSettings();
        }
    });
    layout->addWidget(options_);
    strip_->setStyleSheet(QStringLiteral("#strip { background: white; }"));
    ctrl_->SetCtrlStyle(ctrlStyle);
}

IWizardPageController* CDeviceListPage::GetController() { return controller_; }

void CDeviceListPage::OnSizeContent(int width, int height)
{
    CDeviceSelectPage::OnSizeContent(width, height);
    const QRect& sub = rects_.subtitle;
    const int h = std::min(sub.height() - 2, refresh_->sizeHint().height());
    refresh_->setGeometry(sub.left(), sub.top(), refresh_->sizeHint().width(), h);
    strip_->setGeometry(refresh_->geometry().right() + 1, sub.top(), sub.right() - refresh_->geometry().right(), h);
}

void CDeviceListPage::FillDiskImageMenu(QMenu& menu)
{
    menu.clear();
    const bool selected = controller_ != nullptr && controller_->SelectCurrent();
    const bool image = selected && controller_->IsImageSelected();
    std::vector<MenuEntry> entries = DiskImageMenu(selected, image);
    // Without the imaging wizard there is nothing to image a device with.
    const WizardShared* context = shared_;
    if (context == nullptr || !context->services.createDiskImage) {
      entries[0].enabled = false;
    }
    AddEntries(menu, entries);
}

void CDeviceListPage::FillItemMenu(QMenu& menu)
{
    menu.clear();
    const bool previous = IsPreviousRecoverySelected();
    const bool image = controller_ != nullptr && controller_->IsImageSelected();
    AddEntries(menu, DeviceItemMenu(index_, commands_.recover, previous, image));
}

void CDeviceListPage::ShowDiskImageMenu()
{
    QMenu menu(this);
    FillDiskImageMenu(menu);
    QAction* chosen = menu.exec(diskImage_->mapToGlobal(QPoint(0, diskImage_->height())));
    if (chosen != nullptr) {
        OnCommand(chosen->data().toInt());
    }
}

void CDeviceListPage::OnRightClicked()
{
    QMenu menu(this);
    FillItemMenu(menu);
    RunMenu(menu);
}

void CDeviceListPage::RemoveSelected()
{
    if (controller_ == nullptr) {
        return;
    }
    if ((index_ == kPageCompleteRecoveryDevice || index_ == kPageLostRecoveryDisk) && IsPreviousRecoverySelected()) {
        controller_->RemovePreviousRecovery();
    } else {
        controller_->RemoveImage();
    }
}

int CDeviceListPage::OnCommand(int id)
{
    if (controller_ == nullptr) {
        return 0;
    }
    if (id == commands_.refresh) {
        controller_->CollectDevices();
    } else if (id == commands_.diskImageMenu) {
        ShowDiskImageMenu();
    } else if (commands_.importResult != 0 && id == commands_.importResult) {
        ImportScanResult();
    } else if (id == commands_.recover) {
        return controller_->Next() ? 1 : 0;
    } else if (id == kCmdDiskImage) {
        controller_->CreateImage();
    } else if (id == kCmdOpenDiskImage) {
        controller_->OpenImage();
    } else if (id == kCmdOpenRawImageFile) {
        controller_->OpenImageFile();
    } else if (id == kCmdDeleteImage) {
        RemoveSelected();
    } else {
        return 0;
    }
    return 1;
}

void CDeviceListPage::ImportScanResult()
{
  const WizardShared* context = shared_;
  if (controller_ == nullptr || context == nullptr || !context->services.chooseOpenFile) {
    return;
  }
  const QString chosen =
      context->services.chooseOpenFile(this, tr("Import Scan Result"), FileDialogFilter(LoadAppString(400)));
  if (chosen.isEmpty()) {
    return;
    }
    const QByteArray path = chosen.toLocal8Bit();
    // The state files name their folder in 260 bytes: a longer path could
    // not be imported whole.
    if (path.size() > 259) {
        LogInfo("Import refused: the path is longer than 259 bytes");
        return;
    }
    int loaded = 0;
    try {
      CStateFile file(
          0,
          [this, context](const char* text) {
            context->prompter.Inform(this, QCoreApplication::translate("CDeviceListPage", text),
                                     ProgramTitle(), PromptIcon::Warning);
          },
          StateFolder());
      loaded = file.Load(path.constData());
    } catch (...) {
        loaded = 0;
    }
    if (loaded != 0) {
        CommitStateFile(controller_->GetSearchKind());
        controller_->CollectDevices();
    }
}

CDeleteRecoveryPartitionDeviceSelectPage::CDeleteRecoveryPartitionDeviceSelectPage(QWidget* parent)
    : CDeviceListPage(kPageDeleteRecoveryDevice, {1007, 1008, 0, 1009}, kCtrlStylePartition, 16, parent)
{
}

CCompleteRecoveryPartitionDeviceSelectPage::CCompleteRecoveryPartitionDeviceSelectPage(QWidget* parent)
    : CDeviceListPage(kPageCompleteRecoveryDevice, {1010, 1011, 1013, 1012}, kCtrlStylePartition, 50, parent)
{
}

int CCompleteRecoveryPartitionDeviceSelectPage::OnCommand(int id)
{
    if (id == kCmdOpenRawImageFile) {
      if (IDeviceStepController* controller = Controller()) {
        controller->OpenRawImageFile();
      }
        return 1;
    }
    return CDeviceListPage::OnCommand(id);
}

CLostRecoveryDiskDeviceSelectPage::CLostRecoveryDiskDeviceSelectPage(QWidget* parent)
    : CDeviceListPage(kPageLostRecoveryDisk, {1013, 1014, 1016, 1015}, kCtrlStyleDisk, 51, parent)
{
}

CLostRecoveryPartitionDeviceSelectPage::CLostRecoveryPartitionDeviceSelectPage(QWidget* parent)
    : CDeviceSelectPage(kPageLostRecoveryPartition, true, parent)
{
    wholeDisk_ = new QCheckBox(LoadAppString(188), this);
    wholeDisk_->setObjectName(QStringLiteral("wholeDiskBox"));
    wholeDisk_->setFont(UiFont(font(), 9, true));
    wholeDisk_->setFocusPolicy(Qt::TabFocus);
    wholeDisk_->setStyleSheet(QStringLiteral("QCheckBox { background: white; color: #1d3b5c; }"));
    connect(wholeDisk_, &QCheckBox::clicked, this, [this](bool checked) { OnCheckBoxClicked(wholeDisk_, checked); });
    ctrl_->SetCtrlStyle(kCtrlStylePartition);
}

void CLostRecoveryPartitionDeviceSelectPage::OnSizeContent(int width, int height)
{
    CDeviceSelectPage::OnSizeContent(width, height);
    const QRect& sub = rects_.subtitle;
    const int left = sub.left() + 18;
    // Short of the frame line under the subtitle.
    wholeDisk_->setGeometry(left, sub.top(), (sub.right() + 1 - left) * 2 / 3, sub.height() - 1);
}

void CLostRecoveryPartitionDeviceSelectPage::OnDrawExtra(QPainter& painter)
{
    painter.setFont(regularFont_);
    painter.setPen(QColor(0x33, 0x33, 0x33));
    painter.drawText(rects_.title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, LoadAppString(187));
}

void CLostRecoveryPartitionDeviceSelectPage::OnSelectionChanged()
{
    // A chosen partition and the whole-disk scan exclude each other.
    wholeDisk_->setChecked(false);
    if (controller_ != nullptr) {
        controller_->SetWholeDiskScan(0);
    }
}

void CLostRecoveryPartitionDeviceSelectPage::OnCheckBoxClicked(QCheckBox* box, bool checked)
{
    if (box != wholeDisk_) {
        CDeviceSelectPage::OnCheckBoxClicked(box, checked);
        return;
    }
    if (controller_ != nullptr) {
        controller_->SetWholeDiskScan(checked ? 1 : 0);
    }
    if (checked) {
        ctrl_->ClearSelection();
    }
}

void CLostRecoveryPartitionDeviceSelectPage::ResetControls()
{
    wholeDisk_->setChecked(false);
    ctrl_->ClearSelection();
}

void CLostRecoveryPartitionDeviceSelectPage::FillItemMenu(QMenu& menu)
{
    menu.clear();
    AddEntries(menu, DeviceItemMenu(kPageLostRecoveryPartition, kRecoverCommand, false, false));
}

void CLostRecoveryPartitionDeviceSelectPage::OnRightClicked()
{
    QMenu menu(this);
    FillItemMenu(menu);
    RunMenu(menu);
}

int CLostRecoveryPartitionDeviceSelectPage::OnCommand(int id)
{
    if (id == kRecoverCommand) {
        return controller_ != nullptr && controller_->Next() ? 1 : 0;
    }
    if (id == kCmdProperties) {
        const int selected = ctrl_->GetCurSel();
        if (selected < 0) {
            return 0;
        }
        const auto* record = static_cast<const LostPartitionRecord*>(ctrl_->GetItemData(selected));
        if (record == nullptr) {
            return 0;
        }
        const std::pair<std::uint64_t, std::uint64_t> range(record->startSector, record->sectorCount);
        CScanPartitionPropertiesDlg dialog(this);
        dialog.SetSectorRange(&range);
        dialog.exec();
        return 1;
    }
    return 0;
}

}  // namespace qm
