#include "wizard/wizard_sheet.h"

#include <QtGui/QActionGroup>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QStyle>

#include "app/language.h"
#include "app/prompter.h"
#include "app/string_table.h"
#include "app/usage_events.h"
#include "controls/button_plus.h"
#include "controls/file_type_tree.h"
#include "controls/xp_menu.h"
#include "dialogs/about_dlg.h"
#include "platform/log.h"
#include "storage/app_settings.h"
#include "wizard/pages/recovery_mode_page.h"
#include "wizard/pages/save_file_page.h"
#include "wizard/pages/save_result_page.h"
#include "wizard/pages/type_of_file_page.h"
#include "wizard/pages/wizard_page.h"
#include "wizard/services/wizard_services.h"
#include "wizard/steps/save_file_step.h"

namespace qm {
namespace {

const char* const kWebsiteUrl = "https://www.quenmark.com/";
const char* const kSupportUrl = "https://www.quenmark.com/support/";

// The frame's texts, under the translation context of the wizard frame; a
// class rather than a helper function so that lupdate finds the literals.
struct SheetText {
  Q_DECLARE_TR_FUNCTIONS(CWizardSheet)
};

struct PageInfo {
  int helpId;
  const char* title;
};
constexpr PageInfo kPlaceholderPages[kPageCount] = {
    {15, ""},
    {16, QT_TRANSLATE_NOOP("CWizardSheet",
                           "Deleted File Recovery: the list of volumes comes with the device step.")},
    {50, QT_TRANSLATE_NOOP("CWizardSheet",
                           "Format Recovery: the list of volumes and images comes with the device step.")},
    {51,
     QT_TRANSLATE_NOOP("CWizardSheet", "Partition Recovery: the list of disks comes with the device step.")},
    {51, QT_TRANSLATE_NOOP("CWizardSheet", "Found partitions")},
    {27, QT_TRANSLATE_NOOP("CWizardSheet", "Recovery result")},
    {25, QT_TRANSLATE_NOOP("CWizardSheet", "Save files")},
    {50, QT_TRANSLATE_NOOP("CWizardSheet", "Partitions found on the device")},
    {51, QT_TRANSLATE_NOOP("CWizardSheet", "Partitions found on the disk")},
    {23, QT_TRANSLATE_NOOP("CWizardSheet", "Files found")},
    {52, ""},
};

QIcon StandardIcon(const char* theme, QStyle::StandardPixmap fallback) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(theme));
  return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

} // namespace

std::optional<WizardBanner> BannerForPage(int page, int mode, bool photo) {
  const QString where = SheetText::tr("Where did you lose your files?");
  const QString pick = SheetText::tr("Please select files and click Recover to recover.");
  const QString deleted = SheetText::tr("Deleted Recovery");
  const QString format = photo ? SheetText::tr("Photo Recovery") : SheetText::tr("Format Recovery");
  const QString partition = SheetText::tr("Partition Recovery");
  switch (page) {
  case kPageRecoveryMode:
    return WizardBanner{LoadAppString(349),
                        SheetText::tr("Data recovery in a few steps: choose how your files were lost.")};
  case kPageTypeOfFile:
    return mode == 0   ? WizardBanner{deleted, where}
           : mode == 1 ? WizardBanner{format, where}
           : mode == 2 ? WizardBanner{partition, where}
                       : std::optional<WizardBanner>();
  case kPageDeleteRecoveryDevice:
    return mode == 0 ? std::optional<WizardBanner>(WizardBanner{deleted, where}) : std::nullopt;
  case kPageCompleteRecoveryDevice:
    return mode == 1 ? std::optional<WizardBanner>(WizardBanner{format, where}) : std::nullopt;
  case kPageLostRecoveryDisk:
    return mode == 2 ? std::optional<WizardBanner>(WizardBanner{partition, where}) : std::nullopt;
  case kPageCompleteRecoveryScanPartition:
    return mode == 1 ? std::optional<WizardBanner>(WizardBanner{format, pick}) : std::nullopt;
  case kPageLostRecoveryScanPartition:
    return mode == 2 ? std::optional<WizardBanner>(WizardBanner{
                           partition, SheetText::tr("Please select partition that may contain your data.")})
                     : std::nullopt;
  case kPageFileSelect:
    return mode == 0   ? WizardBanner{deleted, pick}
           : mode == 1 ? WizardBanner{format, pick}
           : mode == 2 ? WizardBanner{partition, pick}
                       : std::optional<WizardBanner>();
  default:
    return std::nullopt;
  }
}

CWizardSheet::CWizardSheet(const WizardShared& shared, QWidget* parent) : QWidget(parent), shared_(shared) {
  setObjectName(QStringLiteral("wizardSheet"));
  ownController_.SetWizardSheet(this);
  controller_ = &ownController_;
}

void CWizardSheet::SetPages(const std::array<CWizardPage*, kPageCount>& pages) {
  pages_ = pages;
  for (int i = 1; i < kPageTypeOfFile; ++i) {
    if (pages_[static_cast<std::size_t>(i)] == nullptr) {
      pages_[static_cast<std::size_t>(i)] = new CPlaceholderPage(
          i, kPlaceholderPages[i].helpId, SheetText::tr(kPlaceholderPages[i].title), this);
    }
  }
  connect(&TypePage(), &CTypeOfFileToRecoveryPage::NextAllowed, this, &CWizardSheet::EnableButton);
  for (CWizardPage* page : pages_) {
    page->hide();
  }
  CreateButtons();
  ShowNavigationButtons(false);
  SetActivePage(kPageRecoveryMode);
}

CWizardSheet::~CWizardSheet() = default;

void CWizardSheet::SetController(IWizardSheetController* controller) {
  LogInfo("------------------------ParmInfo:IWizardSheetController* pController=%p",
          static_cast<void*>(controller));
  controller_ = controller;
}

CWizardPage* CWizardSheet::Page(int index) const {
  return index >= 0 && index < kPageCount ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

CWizardPage* CWizardSheet::GetActivePage() const { return Page(active_); }

CRecoveryModeSelectPage& CWizardSheet::ModePage() const {
  return *static_cast<CRecoveryModeSelectPage*>(pages_[kPageRecoveryMode]);
}

CTypeOfFileToRecoveryPage& CWizardSheet::TypePage() const {
  return *static_cast<CTypeOfFileToRecoveryPage*>(pages_[kPageTypeOfFile]);
}

CButtonPlus* CWizardSheet::Button(int id) const {
  switch (id) {
  case kLanguage:
    return language_;
  case kHome:
    return home_;
  case kNext:
    return next_;
  case kBack:
    return back_;
  case kWebsite:
    return website_;
  case kSupport:
    return support_;
  case kAbout:
    return about_;
  default:
    return nullptr;
  }
}

CButtonPlus* CWizardSheet::PrimaryButton() const { return active_ == kPageFileSelect ? recover_ : next_; }

void CWizardSheet::CreateButtons() {
  auto make = [this](int id, const QString& text, const QIcon& icon, bool hand) {
    auto* button = new CButtonPlus(id, text, this);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->SetHandCursor(hand);
    return button;
  };
  home_ = make(kHome, SheetText::tr("Home"), StandardIcon("go-home", QStyle::SP_DirHomeIcon), false);
  next_ = make(kNext, SheetText::tr("Next"), StandardIcon("go-next", QStyle::SP_ArrowForward), false);
  recover_ = make(kNext, SheetText::tr("Recover"), StandardIcon("document-save", QStyle::SP_DialogSaveButton),
                  false);
  recover_->setObjectName(QStringLiteral("recoverButton"));
  back_ = make(kBack, SheetText::tr("Back"), StandardIcon("go-previous", QStyle::SP_ArrowBack), false);
  website_ = make(kWebsite, SheetText::tr("Website"),
                  StandardIcon("applications-internet", QStyle::SP_DriveNetIcon), true);
  support_ = make(kSupport, SheetText::tr("Support"),
                  StandardIcon("help-contents", QStyle::SP_DialogHelpButton), true);
  about_ = make(kAbout, SheetText::tr("About"), StandardIcon("help-about", QStyle::SP_MessageBoxInformation),
                true);
  language_ = make(kLanguage, SheetText::tr("Language"),
                   StandardIcon("preferences-desktop-locale", QStyle::SP_FileDialogDetailedView), false);
  const QString navigation = QStringLiteral(
      "QToolButton { background: #ffffff; border: 1px solid #9fb3c8; border-radius: 4px; padding: 4px 14px;"
      " color: #1d3b5c; min-width: 88px; min-height: 26px; }"
      "QToolButton:hover { background: #eaf3fd; border-color: #5b9bd5; }"
      "QToolButton:disabled { color: #a0a8b0; border-color: #d0d7de; }");
  const QString top = QStringLiteral(
      "QToolButton { background: transparent; border: none; color: #ffffff; padding: 4px 8px; }"
      "QToolButton:hover { background: rgba(255, 255, 255, 40); border-radius: 3px; }"
      "QToolButton:disabled { color: rgba(255, 255, 255, 110); }");
  for (CButtonPlus* button : {home_, next_, recover_, back_}) {
    button->setStyleSheet(navigation);
    button->adjustSize();
  }
  for (CButtonPlus* button : {website_, support_, about_, language_}) {
    button->setStyleSheet(top);
    button->setIconSize(QSize(16, 16));
    button->adjustSize();
  }
  next_->setLayoutDirection(Qt::RightToLeft); // arrow after the word
  next_->hide();
  recover_->hide();
  connect(home_, &QToolButton::clicked, this, &CWizardSheet::OnHome);
  connect(back_, &QToolButton::clicked, this, &CWizardSheet::OnBack);
  connect(next_, &QToolButton::clicked, this, &CWizardSheet::OnNext);
  connect(recover_, &QToolButton::clicked, this, &CWizardSheet::OnNext);
  connect(website_, &QToolButton::clicked, this,
          [this] { shared_.services.openUrl(QString::fromLatin1(kWebsiteUrl)); });
  connect(support_, &QToolButton::clicked, this,
          [this] { shared_.services.openUrl(QString::fromLatin1(kSupportUrl)); });
  connect(about_, &QToolButton::clicked, this, &CWizardSheet::ShowAbout);
  connect(language_, &QToolButton::clicked, this, &CWizardSheet::ShowLanguageMenu);
}

QRect CWizardSheet::TopStrip() const { return QRect(0, 0, width(), kTopBandHeight); }

QRect CWizardSheet::BottomStrip() const {
  return QRect(0, height() - kBottomBandHeight, width(), kBottomBandHeight);
}

QRect CWizardSheet::PageRect() const {
  return QRect(QPoint(0, kTopBandHeight), QPoint(width() - 1, height() - kBottomBandHeight - 1));
}

void CWizardSheet::LayoutButtons() {
  website_->move(10, 0);
  int right = width();
  for (CButtonPlus* button : {about_, support_, language_}) {
    right -= button->width();
    button->move(right, 0);
  }
  const QRect strip = BottomStrip();
  CButtonPlus* primary = PrimaryButton();
  auto y = [&](CButtonPlus* button) { return strip.top() + (strip.height() - button->height()) / 2 + 2; };
  const int primaryX = strip.right() + 1 - 50 - primary->width();
  primary->move(primaryX, y(primary));
  back_->move(primaryX - 5 - back_->width(), y(back_));
  home_->move(strip.left() + 50, y(home_));
}

void CWizardSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (CWizardPage* page = GetActivePage()) {
    page->setGeometry(PageRect());
  }
  LayoutButtons();
}

void CWizardSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect top = TopStrip();
  QLinearGradient band(top.topLeft(), top.bottomLeft());
  band.setColorAt(0.0, QColor(0x1F, 0x4E, 0x79));
  band.setColorAt(1.0, QColor(0x2E, 0x75, 0xB6));
  painter.fillRect(top, band);
  QFont title = font();
  title.setFamilies({QString::fromLatin1(GetUIFontName()), title.family()});
  title.setPointSize(16);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(50, 24, top.width() - 100, 30), Qt::AlignLeft | Qt::AlignVCenter, banner_.title);
  QFont line = title;
  line.setPointSize(10);
  line.setBold(false);
  painter.setFont(line);
  painter.setPen(QColor(0xDD, 0xEB, 0xF7));
  painter.drawText(QRect(50, 54, top.width() - 100, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   banner_.instruction);
  const QRect bottom = BottomStrip();
  painter.fillRect(bottom, QColor(0xEE, 0xF2, 0xF6));
  painter.setPen(QColor(0xC9, 0xD3, 0xDF));
  painter.drawLine(bottom.topLeft(), bottom.topRight());
}

void CWizardSheet::SetActivePage(int page) {
  LogInfo("------------------------ParmInfo:WIZARD_PAGE ePage=%x", page);
  if (page < 0 || page >= kPageCount) {
    return;
  }
  const int old = active_;
  Q_EMIT ResizableChanged(page != kPageRecoveryMode);
  if (page != kPageSaveResult && page != kPageSaveFile) {
    active_ = page;
    CWizardPage* shown = pages_[static_cast<std::size_t>(page)];
    shown->setGeometry(PageRect());
    shown->show();
    shown->raise();
    shown->setFocus();
    if (old != page) {
      pages_[static_cast<std::size_t>(old)]->hide();
    }
  }
  website_->hide();
  // The language menu has items on the start page only.
  language_->setEnabled(active_ == kPageRecoveryMode);
  const AppSettings& settings = shared_.settings;
  if (auto banner = BannerForPage(active_, settings.nRecoveryMode, settings.bPhotoRecovery != 0)) {
    banner_ = *banner;
  }
  if (page == kPageRecoveryMode) {
    ShowNavigationButtons(false);
    website_->show();
    shared_.settings.ResetScanSettings();
  } else if (page == kPageSaveFile) {
    // Pages 5 and 6 are shown in dialogs of their own over the page on show.
    RunSaveFileDialog(*this, *static_cast<CSaveFilePage*>(pages_[kPageSaveFile]));
  } else if (page == kPageSaveResult) {
    auto& result = *static_cast<CSaveResultPage*>(pages_[kPageSaveResult]);
    if (saveFile_ != nullptr) result.SetSaveResult(*saveFile_);
    RunSaveResultDialog(*this, result);
  } else {
    ShowNavigationButtons(true);
  }
  if (page == kPageTypeOfFile) {
    EnableButton(TypePage().Tree().HasCheckedType());
  }
  update();
}

void CWizardSheet::ShowNavigationButtons(bool show) {
  LogInfo("------------------------ParmInfo:BOOL bState=%x", show ? 1 : 0);
  if (show) {
    home_->show();
    back_->show();
    const bool recover = active_ == kPageFileSelect;
    recover_->setVisible(recover);
    next_->setVisible(!recover);
    if (active_ != kPageTypeOfFile) {
      next_->setEnabled(true);
    }
    LayoutButtons();
  } else {
    home_->hide();
    next_->hide();
    back_->hide();
    recover_->hide();
  }
}

void CWizardSheet::EnableButton(bool enable) { next_->setEnabled(enable); }

void CWizardSheet::OnHelp() {
  if (controller_ != nullptr) {
    controller_->ShowHelp(GetLanguageId());
  }
}

void CWizardSheet::SendCommandToActivePage(int id) {
  if (CWizardPage* page = GetActivePage()) {
    page->OnCommand(id);
  }
  Q_EMIT PageCommand(active_, id);
}

bool CWizardSheet::OnCommand(int id) {
  switch (id) {
  case 1001:
    ShowLanguageMenu();
    return true;
  case 1003:
    OnHome();
    return true;
  case 1004:
    OnNext();
    return true;
  case 1005:
    OnBack();
    return true;
  case 1006:
    OnHelp();
    return true;
  case 1007:
  case 1015:
  case 1018:
    ShowAbout();
    return true;
  case 1010:
    shared_.services.openUrl(QString::fromLatin1(kWebsiteUrl));
    return true;
  case 1012:
  case 1017:
    shared_.services.openUrl(QString::fromLatin1(kSupportUrl));
    return true;
  case 1013:
    ReportUsageEvent(8262);
    if (CWizardPage* page = GetActivePage(); page != nullptr && page->GetController() != nullptr) {
      page->GetController()->ShowAdvancedSettings();
    }
    return true;
  default:
    return false;
  }
}

void CWizardSheet::OnHome() {
  if (shared_.prompter.AskYesNo(this, LoadAppString(214), LoadAppString(193), true) &&
      controller_ != nullptr) {
    controller_->Home();
  }
}

void CWizardSheet::OnBack() {
  if (controller_ != nullptr) {
    controller_->Back();
  }
}

bool CWizardSheet::OnNext() { return controller_ != nullptr && controller_->Next(); }

void CWizardSheet::ShowAbout() {
  CAboutFreeDlg about(nullptr, shared_.services.openUrl);
  about.exec();
}

void CWizardSheet::FillLanguageMenu(QMenu& menu) {
  menu.clear();
  if (active_ != kPageRecoveryMode) {
    return;
  }
  const QString current = ReadLanguageName();
  auto* group = new QActionGroup(&menu);
  for (int i = 0; i < static_cast<int>(std::size(kLanguageChoices)); ++i) {
    const LanguageChoice& choice = kLanguageChoices[i];
    const QString name =
        choice.nameString != 0 ? LoadAppString(choice.nameString) : QString::fromUtf8(choice.name);
    QAction* action = menu.addAction(name);
    action->setCheckable(true);
    action->setChecked(current == QLatin1String(choice.settingName));
    action->setActionGroup(group);
    connect(action, &QAction::triggered, this, [this, i] { OnLanguageCommand(i); });
  }
}

void CWizardSheet::ShowLanguageMenu() {
  CXPMenu menu(this);
  FillLanguageMenu(menu);
  if (!menu.isEmpty()) {
    menu.exec(language_->mapToGlobal(QPoint(0, language_->height())));
  }
}

void CWizardSheet::OnLanguageCommand(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kLanguageChoices))) {
    return;
  }
  if (ReadLanguageName() == QLatin1String(kLanguageChoices[index].settingName)) {
    return;
  }
  ChangeLanguage(index);
}

void CWizardSheet::ChangeLanguage(int index) {
  Prompter& prompter = shared_.prompter;
  if (!prompter.AskYesNo(this, LoadAppString(304), LoadAppString(193), true)) {
    return;
  }
  if (WriteLanguageToReg(kLanguageChoices[index].settingName) == 0) {
    prompter.Inform(this, LoadAppString(303), LoadAppString(193), PromptIcon::Warning);
    return;
  }
  if (!shared_.services.startRestarter || !shared_.services.startRestarter()) {
    prompter.Inform(this, LoadAppString(375), LoadAppString(193), PromptIcon::Warning);
  }
  Q_EMIT CloseRequested();
}

void CWizardSheetController::SetWizardSheet(CWizardSheet* sheet) { sheet_ = sheet; }

IWizardPageController* CWizardSheetController::ActiveController() const {
  CWizardPage* page = sheet_ == nullptr ? nullptr : sheet_->GetActivePage();
  return page == nullptr ? nullptr : page->GetController();
}

void CWizardSheetController::Home() {
  if (IWizardPageController* controller = ActiveController()) {
    controller->Home();
  }
}

void CWizardSheetController::Back() {
  if (IWizardPageController* controller = ActiveController()) {
    controller->Back();
  }
}

bool CWizardSheetController::Next() {
  IWizardPageController* controller = ActiveController();
  return controller != nullptr && controller->Next();
}

void CWizardSheetController::ShowHelp(int language) {
  CWizardPage* page = sheet_ == nullptr ? nullptr : sheet_->GetActivePage();
  if (page != nullptr && sheet_->Shared().services.openHelp) {
    sheet_->Shared().services.openHelp(page->GetHelpId(language));
  }
}

} // namespace qm
