#include "shell/hyperlink_label.h"

#include <QDesktopServices>

#include "shell/qt_text.h"
#include "web/text.h"

namespace plexaro {

QUrl UrlOfAddress(const Text& address) {
  QString text = ToQString(address);
  if (FindText(address, "://") > 0) return QUrl(text, QUrl::TolerantMode);
  return QUrl::fromLocalFile(text);
}

void DesktopOpener::Open(const Text& address) {
  if (!address.empty()) QDesktopServices::openUrl(UrlOfAddress(address));
}

HyperlinkLabel::HyperlinkLabel(const QString& caption, AddressOpener& opener, QWidget* parent)
    : QLabel(parent), opener_(opener) {
  setText("<a href=\"#\">" + caption.toHtmlEscaped() + "</a>");
  setTextFormat(Qt::RichText);
  setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(this, &QLabel::linkActivated, this, [this] { Activate(); });
}

}  // namespace plexaro
