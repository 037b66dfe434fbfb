// The about box: the program's name and version, its picture and a link to
// the product pages.
#pragma once

#include "dialogs/search_super_dlg.h"

#include <functional>

class CHyperLink;
class QLabel;

namespace qm {

class CAboutFreeDlg : public CSearchSuperDlg {
  Q_OBJECT

public:
  static constexpr const char* kProductUrl = "https://www.quenmark.com/";

  // opener: how the link opens its address (the desktop's browser when empty).
  explicit CAboutFreeDlg(QWidget* parent = nullptr, std::function<bool(const QString&)> opener = {});

  QString NameAndVersion() const;
  CHyperLink& Link() const { return *link_; }

  // The product picture: a disk with a returning arrow.
  static QPixmap ProductPicture(int size);

private:
  QLabel* title_;
  CHyperLink* link_;
};

} // namespace qm
