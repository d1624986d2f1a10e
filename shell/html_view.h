// The quick-read view: shows an HTML text that came from the web as a static page. No
// script runs, no resource (remote image or local file) is ever loaded, and a click on
// a web link opens it in the user's browser, never inside the view. GUI thread only.
#pragma once

#include <QTextBrowser>

#include "core/result_actions.h"

namespace plexaro {

class HtmlView final : public QTextBrowser {
  Q_OBJECT

 public:
  // `opener` opens clicked web links and must outlive the view.
  HtmlView(AddressOpener& opener, QWidget* parent);

  // Leaves the view empty.
  void Blank();
  // Shows `html` in place of what the view showed.
  void Write(const QString& html);

 protected:
  // Images and style sheets stay placeholders: a page must not make this program fetch
  // or read anything.
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  void OnLinkClicked(const QUrl& url);

  AddressOpener& opener_;
};

}  // namespace plexaro
