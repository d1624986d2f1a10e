// Hyperlink labels and the desktop's "open": a label shows its caption as a link and
// opens its current address when clicked. GUI thread only.
#pragma once

#include <QLabel>
#include <QUrl>

#include "core/result_actions.h"

namespace plexaro {

// The URL of an address: web addresses as they are, anything without a scheme as a
// local file.
QUrl UrlOfAddress(const Text& address);

// Opens addresses with QDesktopServices.
class DesktopOpener final : public AddressOpener {
 public:
  void Open(const Text& address) override;
};

class HyperlinkLabel final : public QLabel {
 public:
  // `opener` must outlive the label.
  HyperlinkLabel(const QString& caption, AddressOpener& opener, QWidget* parent);

  void SetAddress(const Text& address) { address_ = address; }
  const Text& Address() const { return address_; }
  // What a click does.
  void Activate() { opener_.Open(address_); }

 private:
  AddressOpener& opener_;
  Text address_;
};

}  // namespace plexaro
