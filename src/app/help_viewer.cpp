#include "app/help_viewer.h"

#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <array>

#include "app/language.h"
#include "app/string_table.h"
#include "platform/log.h"

static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace qm {
namespace {

constexpr std::array<int, 9> kTopics = {15, 16, 23, 25, 27, 46, 50, 51, 52};

QString LanguageFolder(const QString& language) {
  if (language == QLatin1String("Deutsch")) {
    return QStringLiteral("de");
  }
  if (language == QLatin1String("Japanese")) {
    return QStringLiteral("ja");
  }
  return QStringLiteral("en");
}

QString PagePath(const QString& folder, const QString& page) {
  return QStringLiteral(":/help/%1/%2").arg(folder, page);
}

// One help window for the whole program, reused for every topic; it is not
// modal so the user can read while following the steps.
class HelpWindow : public QWidget {
public:
  HelpWindow() : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program even while help is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QCoreApplication::translate("HelpWindow", "%1 Help").arg(LoadAppString(349)));
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    browser_->document()->setDefaultStyleSheet(
        QStringLiteral("h1 { color: #1D3B5C; font-size: x-large; } h2 { color: #1D3B5C; font-size: large; }"
                       "p.nav { margin-top: 18px; }"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(620, 560);
  }

  void Show(const QUrl& url) {
    browser_->setSource(url);
    show();
    raise();
    activateWindow();
  }

private:
  QTextBrowser* browser_;
};

QPointer<HelpWindow>& Window() {
  static QPointer<HelpWindow> window;
  return window;
}

void ShowInWindow(QWidget*, int topic) {
  InitHelpResources();
  if (Window().isNull()) {
    Window() = new HelpWindow();
  }
  Window()->Show(HelpTopicUrl(topic, ReadLanguageName()));
}

HelpViewer& Viewer() {
  static HelpViewer viewer = ShowInWindow;
  return viewer;
}

} // namespace

std::span<const int> HelpTopicIds() { return kTopics; }

QUrl HelpTopicUrl(int topic, const QString& language) {
  InitHelpResources();
  const QString page = QStringLiteral("%1.html").arg(topic);
  for (const QString& folder : {LanguageFolder(language), QStringLiteral("en")}) {
    if (QFile::exists(PagePath(folder, page))) {
      return QUrl(QStringLiteral("qrc") + PagePath(folder, page));
    }
  }
  for (const QString& folder : {LanguageFolder(language), QStringLiteral("en")}) {
    if (QFile::exists(PagePath(folder, QStringLiteral("index.html")))) {
      return QUrl(QStringLiteral("qrc") + PagePath(folder, QStringLiteral("index.html")));
    }
  }
  return QUrl(QStringLiteral("qrc") + PagePath(QStringLiteral("en"), QStringLiteral("index.html")));
}

bool HasHelpTopic(int topic) {
  InitHelpResources();
  return QFile::exists(PagePath(QStringLiteral("en"), QStringLiteral("%1.html").arg(topic)));
}

QWidget* OpenHelpWindow() { return Window().data(); }

void SetHelpViewer(HelpViewer viewer) { Viewer() = viewer ? std::move(viewer) : HelpViewer(ShowInWindow); }

} // namespace qm

int OpenHelpTopic(QWidget* owner, unsigned topic) {
  LogInfo("Help topic %u asked for", topic);
  qm::Viewer()(owner, static_cast<int>(std::min<unsigned>(topic, 0x7FFFFFFF)));
  return 0;
}
