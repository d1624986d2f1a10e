#include "cli/output.h"

#include <cstdio>

#include "web/gbk.h"

namespace plexaro {
namespace {

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string JsonLine(const Fields& fields) {
  std::string line = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ",";
    line += JsonString(fields[i].first) + ":" + JsonString(GbkToUtf8(fields[i].second));
  }
  return line + "}";
}

std::string TabLine(const Fields& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += "\t";
    for (char c : GbkToUtf8(fields[i].second))
      line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  return line;
}

}  // namespace plexaro
