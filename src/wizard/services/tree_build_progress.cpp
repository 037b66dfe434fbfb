#include "wizard/services/tree_build_progress.h"

#include <QtWidgets/QWidget>

namespace qm {

CTreeBuildProgress::CTreeBuildProgress(Prompter& prompter, QWidget* mainWindow, const QString& title)
    : mainWindow_(mainWindow), dialog_(nullptr, &prompter) {
  dialog_.setObjectName(QStringLiteral("treeBuildProgress"));
  if (!title.isEmpty()) dialog_.setWindowTitle(title);
  if (mainWindow_ != nullptr) mainWindow_->setEnabled(false);
  dialog_.show();
}

CTreeBuildProgress::~CTreeBuildProgress() {
  if (mainWindow_ != nullptr) mainWindow_->setEnabled(true);
}

} // namespace qm
