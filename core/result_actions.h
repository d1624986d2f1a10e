// What the result list's clicks and the quick-read page's buttons do, apart from the
// preview itself. GUI thread only.
#pragma once

#include "core/result_list.h"

namespace plexaro {

// Opens an address in the user's default handler (a browser, or the program a local
// file belongs to). An empty address opens nothing.
class AddressOpener {
 public:
  virtual ~AddressOpener() = default;
  virtual void Open(const Text& address) = 0;
};

// The addresses of the links "超级链接框原网页" and "超级链接框浏览器", and the texts kept
// with the buttons "按钮复制内容" and "按钮复制标题" (set by each preview).
struct QuickReadPageState {
  Text originalPageAddress;
  Text browserAddress;
  Text contentTag;
  Text titleTag;
};

// Right click on a row: the selected row's address becomes the original-page link and
// is opened (when it is not empty), and the row is marked as read. With no row selected
// the link is emptied and nothing is opened.
void OpenSelectedHit(ResultListModel& list, QuickReadPageState& page, AddressOpener& opener);

// "按钮复制标题": the title of the row selected now (empty when none is).
Text SelectedTitle(const ResultListModel& list);

}  // namespace plexaro
