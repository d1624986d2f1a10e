#include "shell/html_view.h"

#include "shell/qt_text.h"

namespace plexaro {

HtmlView::HtmlView(AddressOpener& opener, QWidget* parent) : QTextBrowser(parent), opener_(opener) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { OnLinkClicked(url); });
}

void HtmlView::Blank() {
  clear();
}

void HtmlView::Write(const QString& html) {
  setHtml(html);
}

QVariant HtmlView::loadResource(int, const QUrl&) {
  return {};
}

void HtmlView::OnLinkClicked(const QUrl& url) {
  if (url.isRelative() && url.hasFragment()) {
    scrollToAnchor(url.fragment());
    return;
  }
  // Other schemes (javascript:, file:, ...) are the page's, not the user's: ignored.
  const QString scheme = url.scheme().toLower();
  if (scheme == "http" || scheme == "https" || scheme == "ftp") {
    opener_.Open(ToText(url.toString(QUrl::FullyEncoded)));
  }
}

}  // namespace plexaro
