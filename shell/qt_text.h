// GBK Text and Qt strings meet here, at the shell's edge, and nowhere else.
#pragma once

#include <QString>

#include "web/gbk.h"

namespace plexaro {

inline QString ToQString(const Text& gbkText) {
  return QString::fromStdString(GbkToUtf8(gbkText));
}
inline Text ToText(const QString& text) {
  return Utf8ToGbk(text.toStdString());
}
// A UTF-8 source literal (captions, object names).
inline QString Ui(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace plexaro
